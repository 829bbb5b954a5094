// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResultCodes.h"

namespace {

std::string Fill(const char* pattern, const std::string& name)
{
    std::string text(pattern);
    const auto at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, name);
    return text;
}

} // namespace

std::string EngineErrorMessage(int code, const std::string& name, bool withAllHint)
{
    switch (code) {
    case kResultRemovedNotWiped:
        return Fill("%s was removed, but its data was not wiped because other names (hard links) share it.", name);
    case kResultCannotOpen:
        return Fill("Couldn't open file %s .", name);
    case kResultCannotCreate:
        return "Couldn't create a new file.";
    case kResultReadFailed:
        return Fill("Couldn't read file %s .", name);
    case kResultWrongPassword:
        return Fill(withAllHint
                        ? "Invalid password for the file %s !Press 'All' button to abort processing the file list."
                        : "Invalid password for the file %s !",
                    name);
    case kResultNoMemory:
        return "No memory.";
    case kResultNotEncrypted:
        return Fill("Cannot identify file %s as a valid crypted file.", name);
    case kResultAborted:
        return Fill("You have aborted processing %s.", name);
    case kResultWriteFailed:
        return Fill("Processing file %s has been aborted. The disk may be full.", name);
    case kResultTooLarge:
        return Fill("File %s is too large. Files of 2 GB (2147483648 bytes) or more cannot be encrypted.", name);
    case kResultNotRegularFile:
        return Fill("%s is not a regular file. Links, devices, pipes and folders are not processed.", name);
    case kResultUnknownMethod:
        return "Unknown encryption method. Choose DES, IDEA or 3xDES.";
    case kResultTargetAppeared:
        return Fill("%s appeared while it was being written; it was left as it was and the new file was discarded.",
                    name);
    case kResultPlainChanged:
        return Fill("%s changed while it was being encrypted; the plain file was kept.", name);
    case kResultCryptedChanged:
        return Fill("%s changed while it was being decrypted; the encrypted file was kept.", name);
    case kResultNoPassword:
        return Fill("No password was given for %s; it was not encrypted.", name);
    case kResultDamaged:
        return Fill("File %s is damaged: the password was accepted, but the decrypted data does not match the "
                    "file's checksum. Nothing was written.",
                    name);
    case kResultNameTooLong:
        return Fill("The name of %s is too long to add \".cry\" to it in this folder; it was not encrypted.", name);
    case kResultTruncated:
        return Fill("File %s is incomplete: it ends before the end its header gives, as a file cut off while "
                    "copying or downloading does.",
                    name);
    case kResultHasOtherNames:
        return Fill("%s has other names (hard links). Its password was not changed: the other names would still "
                    "open with the old one. Remove them first, or decrypt and encrypt the file.",
                    name);
    default:
        return {};
    }
}

bool EngineErrorOffersAll(int code) noexcept
{
    return code == kResultWrongPassword;
}
