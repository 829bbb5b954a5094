// SPDX-License-Identifier: GPL-3.0-or-later
// The program entry: the main window, then every dialog once, then the message loop.
#include "Forms.h"
#include "MainWin.h"
#include "SecretArguments.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kelvane"));
    QApplication::setDesktopFileName(QStringLiteral("kelvane"));
    // A session without a desktop names only the bare icon theme, which has no file-type icons; the
    // common desktop theme stands in for what it lacks, where it is installed.
    if (QIcon::fallbackThemeName() == QStringLiteral("hicolor")) QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));

    TMainWinSetup setup;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    setup.Arguments = arguments;
    ScrubSecretArguments(argc, argv);

    TMainWin mainWin(std::move(setup));
    CreateForms(mainWin);
    mainWin.show();
    return QApplication::exec();
}
