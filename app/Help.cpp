// SPDX-License-Identifier: GPL-3.0-or-later
#include "Help.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

const TKV_HelpTopic* FindHelpTopic(int context)
{
    for (const TKV_HelpTopic& topic : kHelpTopics) {
        if (topic.Context == context) return &topic;
    }
    return nullptr;
}

QUrl HelpPageUrl(const QString& helpFile, int context)
{
    const QFileInfo first(helpFile);
    const TKV_HelpTopic* topic = FindHelpTopic(context);
    if (topic == nullptr) return QUrl::fromLocalFile(first.absoluteFilePath());
    QUrl url = QUrl::fromLocalFile(first.absoluteDir().filePath(QString::fromLatin1(topic->Page)));
    url.setFragment(QString::fromLatin1(topic->Anchor));
    return url;
}

QString LocateHelpFile(const QString& configured, const QStringList& candidates)
{
    if (!configured.isEmpty() && QFileInfo(configured).isFile()) return configured;
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile()) return candidate;
    }
    return configured;
}

QStringList InstalledHelpCandidates()
{
    const QString relative = QStringLiteral("kelvane/help/index.html");
    QStringList candidates = {
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/") + relative)};
    for (const QString& found : QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, relative)) {
        if (!candidates.contains(QDir::cleanPath(found))) candidates.append(QDir::cleanPath(found));
    }
    return candidates;
}
