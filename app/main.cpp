// SPDX-License-Identifier: GPL-3.0-or-later
// The program entry: the main window, then every dialog once, then the message loop.
#include "Forms.h"
#include "MainWin.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kelvane"));
    QApplication::setDesktopFileName(QStringLiteral("kelvane"));

    TMainWinSetup setup;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    setup.Arguments = arguments;

    TMainWin mainWin(std::move(setup));
    CreateForms(mainWin);
    mainWin.show();
    return QApplication::exec();
}
