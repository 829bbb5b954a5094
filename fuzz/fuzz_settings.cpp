// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file reader and writer on any bytes: every key and value the program reads, then a
// value written and read back.
#include "FuzzSupport.h"

#include "SettingsStore.h"

#include <QString>
#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::WriteInput("crypt file.ini", data, size);
    const QString file = QString::fromStdString(path);
    const QStringList keys = {QString(),
                              QStringLiteral("DefaultIcon"),
                              QStringLiteral("Settings\\MainWin"),
                              QStringLiteral("Settings\\Options"),
                              QStringLiteral("Settings\\MasterPass"),
                              QStringLiteral("Settings\\CoolBands\\1")};
    const QStringList names = {QString(),
                               QStringLiteral("Width"),
                               QStringLiteral("Method"),
                               QStringLiteral("Dir"),
                               QStringLiteral("ShowCry"),
                               QStringLiteral("Control")};
    {
        TKV_IniSettings reader(file);
        for (const QString& key : keys) {
            if (!reader.OpenKey(key)) continue;
            for (const QString& name : names) {
                qint32 number = 0;
                reader.ReadInteger(name, number);
                (void)reader.ReadString(name);
            }
            reader.CloseKey();
        }
    }
    // A value written with blanks at its ends and quotes in it comes back as it was, whatever the
    // file held around it.
    const QString value = QStringLiteral(" /home/u/my \"keys\"/xwords.001 ");
    bool written = false;
    {
        TKV_IniSettings writer(file);
        if (writer.OpenKey(QStringLiteral("Settings\\MasterPass"))) {
            written = writer.WriteString(QStringLiteral("Dir"), value);
            written = writer.CloseKey() && written;
        }
    }
    if (written) {
        TKV_IniSettings reader(file);
        if (!reader.OpenKey(QStringLiteral("Settings\\MasterPass"))) __builtin_trap();
        if (reader.ReadString(QStringLiteral("Dir")) != value) __builtin_trap();
    }
    return 0;
}
