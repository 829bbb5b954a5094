// SPDX-License-Identifier: GPL-3.0-or-later
#include "Launch.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSaveFile>

QString ForwardingPageText(const QUrl& target)
{
    const QString address = target.toString(QUrl::FullyEncoded).toHtmlEscaped();
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
                          "<meta http-equiv=\"refresh\" content=\"0; url=%1\">\n"
                          "<title>Kelvane</title></head>\n"
                          "<body><p><a href=\"%1\">%2</a></p></body></html>\n")
        .arg(address, target.toDisplayString().toHtmlEscaped());
}

QUrl AddressForLauncher(const QUrl& url, const QString& folder)
{
    if (!url.isLocalFile() || !url.hasFragment() || folder.isEmpty()) return url;
    // Named after the address, so that two launches close together never hand over each other's page.
    const QByteArray digest =
        QCryptographicHash::hash(url.toString(QUrl::FullyEncoded).toUtf8(), QCryptographicHash::Sha1).toHex();
    const QString path =
        QDir(folder).filePath(QStringLiteral("open-") + QString::fromLatin1(digest.left(16)) + QStringLiteral(".html"));
    if (!QDir().mkpath(folder)) return url;
    QSaveFile page(path);
    if (!page.open(QIODevice::WriteOnly)) return url;
    page.write(ForwardingPageText(url).toUtf8());
    if (!page.commit()) return url;
    return QUrl::fromLocalFile(path);
}
