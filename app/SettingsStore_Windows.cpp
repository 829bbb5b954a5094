// SPDX-License-Identifier: GPL-3.0-or-later
// The registry backend. Built on Windows only.
#include "SettingsStore.h"

#ifdef Q_OS_WIN

#include <QSettings>

namespace {

class TKV_RegistrySettings : public TKV_SettingsAccess
{
public:
    TKV_RegistrySettings() : settings_(QStringLiteral("HKEY_CLASSES_ROOT"), QSettings::NativeFormat) {}

    bool OpenKey(const QString& key) override
    {
        group_.clear();
        if (!key.startsWith(QLatin1Char('\\'))) return false;
        // Walk down so that a key is found only when it exists; QSettings would create it on write.
        const QStringList parts = key.mid(1).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
        QString path;
        for (const QString& part : parts) {
            settings_.beginGroup(path);
            const QStringList children = settings_.childGroups();
            settings_.endGroup();
            if (!children.contains(part, Qt::CaseInsensitive)) return false;
            path = path.isEmpty() ? part : path + QLatin1Char('/') + part;
        }
        group_ = path;
        return !group_.isEmpty();
    }

    bool ReadInteger(const QString& name, qint32& value) override
    {
        if (group_.isEmpty()) return false;
        const QVariant stored = settings_.value(Path(name));
        switch (stored.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            value = static_cast<qint32>(static_cast<quint32>(stored.toULongLong()));
            return true;
        default:
            return false; // missing, or a string where a double word belongs
        }
    }

    QString ReadString(const QString& name) override
    {
        if (group_.isEmpty()) return QString();
        const QVariant stored = settings_.value(Path(name));
        return stored.typeId() == QMetaType::QString ? stored.toString() : QString();
    }

    bool WriteInteger(const QString& name, qint32 value) override
    {
        if (group_.isEmpty()) return false;
        settings_.setValue(Path(name), value);
        return settings_.status() == QSettings::NoError;
    }

    bool WriteString(const QString& name, const QString& value) override
    {
        if (group_.isEmpty()) return false;
        settings_.setValue(Path(name), value);
        return settings_.status() == QSettings::NoError;
    }

    bool CloseKey() override
    {
        group_.clear();
        settings_.sync();
        return settings_.status() == QSettings::NoError;
    }

    QString Location() const override { return QStringLiteral("HKEY_CLASSES_ROOT\\crypt file"); }

private:
    QString Path(const QString& name) const
    {
        // QSettings reaches a key's unnamed value through the name "Default".
        return group_ + QLatin1Char('/') + (name.isEmpty() ? QStringLiteral("Default") : name);
    }

    QSettings settings_;
    QString group_;
};

} // namespace

std::unique_ptr<TKV_SettingsAccess> OpenRegistrySettings()
{
    return std::make_unique<TKV_RegistrySettings>();
}

#endif
