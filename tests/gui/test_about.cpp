// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: its texts, the system's name and memory filled in, its layout and its keys.
#include "Forms.h"
#include "GuiTestSupport.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSysInfo>
#include <QtTest/QTest>

namespace {

// What the kernel reports as the physical memory, in kilobytes; 0 where there is no /proc/meminfo.
quint64 MemTotalKb()
{
    const QRegularExpression line(QStringLiteral("^MemTotal:\\s+(\\d+) kB$"), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(ReadFile(QStringLiteral("/proc/meminfo")));
    return match.hasMatch() ? match.captured(1).toULongLong() : 0;
}

} // namespace

class AboutTest : public QObject
{
    Q_OBJECT

private slots:
    void theLinesAreFilledFromTheSystem()
    {
        QTemporaryDir dir;
        const QString text = WithValue(DefaultSettingsText(), QStringLiteral("Settings\\Options"),
                                       QStringLiteral("ShowTIP"), QStringLiteral("0"));
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text));
        CreateForms(*window);
        QString os;
        QString memory;
        bool visible = false;
        ui.ExpectDialog(QStringLiteral("TAbout"), [&](QDialog& dialog) {
            auto& about = static_cast<TAbout&>(dialog);
            visible = about.isVisible();
            os = about.OSVersion_Label->text();
            memory = about.Memory_Label->text();
            QTest::mouseClick(about.Ok_Button, Qt::LeftButton);
            return about.result();
        });
        QAction* aboutItem = MenuItem(window.get(), QStringLiteral("&Help"), QStringLiteral("&About..."));
        QVERIFY(aboutItem != nullptr);
        aboutItem->trigger();
        QCOMPARE(ui.Pending(), 0);
        QVERIFY(visible);
        QVERIFY(!QSysInfo::prettyProductName().isEmpty());
        QVERIFY(os.startsWith(QSysInfo::prettyProductName()));
        QVERIFY(os.endsWith(QStringLiteral(", kernel ") + QSysInfo::kernelVersion()));
        QVERIFY2(QRegularExpression(QStringLiteral("^[1-9][0-9]*$")).match(memory).hasMatch(), qPrintable(memory));
#ifdef Q_OS_LINUX
        QCOMPARE(memory.toULongLong(), MemTotalKb());
#endif
    }

    void memoryInWholeKilobytes()
    {
        QCOMPARE(MemoryKbText(64ULL * 1024 * 1024), QStringLiteral("65536"));
        QCOMPARE(MemoryKbText(16ULL * 1024 * 1024 * 1024 + 1023), QStringLiteral("16777216"));
        QCOMPARE(MemoryKbText(1023), QString());
        QCOMPARE(MemoryKbText(0), QString());
        QVERIFY(TotalPhysicalMemory() > 0);
    }

    void textsAndLayout_data()
    {
        QTest::addColumn<QString>("os");
        QTest::newRow("short") << "Linux 6";
        QTest::newRow("long") << "Some Distribution GNU/Linux 12.4 (a long code name), kernel 6.1.0-99-generic-amd64";
    }

    void textsAndLayout()
    {
        QFETCH(QString, os);
        TAbout about;
        about.SetSystem(os, QStringLiteral("65536"));
        about.show();
        QCOMPARE(about.windowTitle(), QStringLiteral("About Kelvane 95"));
        QCOMPARE(about.Title_Label->text(), QStringLiteral("Kelvane 95 IDEA"));
        QVERIFY(about.Title_Label->font().bold());
        QVERIFY(about.Title_Label->font().italic());
        QVERIFY(about.Title_Label->font().pointSizeF() > about.Version_Label->font().pointSizeF());
        QCOMPARE(about.Version_Label->text(), QStringLiteral("Version 2.0"));
        QCOMPARE(about.OSCaption_Label->text(), QStringLiteral("OS version:"));
        QCOMPARE(about.MemoryCaption_Label->text(), QStringLiteral("Total memory , Kb:"));
        QCOMPARE(about.Ok_Button->text(), QStringLiteral("Ok"));
        QVERIFY(about.Ok_Button->isDefault());
        QCOMPARE(about.Program_Image->size(), QSize(64, 62));
        QCOMPARE(about.Rule_Bevel->frameShape(), QFrame::HLine);

        QCOMPARE(about.width(), about.Rule_Bevel->width() + 107);
        QCOMPARE(about.Info_Panel->height(), about.MemoryCaption_Label->y() + 32);
        QCOMPARE(about.Ok_Button->y(), about.Info_Panel->height() + 8);
        QCOMPARE(about.Ok_Button->x(), (about.width() - about.Ok_Button->width()) / 2);
        QCOMPARE(about.height(), about.Ok_Button->y() + about.Ok_Button->height() + 30);
        // Each value after its caption, and within the rule's reach.
        QCOMPARE(about.OSVersion_Label->text(), os);
        QVERIFY(about.OSVersion_Label->x() > about.OSCaption_Label->geometry().right());
        QCOMPARE(about.OSVersion_Label->y(), about.OSCaption_Label->y());
        QVERIFY(about.Memory_Label->x() > about.MemoryCaption_Label->geometry().right());
        QVERIFY(about.OSVersion_Label->geometry().right() <= about.Rule_Bevel->geometry().right());
        QVERIFY(about.OSVersion_Label->width() >= about.OSVersion_Label->sizeHint().width());
        QVERIFY(about.Rule_Bevel->geometry().right() < about.width());
    }

    void enterAndEscapeClose_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
    }

    void enterAndEscapeClose()
    {
        QFETCH(int, key);
        TAbout about;
        about.show();
        about.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        QCOMPARE(FocusName(), QStringLiteral("Ok_Button"));
        PressKey(&about, static_cast<Qt::Key>(key));
        QVERIFY(!about.isVisible());
    }
};

QTEST_MAIN(AboutTest)
#include "test_about.moc"
