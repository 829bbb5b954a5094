// SPDX-License-Identifier: GPL-3.0-or-later
// The window's Encrypt All and Decrypt All over a tree of small files with one password, against
// kelvane-cli --recursive with one job on a copy of the same tree, in the same run, and the window's
// resident memory before and after. Usage: kelvane_bench_dirrun KELVANE_CLI [FILES [DIRECTORIES]].
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "Forms.h"
#include "MainWin.h"
#include "ScriptedInteraction.h"
#include "SettingsStore.h"
#include "TKV_Pwd.h"
#include "TPasswordPrompt.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace {

const QString kPassword = QStringLiteral("treesecret12");

// Files of 1 to 64 KiB spread over the directories, a few levels deep; "aaa.dat" in the root is the
// file the one prompt asks for.
bool BuildTree(const QString& root, int files, int dirs)
{
    QRandomGenerator random(16);
    QStringList directories{root};
    for (int i = 1; i < dirs; ++i) {
        const QString parent = i > 10 ? directories.at(static_cast<int>(random.bounded(directories.size()))) : root;
        const QString path = parent + QStringLiteral("/dir%1").arg(i, 3, 10, QLatin1Char('0'));
        if (!QDir().mkpath(path)) return false;
        directories.append(path);
    }
    for (int i = 0; i < files; ++i) {
        const QString name =
            i == 0 ? root + QStringLiteral("/aaa.dat")
                   : directories.at(i % dirs) + QStringLiteral("/file%1.dat").arg(i, 5, 10, QLatin1Char('0'));
        QByteArray bytes(static_cast<qsizetype>(random.bounded(1024, 64 * 1024 + 1)), Qt::Uninitialized);
        for (char& b : bytes)
            b = static_cast<char>(random.generate());
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return false;
    }
    return true;
}

long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

double TimeCli(const QString& cli, const QString& command, const QString& tree, const QString& passwordFile)
{
    QElapsedTimer clock;
    clock.start();
    const int status =
        QProcess::execute(cli, {command, QStringLiteral("-r"), QStringLiteral("--jobs"), QStringLiteral("1"),
                                QStringLiteral("--password-file"), passwordFile, tree});
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    if (status != 0) std::fprintf(stderr, "kelvane-cli %s failed (%d)\n", qPrintable(command), status);
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window must never write the user's settings.
    qputenv("KELVANE_SETTINGS", QByteArray("/nonexistent/crypt file.ini"));
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s KELVANE_CLI [FILES [DIRECTORIES]]\n", argv[0]);
        return 2;
    }
    const QString cli = QString::fromLocal8Bit(argv[1]);
    const int files = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int dirs = argc > 3 ? std::atoi(argv[3]) : 200;

    QTemporaryDir scratch(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/kelvane-dirrun-XXXXXX") : QString());
    const QString windowTree = scratch.filePath(QStringLiteral("window"));
    const QString cliTree = scratch.filePath(QStringLiteral("cli"));
    const QString passwordFile = scratch.filePath(QStringLiteral("password"));
    QDir().mkpath(windowTree);
    QDir().mkpath(cliTree);
    QFile password(passwordFile);
    if (!BuildTree(windowTree, files, dirs) || !BuildTree(cliTree, files, dirs) ||
        !password.open(QIODevice::WriteOnly) || password.write(kPassword.toUtf8() + '\n') < 0) {
        std::fprintf(stderr, "cannot build the trees in %s\n", qPrintable(scratch.path()));
        return 1;
    }
    password.close();
    const QString settingsPath = scratch.filePath(QStringLiteral("crypt file.ini"));
    QFile::copy(QStringLiteral(KELVANE_DEFAULT_SETTINGS), settingsPath);
    QFile::setPermissions(settingsPath, QFile::ReadOwner | QFile::WriteOwner);

    const double cliEncrypt = TimeCli(cli, QStringLiteral("encrypt"), cliTree, passwordFile);
    const double cliDecrypt = TimeCli(cli, QStringLiteral("decrypt"), cliTree, passwordFile);

    QDir::setCurrent(windowTree);
    TKV_ScriptedInteraction ui;
    TMainWinSetup setup;
    setup.Interaction = &ui;
    setup.OpenSettings = [settingsPath]() -> std::unique_ptr<TKV_SettingsAccess> {
        return std::make_unique<TKV_IniSettings>(settingsPath);
    };
    auto window = std::make_unique<TMainWin>(std::move(setup));
    CreateForms(*window);
    window->resize(1000, 700);
    window->show();
    window->FormActivate();
    QCoreApplication::processEvents();
    const long before = ResidentKiB();

    QElapsedTimer clock;
    ui.ExpectConfirmYesNoCancel(QStringLiteral("Recurse subdirectories?"), TKV_YesNoCancel::Yes);
    ui.ExpectEncryptPrompt(QStringLiteral("aaa.dat"), prAccepted, kPassword, true);
    clock.start();
    window->DoForAll(0);
    const double windowEncrypt = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const long afterEncrypt = ResidentKiB();

    window->Pwd->ClearPassword();
    ui.ExpectConfirmYesNoCancel(QStringLiteral("Recurse subdirectories?"), TKV_YesNoCancel::Yes);
    ui.ExpectDecryptPrompt(QStringLiteral("aaa.dat"), prAccepted, kPassword, true);
    clock.start();
    window->DoForAll(1);
    const double windowDecrypt = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const long afterDecrypt = ResidentKiB();

    std::printf("Tree: %d files in %d directories under %s\n", files, dirs, qPrintable(scratch.path()));
    std::printf("%-34s%12s%12s\n", "", "encrypt s", "decrypt s");
    std::printf("%-34s%12.2f%12.2f\n", "kelvane-cli -r --jobs 1", cliEncrypt, cliDecrypt);
    std::printf("%-34s%12.2f%12.2f\n", "window Encrypt All / Decrypt All", windowEncrypt, windowDecrypt);
    std::printf("window / cli time (goal <= 2.0): encrypt %.2fx, decrypt %.2fx\n", windowEncrypt / cliEncrypt,
                windowDecrypt / cliDecrypt);
    std::printf("window resident memory: %ld KiB before, %ld KiB after Encrypt All, %ld KiB after Decrypt All\n",
                before, afterEncrypt, afterDecrypt);
    std::printf("prompts shown: %lld\n", static_cast<long long>(ui.Prompts().size()));
    window.reset();
    return 0;
}
