// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: the help pages, and handing files and addresses to the desktop's default handlers.
#include "MainWin.h"

#include "Help.h"
#include "Messages.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

void TMainWin::ShowHelpContext(int context)
{
    LastHelpContext = context;
    OpenWithDefaultHandler(HelpUrl(context));
}

QUrl TMainWin::HelpUrl(int context) const
{
    // Settings copied from another installation, or from a build tree since removed, may name pages
    // that are not there; the pages beside the program serve then.
    return HelpPageUrl(LocateHelpFile(HelpFile, InstalledHelpCandidates()), context);
}

bool TMainWin::OpenWithDefaultHandler(const QUrl& url)
{
    const QString shown = url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toDisplayString();
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) {
        ui_->ErrorBox(QString::fromUtf8(kNoSuchFileToOpenMessage).arg(shown));
        return false;
    }
    if (ui_->OpenUrl(url)) return true;
    ui_->ErrorBox(QString::fromUtf8(kNoHandlerMessage).arg(shown));
    return false;
}
