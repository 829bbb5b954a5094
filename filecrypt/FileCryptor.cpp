// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileCryptor.h"

#include "FileSystem.h"
#include "ResultCodes.h"
#include "TKV_Pwd.h"
#include "TKV_PwdTable.h"
#include "Wipe.h"

#include <filesystem>

std::string DatabaseName(const std::string& plainPath)
{
    std::error_code error;
    const std::filesystem::path plain = PathFromUtf8(plainPath);
    const auto absolute = std::filesystem::absolute(plain, error);
    return Utf8FromPath((error ? plain : absolute).lexically_normal());
}

bool FileCryptor::SourceUsable(const FileJob& job) const
{
    const FileKind kind = GetFileKind(job.Source);
    if (kind == FileKind::Missing) {
        ui_.SourceMissing(job);
        return false;
    }
    if (kind != FileKind::Regular) {
        ui_.EngineError(kResultNotRegularFile, job.Name);
        return false;
    }
    return true;
}

FileResult FileCryptor::Process(const FileJob& job)
{
    // A link, pipe or device is refused before the user types a password for it, and so is a target
    // that no question could free.
    if (!SourceUsable(job)) return {};
    if (Overwrite == OverwritePolicy::Refuse && GetFileKind(job.Target) != FileKind::Missing) {
        ui_.TargetRefused(job);
        return {};
    }
    return job.Encrypting ? ProcessEncryption(job) : ProcessDecryption(job);
}

namespace {

FileResult Unprompted(PasswordStep step)
{
    FileResult result;
    result.Outcome = step == PasswordStep::CancelAll ? FileOutcome::EndRun : FileOutcome::NotDone;
    return result;
}

} // namespace

FileResult FileCryptor::ProcessEncryption(const FileJob& job)
{
    if (const PasswordStep step = ui_.ObtainPassword(job); step != PasswordStep::Ready) return Unprompted(step);
    WorkOptions options;
    options.StorePassword = ui_.StorePasswordWanted();
    if (options.StorePassword) {
        // The user relies on the database for this password: it must be able to take it before the
        // plain file is touched.
        ui_.DatabaseWillBeWritten();
        const StoreReadiness ready = table_.PrepareToStore();
        ui_.AfterDatabaseRequest();
        if (ready != StoreReadiness::Ready) {
            ui_.PasswordNotStorable(job);
            FileResult result;
            result.Outcome = FileOutcome::EndRun;
            return result;
        }
    }
    ui_.PasswordSettled(job);
    return Work(job, options);
}

FileResult FileCryptor::ProcessDecryption(const FileJob& job)
{
    // A stored password serves this one file; the engine object gets its own back afterwards.
    RecalledPassword recalled = table_.RecallPassword(DatabaseName(job.Target), engine_);
    ui_.AfterDatabaseRequest();
    if (!recalled) {
        if (const PasswordStep step = ui_.ObtainPassword(job); step != PasswordStep::Ready) return Unprompted(step);
    }
    ui_.PasswordSettled(job);
    const bool stored = static_cast<bool>(recalled);
    WorkOptions options;
    options.StoredPassword = stored;
    FileResult result = Work(job, options);
    if (!result.TargetWritten() && stored && result.EngineResult == kResultWrongPassword && !engine_.Stopped()) {
        // The stored password does not open the file (a container replaced since, an older database):
        // the user is asked as if none were stored, or the file stays locked.
        recalled.Withdraw();
        ui_.StoredPasswordRefused(job);
        if (const PasswordStep step = ui_.ObtainPassword(job); step != PasswordStep::Ready) return Unprompted(step);
        WorkOptions retry;
        retry.OverwriteAgreed = true;
        result = Work(job, retry);
    }
    // The stored entry goes only once the file it protects is back.
    if (result.TargetWritten() && stored && !recalled.Confirm()) ui_.StoredPasswordKept(job);
    return result;
}

FileResult FileCryptor::Work(const FileJob& job, const WorkOptions& options)
{
    FileResult result;
    // Refused before anything is touched: attributes set through a link would land on the file it
    // points to.
    if (!SourceUsable(job)) return result;
    if (GetFileKind(job.Target) != FileKind::Missing) {
        if (Overwrite == OverwritePolicy::Refuse) {
            ui_.TargetRefused(job);
            return result;
        }
        if (Overwrite == OverwritePolicy::Ask && !options.OverwriteAgreed && !ui_.MayOverwrite(job)) return result;
        result.TargetExisted = true;
    }

    const FileAttributes attributes = GetFileAttributes(job.Source);
    SetArchiveOnly(job.Source);
    ui_.WorkStarting(job);
    // Only a target the user agreed to overwrite may be replaced; one that appears meanwhile is kept.
    const bool mayReplace = result.TargetExisted || Overwrite == OverwritePolicy::Replace;
    const int code = job.Encrypting ? engine_.EncryptFile(job.Source, job.Method, mayReplace)
                                    : engine_.DecryptFile(job.Source, mayReplace);
    result.EngineResult = code;
    ui_.WorkEnded(job, code);

    if (code != kResultOk) {
        // The source keeps the permissions it had; a target that stood there before was left untouched
        // by the engine, with its own.
        SetFileAttributes(job.Source, attributes);
        if (!(options.StoredPassword && code == kResultWrongPassword))
            ui_.EngineError(code, code == kResultTargetAppeared ? job.Target : job.Name);
        return result;
    }
    SetFileAttributes(job.Target, attributes);
    ui_.TargetInPlace(job, result.TargetExisted);

    auto sourceKept = [&] {
        result.Outcome = FileOutcome::DoneSourceKept;
        ui_.Finished(job, true);
        return result;
    };

    if (options.StorePassword) {
        // Stored only once the container it opens is there: a refused, declined or failed encryption
        // would otherwise replace the password of a container left as it was. Without it stored, the
        // plain file stays.
        const bool storedNow = table_.RememberPassword(DatabaseName(job.Source), engine_);
        ui_.AfterDatabaseRequest();
        if (!storedNow) {
            SetFileAttributes(job.Source, attributes);
            ui_.PasswordNotStored(job);
            return sourceKept();
        }
    }

    // What goes must be the very file that was read, unchanged: another run may have put a new file
    // under its name, or a program may have added to it. Its attributes are then left alone too.
    if (const int changed = engine_.CheckSourceUnchanged(); changed != kResultOk) {
        ui_.EngineError(changed, job.Encrypting ? job.Name : job.Source);
        return sourceKept();
    }

    // The source gets its permissions back first: other names (hard links) that keep its data share
    // them.
    SetFileAttributes(job.Source, attributes);
    if (KeepSource) {
        result.Outcome = FileOutcome::Done;
        ui_.Finished(job, true);
        return result;
    }

    // The engine returned only once its output was on disk; only now may the source go.
    ui_.Removing(job.Source, job.Encrypting);
    removalError_.clear();
    const int removal = RemoveOrWipe(job.Source, job.Encrypting);
    ui_.RemovalEnded(job.Source, removal);
    const bool removed = removal == kResultOk || removal == kResultRemovedNotWiped;
    if (!removed) ui_.SourceNotRemoved(job, removalError_);
    result.Outcome = removed ? FileOutcome::Done : FileOutcome::DoneSourceKept;
    ui_.Finished(job, !removed);
    return result;
}

int FileCryptor::RunCheck(const FileJob& job, const TKV_Pwd* fresh)
{
    ui_.WorkStarting(job);
    const int code =
        fresh == nullptr ? engine_.VerifyFile(job.Source) : engine_.RekeyFile(job.Source, fresh->Password, job.Method);
    ui_.WorkEnded(job, code);
    return code;
}

FileResult FileCryptor::Verify(const FileJob& job)
{
    FileResult result;
    if (!SourceUsable(job)) return result;
    // A stored password serves this one check; the engine object gets its own back afterwards. The
    // entry stays whatever the result.
    RecalledPassword recalled = table_.RecallPassword(DatabaseName(job.Target), engine_);
    ui_.AfterDatabaseRequest();
    if (!recalled) {
        if (const PasswordStep step = ui_.ObtainPassword(job); step != PasswordStep::Ready) return Unprompted(step);
    }
    ui_.PasswordSettled(job);
    int code = RunCheck(job, nullptr);
    if (recalled && code == kResultWrongPassword && !engine_.Stopped()) {
        recalled.Restore();
        ui_.StoredPasswordRefused(job);
        if (const PasswordStep step = ui_.ObtainPassword(job); step != PasswordStep::Ready) return Unprompted(step);
        code = RunCheck(job, nullptr);
    }
    result.EngineResult = code;
    ui_.CheckEnded(job, code);
    if (code == kResultOk) result.Outcome = FileOutcome::Done;
    return result;
}

FileResult FileCryptor::Rekey(FileJob job)
{
    FileResult result;
    if (!SourceUsable(job)) return result;
    const std::string name = DatabaseName(job.Target);
    RecalledPassword recalled = table_.RecallPassword(name, engine_);
    ui_.AfterDatabaseRequest();
    const bool hadStored = static_cast<bool>(recalled);
    if (!recalled) {
        if (const PasswordStep step = ui_.ObtainPassword(job); step != PasswordStep::Ready) return Unprompted(step);
    }
    TKV_Pwd fresh;
    if (const PasswordStep step = ui_.ObtainNewPassword(job, fresh); step != PasswordStep::Ready)
        return Unprompted(step);
    // A stored old password must not outlive the container it opened; the database must be able to
    // take the new one before the container is replaced.
    const bool store = hadStored || ui_.StorePasswordWanted();
    if (store) {
        ui_.DatabaseWillBeWritten();
        const StoreReadiness ready = table_.PrepareToStore();
        ui_.AfterDatabaseRequest();
        if (ready != StoreReadiness::Ready) {
            ui_.PasswordNotStorable(job);
            result.Outcome = FileOutcome::EndRun;
            return result;
        }
    }
    ui_.PasswordSettled(job);
    int code = RunCheck(job, &fresh);
    if (recalled && code == kResultWrongPassword && !engine_.Stopped()) {
        recalled.Restore();
        ui_.StoredPasswordRefused(job);
        if (const PasswordStep step = ui_.ObtainPassword(job); step != PasswordStep::Ready) return Unprompted(step);
        code = RunCheck(job, &fresh);
    }
    recalled.Restore();
    result.EngineResult = code;
    ui_.CheckEnded(job, code);
    if (code != kResultOk) return result;
    result.Outcome = FileOutcome::Done;
    if (store) {
        const bool stored = table_.RememberPassword(name, fresh);
        ui_.AfterDatabaseRequest();
        if (!stored) {
            ui_.NewPasswordNotStored(job);
            result.Outcome = FileOutcome::DoneSourceKept;
        }
    }
    return result;
}

int FileCryptor::RemoveOrWipe(const std::string& path, bool wipe) const
{
    // Only a regular file is wiped: wiping through a link would destroy the file it points to, so a
    // link (or pipe, or device) is removed itself. A plain file that cannot be wiped stays: deleting it
    // unwiped would leave its data readable on the disk while the user believes it gone.
    if (wipe && GetFileKind(path) == FileKind::Regular) return WipeOverride ? WipeOverride(path) : WipeFile(path);
#ifdef _WIN32
    // Windows refuses to delete a read-only file.
    SetArchiveOnly(path);
#endif
    // Elsewhere a name goes without touching the permissions, which other names of the file share.
    std::error_code error;
    if (std::filesystem::remove(PathFromUtf8(path), error)) return kResultOk;
    removalError_ = error ? error.message() : std::string("no such file");
    return kResultCannotOpen;
}
