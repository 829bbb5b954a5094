// SPDX-License-Identifier: GPL-3.0-or-later
// The INI settings store, the installed defaults and how the settings file is found.
#include "GuiTestSupport.h"
#include "SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest/QTest>

namespace {

const char kSample[] = "; a comment that must survive\n"
                       "[DefaultIcon]\n"
                       "@=/opt/kelvane/share/icon.svg\n"
                       "\n"
                       "[Settings\\Options]\n"
                       "OnePassword = 1\n"
                       "Expire=256\n"
                       "Negative=-7\n"
                       "Big=4294967295\n"
                       "TooBig=4294967296\n"
                       "Text=abc\n"
                       "Empty=\n"
                       "\n"
                       "[Settings\\MasterPass]\n"
                       "Dir=/home/user/pass words.db\n";

} // namespace

class SettingsStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void readsKeysAndValuesWithoutRegardToCase()
    {
        QTemporaryDir dir;
        const QString path = WriteFile(dir.filePath(QStringLiteral("s.ini")), QString::fromLatin1(kSample));
        TKV_IniSettings settings(path);
        QVERIFY(settings.OpenKey(QStringLiteral("\\crypt file\\settings\\OPTIONS")));
        qint32 value = 0;
        QVERIFY(settings.ReadInteger(QStringLiteral("onepassword"), value));
        QCOMPARE(value, 1);
        QVERIFY(settings.ReadInteger(QStringLiteral("Expire"), value));
        QCOMPARE(value, 256);
        QVERIFY(settings.ReadInteger(QStringLiteral("Negative"), value));
        QCOMPARE(value, -7);
        QVERIFY(settings.ReadInteger(QStringLiteral("Big"), value));
        QCOMPARE(value, -1);
        QVERIFY(!settings.ReadInteger(QStringLiteral("TooBig"), value));
        QVERIFY(!settings.ReadInteger(QStringLiteral("Text"), value));
        QVERIFY(!settings.ReadInteger(QStringLiteral("Empty"), value));
        QVERIFY(!settings.ReadInteger(QStringLiteral("Missing"), value));
        QCOMPARE(settings.ReadString(QStringLiteral("Missing")), QString());
        QCOMPARE(settings.ReadString(QStringLiteral("Text")), QStringLiteral("abc"));
        QVERIFY(settings.OpenKey(QStringLiteral("\\crypt file\\DefaultIcon")));
        QCOMPARE(settings.ReadString(QString()), QStringLiteral("/opt/kelvane/share/icon.svg"));
        QVERIFY(settings.OpenKey(QStringLiteral("\\crypt file\\Settings\\MasterPass")));
        QCOMPARE(settings.ReadString(QStringLiteral("Dir")), QStringLiteral("/home/user/pass words.db"));
    }

    void aMissingKeyDoesNotOpen()
    {
        QTemporaryDir dir;
        const QString path = WriteFile(dir.filePath(QStringLiteral("s.ini")), QString::fromLatin1(kSample));
        TKV_IniSettings settings(path);
        QVERIFY(!settings.OpenKey(QStringLiteral("\\crypt file\\Settings\\MainWin")));
        qint32 value = 0;
        QVERIFY(!settings.ReadInteger(QStringLiteral("Width"), value));
        QVERIFY(!settings.WriteInteger(QStringLiteral("Width"), 10));
        QVERIFY(!settings.OpenKey(QStringLiteral("\\other\\Settings\\Options")));
        QVERIFY(!settings.OpenKey(QStringLiteral("Settings\\Options")));
    }

    void writingKeepsTheRestOfTheFile()
    {
        QTemporaryDir dir;
        const QString path = WriteFile(dir.filePath(QStringLiteral("s.ini")), QString::fromLatin1(kSample));
        {
            TKV_IniSettings settings(path);
            QVERIFY(settings.OpenKey(QStringLiteral("\\crypt file\\Settings\\Options")));
            QVERIFY(settings.WriteInteger(QStringLiteral("Expire"), 5));
            QVERIFY(settings.WriteInteger(QStringLiteral("Method"), 4));
            QVERIFY(settings.OpenKey(QStringLiteral("\\crypt file\\Settings\\MasterPass")));
            QVERIFY(settings.WriteString(QStringLiteral("Dir"), QStringLiteral("C:\\xwords.001")));
            QVERIFY(!settings.OpenKey(QStringLiteral("\\crypt file\\Settings\\New")));
            QVERIFY(settings.CloseKey());
        }
        const QString text = ReadFile(path);
        QVERIFY(text.startsWith(QStringLiteral("; a comment that must survive\n[DefaultIcon]\n")));
        QVERIFY(text.contains(QStringLiteral("Expire=5\nNegative=-7\n")));
        QVERIFY(text.contains(QStringLiteral("Empty=\nMethod=4\n\n[Settings\\MasterPass]")));
        QVERIFY(text.contains(QStringLiteral("Dir=C:\\xwords.001\n")));
        QVERIFY(!text.contains(QStringLiteral("[Settings\\New]")));
        QCOMPARE(StoredInteger(path, QStringLiteral("Settings\\Options"), QStringLiteral("Method")), 4);
    }

    void valuesThatCannotBeStoredAreRefused()
    {
        QTemporaryDir dir;
        const QString path = WriteFile(dir.filePath(QStringLiteral("s.ini")), QString::fromLatin1(kSample));
        TKV_IniSettings settings(path);
        QVERIFY(settings.OpenKey(QStringLiteral("\\crypt file\\Settings\\MasterPass")));
        for (const QString& value : {QStringLiteral("two\nlines"), QStringLiteral("two\rlines"),
                                     QStringLiteral("nul") + QChar(0) + QStringLiteral("byte")})
            QVERIFY(!settings.WriteString(QStringLiteral("Dir"), value));
        QVERIFY(settings.CloseKey());
        QCOMPARE(ReadFile(path), QString::fromLatin1(kSample));
    }

    void valuesReadBackAsWritten_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("line");
        QTest::newRow("plain") << QStringLiteral("/home/u/db.key") << QStringLiteral("Dir=/home/u/db.key");
        QTest::newRow("blanks around") << QStringLiteral(" /home/u/db.key ")
                                       << QStringLiteral("Dir=\" /home/u/db.key \"");
        QTest::newRow("leading tab") << QStringLiteral("\tx") << QStringLiteral("Dir=\"\tx\"");
        QTest::newRow("only blanks") << QStringLiteral("   ") << QStringLiteral("Dir=\"   \"");
        QTest::newRow("quoted") << QStringLiteral("\"q\"") << QStringLiteral("Dir=\"\"q\"\"");
        QTest::newRow("two quotes") << QStringLiteral("\"\"") << QStringLiteral("Dir=\"\"\"\"");
        QTest::newRow("one quote") << QStringLiteral("\"") << QStringLiteral("Dir=\"");
        QTest::newRow("quotes inside") << QStringLiteral("a \"b\" c") << QStringLiteral("Dir=a \"b\" c");
        QTest::newRow("empty") << QString() << QStringLiteral("Dir=");
    }

    void valuesReadBackAsWritten()
    {
        QFETCH(QString, value);
        QFETCH(QString, line);
        QTemporaryDir dir;
        const QString path = WriteFile(dir.filePath(QStringLiteral("s.ini")), QString::fromLatin1(kSample));
        {
            TKV_IniSettings settings(path);
            QVERIFY(settings.OpenKey(QStringLiteral("\\crypt file\\Settings\\MasterPass")));
            QVERIFY(settings.WriteString(QStringLiteral("Dir"), value));
            QVERIFY(settings.CloseKey());
        }
        QVERIFY2(ReadFile(path).endsWith(QStringLiteral("[Settings\\MasterPass]\n") + line + QLatin1Char('\n')),
                 qPrintable(ReadFile(path)));
        QCOMPARE(StoredString(path, QStringLiteral("Settings\\MasterPass"), QStringLiteral("Dir")), value);
    }

    void quotesAroundAValueAreNotPartOfIt()
    {
        QTemporaryDir dir;
        const QString path = WriteFile(dir.filePath(QStringLiteral("s.ini")), QStringLiteral("[Settings\\Options]\n"
                                                                                             "Method = \"4\"\n"
                                                                                             "Padded=  \" a \"  \n"
                                                                                             "Open=\"a\n"
                                                                                             "Inner=a\"b\"\n"));
        TKV_IniSettings settings(path);
        QVERIFY(settings.OpenKey(QStringLiteral("\\crypt file\\Settings\\Options")));
        // Quoted is text: no integer, as a string value in the registry is none.
        qint32 method = 0;
        QVERIFY(!settings.ReadInteger(QStringLiteral("Method"), method));
        QCOMPARE(settings.ReadString(QStringLiteral("Method")), QStringLiteral("4"));
        QCOMPARE(settings.ReadString(QStringLiteral("Padded")), QStringLiteral(" a "));
        QCOMPARE(settings.ReadString(QStringLiteral("Open")), QStringLiteral("\"a"));
        QCOMPARE(settings.ReadString(QStringLiteral("Inner")), QStringLiteral("a\"b\""));
    }

    void aFileThatDoesNotExistIsNeverCreated()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("none.ini"));
        TKV_IniSettings settings(path);
        QVERIFY(!settings.OpenKey(QStringLiteral("\\crypt file\\Settings\\Options")));
        QVERIFY(settings.CloseKey());
        QVERIFY(!QFileInfo::exists(path));
    }

    void flagsCountTheLowestByteOnly()
    {
        QVERIFY(!SettingsFlag(0));
        QVERIFY(SettingsFlag(1));
        QVERIFY(!SettingsFlag(256));
        QVERIFY(SettingsFlag(257));
        QVERIFY(SettingsFlag(-1));
        QVERIFY(!SettingsFlag(0x7F00));
    }

    void helpFileBesideTheIcon()
    {
        QCOMPARE(HelpFileFromIcon(QStringLiteral("/usr/share/kelvane/crypt.svg")),
                 QStringLiteral("/usr/share/kelvane/help/index.html"));
        QCOMPARE(HelpFileFromIcon(QStringLiteral("C:\\Program Files\\Kelvane\\Kelvane.exe,0")),
                 QStringLiteral("C:\\Program Files\\Kelvane\\help\\index.html"));
        QCOMPARE(HelpFileFromIcon(QString()), QStringLiteral("help/index.html"));
    }

    void theNamedFileIsUsedAsItIs()
    {
        QTemporaryDir dir;
        const QString defaults = WriteFile(dir.filePath(QStringLiteral("defaults.ini")), QStringLiteral("[A]\n"));
        const QString named = dir.filePath(QStringLiteral("named.ini"));
        const QString user = dir.filePath(QStringLiteral("user/crypt file.ini"));
        QCOMPARE(ResolveSettingsFile(named, user, {defaults}), named);
        QVERIFY(!QFileInfo::exists(named));
        QVERIFY(!QFileInfo::exists(user));
    }

    void theFirstStartCopiesTheInstalledDefaults()
    {
        QTemporaryDir dir;
        const QString defaults = WriteFile(dir.filePath(QStringLiteral("defaults.ini")), QStringLiteral("[A]\nB=1\n"));
        QFile::setPermissions(defaults, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        const QString user = dir.filePath(QStringLiteral("config/kelvane/crypt file.ini"));
        const QString missing = dir.filePath(QStringLiteral("nowhere/crypt file.ini"));
        QCOMPARE(ResolveSettingsFile(QString(), user, {missing, defaults}), user);
        QCOMPARE(ReadFile(user), QStringLiteral("[A]\nB=1\n"));
        QVERIFY(QFileInfo(user).permissions() & QFileDevice::WriteOwner);
        // The second start keeps the user's own file.
        WriteFile(user, QStringLiteral("[A]\nB=2\n"));
        QCOMPARE(ResolveSettingsFile(QString(), user, {defaults}), user);
        QCOMPARE(ReadFile(user), QStringLiteral("[A]\nB=2\n"));
    }

    void withoutDefaultsTheUsersFileIsMissing()
    {
        QTemporaryDir dir;
        const QString user = dir.filePath(QStringLiteral("config/kelvane/crypt file.ini"));
        QCOMPARE(ResolveSettingsFile(QString(), user, {dir.filePath(QStringLiteral("none.ini"))}), user);
        QVERIFY(!QFileInfo::exists(user));
    }

    void whenTheCopyFailsTheDefaultsAreRead()
    {
        QTemporaryDir dir;
        const QString defaults = WriteFile(dir.filePath(QStringLiteral("defaults.ini")), QStringLiteral("[A]\n"));
        // A plain file where the user's folder should be: no folder can be made there.
        const QString blocker = WriteFile(dir.filePath(QStringLiteral("blocker")), QStringLiteral("x"));
        const QString user = blocker + QStringLiteral("/kelvane/crypt file.ini");
        QCOMPARE(ResolveSettingsFile(QString(), user, {defaults}), defaults);
    }

    void theShippedDefaultsHoldEveryKey()
    {
        QTemporaryDir dir;
        const QString text = DefaultSettingsText();
        QVERIFY(!text.isEmpty());
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text);
        TKV_IniSettings settings(path);
        qint32 value = 0;
        const QList<QPair<QString, QStringList>> integers = {
            {QStringLiteral("Settings\\MainWin"), {QStringLiteral("Width"), QStringLiteral("Height")}},
            {QStringLiteral("Settings\\ListView\\Source"),
             {QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Date"), QStringLiteral("Attributes"),
              QStringLiteral("FileType")}},
            {QStringLiteral("Settings\\ListView\\Crypted"),
             {QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Date"), QStringLiteral("Attributes"),
              QStringLiteral("EncryptedBy")}},
            {QStringLiteral("Settings\\CoolBands\\1"), {QStringLiteral("Break"), QStringLiteral("Width")}},
            {QStringLiteral("Settings\\CoolBands\\2"), {QStringLiteral("Break"), QStringLiteral("Width")}},
            {QStringLiteral("Settings\\CoolBands\\3"), {QStringLiteral("Break"), QStringLiteral("Width")}},
            {QStringLiteral("Settings\\CoolBands\\4"), {QStringLiteral("Break"), QStringLiteral("Width")}},
            {QStringLiteral("Settings\\Options"),
             {QStringLiteral("OnePassword"), QStringLiteral("Expire"), QStringLiteral("OnePerList"),
              QStringLiteral("ShowCry"), QStringLiteral("ShowTIP"), QStringLiteral("Method")}},
            {QStringLiteral("Settings\\MasterPass"),
             {QStringLiteral("Store"), QStringLiteral("Expires"), QStringLiteral("ExpTime")}},
        };
        for (const auto& [key, names] : integers) {
            QVERIFY2(settings.OpenKey(QStringLiteral("\\crypt file\\") + key), qPrintable(key));
            for (const QString& name : names)
                QVERIFY2(settings.ReadInteger(name, value), qPrintable(key + name));
        }
        QVERIFY(settings.OpenKey(QStringLiteral("\\crypt file\\Settings\\Options")));
        QVERIFY(settings.ReadInteger(QStringLiteral("Method"), value));
        QCOMPARE(value, 1);
        QVERIFY(settings.OpenKey(QStringLiteral("\\crypt file\\DefaultIcon")));
        QVERIFY(QFileInfo::exists(settings.ReadString(QString())));
    }
};

QTEST_MAIN(SettingsStoreTest)
#include "test_settingsstore.moc"
