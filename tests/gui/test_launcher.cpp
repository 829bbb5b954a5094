// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop launcher against a desktop of its own: XDG folders in a temporary folder, desktop
// entries whose programs are small scripts recording their arguments, and a fake `lp`.
#include "AppLauncher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest/QTest>

namespace {

using FileList = QList<QPair<QString, QString>>; // path below the fake root, content

// Generous: only a child process that never ends makes a test wait this long.
constexpr int kChildWaitMs = 30000;

} // namespace

class LauncherTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir root_;
    QByteArray originalPath_;

    QString At(const QString& relative) const { return root_.filePath(relative); }

    void Write(const QString& relative, const QByteArray& content, bool executable = false)
    {
        const QString path = At(relative);
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(content), content.size());
        file.close();
        if (executable) QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
    }

    // A desktop entry in the system applications folder (or `folder`) running `exec`.
    void Entry(const QString& id, const QString& exec, const QString& extra = QString(),
               const QString& folder = QStringLiteral("sys/applications"))
    {
        Write(
            folder + QLatin1Char('/') + id,
            QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\n%3\n").arg(id, exec, extra).toUtf8());
    }

    // What the recording script wrote for `tag`: one argument per line.
    QStringList Recorded(const QString& name) const
    {
        QFile file(At(QStringLiteral("out/") + name));
        if (!file.open(QIODevice::ReadOnly)) return {QStringLiteral("<nothing recorded>")};
        QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
        return lines;
    }

    static void WaitForEnd(QProcess* process)
    {
        QVERIFY(process);
        QVERIFY(process->state() == QProcess::NotRunning || process->waitForFinished(kChildWaitMs));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 0);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(root_.isValid());
        // The system's MIME database under the fake data folder, so that file types are known while
        // the only applications are the test's own.
        QVERIFY(QDir().mkpath(At(QStringLiteral("sys"))));
        QVERIFY(QFile::link(QStringLiteral("/usr/share/mime"), At(QStringLiteral("sys/mime"))));
        qputenv("XDG_DATA_HOME", At(QStringLiteral("home")).toUtf8());
        qputenv("XDG_DATA_DIRS", At(QStringLiteral("sys")).toUtf8());
        qputenv("XDG_CONFIG_HOME", At(QStringLiteral("config")).toUtf8());
        qputenv("XDG_CONFIG_DIRS", At(QStringLiteral("etc")).toUtf8());
        qputenv("XDG_CURRENT_DESKTOP", "Other:TestDesk");
        originalPath_ = qgetenv("PATH");
    }

    void init()
    {
        for (const char* folder : {"home", "sys/applications", "config", "etc", "bin", "out", "docs"})
            QVERIFY(QDir(At(QLatin1String(folder))).removeRecursively());
        QVERIFY(QDir().mkpath(At(QStringLiteral("out"))));
        qputenv("PATH", At(QStringLiteral("bin")).toUtf8() + ':' + originalPath_);
        const QByteArray out = At(QStringLiteral("out")).toUtf8();
        Write(QStringLiteral("bin/record"),
              "#!/bin/sh\ntag=\"$1\"\nshift\npwd > '" + out + "'/\"$tag.cwd\"\nprintf '%s\\n' \"$@\" > '" + out +
                  "'/\"$tag.args\"\n[ \"$tag\" = slow ] && sleep 1\nexit 0\n",
              true);
        Write(QStringLiteral("bin/lp"),
              "#!/bin/sh\npwd > '" + out + "/lp.cwd'\nprintf '%s\\n' \"$@\" > '" + out + "/lp.args'\n", true);
    }

    void cleanup() { qputenv("PATH", originalPath_); }

    void execLines_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("expected");
        const QString f = QStringLiteral("/tmp/my notes.txt");
        const QString url = QStringLiteral("file:///tmp/my%20notes.txt");
        QTest::newRow("%f") << "edit %f" << f << QStringList{"edit", f};
        QTest::newRow("%F") << "edit --new %F" << f << QStringList{"edit", "--new", f};
        QTest::newRow("%u") << "edit %u" << f << QStringList{"edit", url};
        QTest::newRow("%U") << "edit %U --x" << f << QStringList{"edit", url, "--x"};
        QTest::newRow("no field code: file appended")
            << "edit --new-window" << f << QStringList{"edit", "--new-window", f};
        QTest::newRow("file inside an argument") << "edit --file=%f" << f << QStringList{"edit", "--file=" + f};
        QTest::newRow("%%") << "edit 100%% %f" << f << QStringList{"edit", "100%", f};
        QTest::newRow("%%f is no field code") << "edit %%f" << f << QStringList{"edit", "%f", f};
        QTest::newRow("deprecated codes dropped") << "edit %d %D %n %N %v %m %f" << f << QStringList{"edit", f};
        QTest::newRow("%c %k") << "edit --title %c --entry=%k %f" << f
                               << QStringList{"edit", "--title", "Editor", "--entry=/apps/ed.desktop", f};
        QTest::newRow("%i") << "edit %i %f" << f << QStringList{"edit", "--icon", "ed-icon", f};
        QTest::newRow("quoted program and argument") << "\"/opt/my editor/bin/edit\" \"--title=a b\" %f" << f
                                                     << QStringList{"/opt/my editor/bin/edit", "--title=a b", f};
        QTest::newRow("escapes inside quotes") << "edit \"a\\\"b\" \"c\\$d\" \"e\\\\\\\\f\" \"g\\`h\" %f" << f
                                               << QStringList{"edit", "a\"b", "c$d", "e\\f", "g`h", f};
        // String escapes come first: \s is a blank, splitting unless quoted.
        QTest::newRow("string escape \\s") << "edit a\\sb \"c\\sd\" %f" << f << QStringList{"edit", "a", "b", "c d", f};
        QTest::newRow("empty quoted argument kept") << "edit \"\" %f" << f << QStringList{"edit", "", f};
        QTest::newRow("blanks around") << "  edit   %f  " << f << QStringList{"edit", f};
        QTest::newRow("single quotes literal")
            << "sh -c 'exec edit \"$0\"' %f" << f << QStringList{"sh", "-c", "exec edit \"$0\"", f};
        QTest::newRow("file name with quotes and $ passes as it is")
            << "edit %f"
            << "/tmp/it's \"$HOME\".txt" << QStringList{"edit", "/tmp/it's \"$HOME\".txt"};
        QTest::newRow("open quote") << "edit \"abc %f" << f << QStringList{};
        QTest::newRow("empty") << "" << f << QStringList{};
        QTest::newRow("only a dropped code") << "%d" << f << QStringList{};
    }

    void execLines()
    {
        QFETCH(QString, exec);
        QFETCH(QString, file);
        QFETCH(QStringList, expected);
        QCOMPARE(ExpandDesktopExec(exec, file, QStringLiteral("Editor"), QStringLiteral("ed-icon"),
                                   QStringLiteral("/apps/ed.desktop")),
                 expected);
    }

    void iconCodeWithoutIconGivesNothing()
    {
        QCOMPARE(ExpandDesktopExec(QStringLiteral("edit %i %f"), QStringLiteral("/a")),
                 (QStringList{QStringLiteral("edit"), QStringLiteral("/a")}));
    }

    // Which entry opens a type, given the entries and mimeapps.list files of a row. Every row has
    // alpha and beta claiming text/plain through MimeType and gamma claiming nothing.
    void chosenEntry_data()
    {
        QTest::addColumn<QString>("mimeType");
        QTest::addColumn<FileList>("files");
        QTest::addColumn<QString>("expected");
        const QString def = QStringLiteral("[Default Applications]\ntext/plain=%1\n");
        const QString added = QStringLiteral("[Added Associations]\ntext/plain=%1\n");
        const QString removed = QStringLiteral("[Removed Associations]\ntext/plain=%1\n");
        QTest::newRow("MimeType only") << "text/plain" << FileList{} << "sys/applications/alpha.desktop";
        QTest::newRow("user default") << "text/plain" << FileList{{"config/mimeapps.list", def.arg("beta.desktop")}}
                                      << "sys/applications/beta.desktop";
        QTest::newRow("default not installed: next in the list")
            << "text/plain" << FileList{{"config/mimeapps.list", def.arg("missing.desktop;gamma.desktop;")}}
            << "sys/applications/gamma.desktop";
        QTest::newRow("user config over system config") << "text/plain"
                                                        << FileList{{"config/mimeapps.list", def.arg("beta.desktop")},
                                                                    {"etc/mimeapps.list", def.arg("gamma.desktop")}}
                                                        << "sys/applications/beta.desktop";
        QTest::newRow("system config over data folders")
            << "text/plain"
            << FileList{{"home/applications/mimeapps.list", def.arg("beta.desktop")},
                        {"etc/mimeapps.list", def.arg("gamma.desktop")}}
            << "sys/applications/gamma.desktop";
        QTest::newRow("system data folder list")
            << "text/plain" << FileList{{"sys/applications/mimeapps.list", def.arg("gamma.desktop")}}
            << "sys/applications/gamma.desktop";
        QTest::newRow("desktop's own list first")
            << "text/plain"
            << FileList{{"config/mimeapps.list", def.arg("beta.desktop")},
                        {"config/testdesk-mimeapps.list", def.arg("gamma.desktop")}}
            << "sys/applications/gamma.desktop";
        QTest::newRow("added association before MimeType")
            << "text/plain" << FileList{{"config/mimeapps.list", added.arg("gamma.desktop")}}
            << "sys/applications/gamma.desktop";
        QTest::newRow("removed association")
            << "text/plain" << FileList{{"config/mimeapps.list", removed.arg("alpha.desktop")}}
            << "sys/applications/beta.desktop";
        QTest::newRow("removal covers lists of lower precedence")
            << "text/plain"
            << FileList{{"config/mimeapps.list", removed.arg("gamma.desktop")},
                        {"etc/mimeapps.list", added.arg("gamma.desktop")}}
            << "sys/applications/alpha.desktop";
        QTest::newRow("removal does not cover lists of higher precedence")
            << "text/plain"
            << FileList{{"config/mimeapps.list", added.arg("gamma.desktop")},
                        {"etc/mimeapps.list", removed.arg("gamma.desktop")}}
            << "sys/applications/gamma.desktop";
        QTest::newRow("deleted (Hidden) entry of the user masks the system's")
            << "text/plain"
            << FileList{{"home/applications/alpha.desktop",
                         "[Desktop Entry]\nType=Application\nExec=gone %f\nMimeType=text/plain;\nHidden=true\n"}}
            << "sys/applications/beta.desktop";
        QTest::newRow("user entry over system entry of the same ID")
            << "text/plain"
            << FileList{{"home/applications/alpha.desktop",
                         "[Desktop Entry]\nType=Application\nExec=mine %f\nMimeType=text/plain;\n"}}
            << "home/applications/alpha.desktop";
        QTest::newRow("NoDisplay entry is a valid default")
            << "text/plain"
            << FileList{{"sys/applications/quiet.desktop",
                         "[Desktop Entry]\nType=Application\nExec=q %f\nNoDisplay=true\n"},
                        {"config/mimeapps.list", def.arg("quiet.desktop")}}
            << "sys/applications/quiet.desktop";
        QTest::newRow("TryExec not found")
            << "text/plain"
            << FileList{{"sys/applications/gone.desktop",
                         "[Desktop Entry]\nType=Application\nExec=g %f\nTryExec=/no/such/program\n"},
                        {"config/mimeapps.list", def.arg("gone.desktop")}}
            << "sys/applications/alpha.desktop";
        QTest::newRow("TryExec found") << "text/plain"
                                       << FileList{{"sys/applications/here.desktop",
                                                    "[Desktop Entry]\nType=Application\nExec=h %f\nTryExec=sh\n"},
                                                   {"config/mimeapps.list", def.arg("here.desktop")}}
                                       << "sys/applications/here.desktop";
        QTest::newRow("entry in a subfolder by its ID")
            << "text/plain"
            << FileList{{"sys/applications/vendor/tool.desktop", "[Desktop Entry]\nType=Application\nExec=t %f\n"},
                        {"config/mimeapps.list", def.arg("vendor-tool.desktop")}}
            << "sys/applications/vendor/tool.desktop";
        QTest::newRow("not an application")
            << "text/plain"
            << FileList{{"sys/applications/link.desktop", "[Desktop Entry]\nType=Link\nURL=https://example.org\n"},
                        {"config/mimeapps.list", def.arg("link.desktop")}}
            << "sys/applications/alpha.desktop";
        QTest::newRow("the program's own entry is never the opener")
            << "text/plain"
            << FileList{{"sys/applications/kelvane.desktop",
                         "[Desktop Entry]\nType=Application\nExec=kelvane /open %F\nMimeType=text/plain;\n"},
                        {"sys/applications/other.desktop",
                         "[Desktop Entry]\nType=Application\nExec=/usr/local/bin/kelvane %F\nMimeType=text/plain;\n"},
                        {"config/mimeapps.list", def.arg("kelvane.desktop;other.desktop")}}
            << "sys/applications/alpha.desktop";
        QTest::newRow("parent type's default")
            << "text/x-csrc" << FileList{{"config/mimeapps.list", def.arg("gamma.desktop")}}
            << "sys/applications/gamma.desktop";
        QTest::newRow("parent type's MimeType") << "text/x-csrc" << FileList{} << "sys/applications/alpha.desktop";
        QTest::newRow("the type's own association before the parent's default")
            << "text/x-csrc"
            << FileList{{"config/mimeapps.list",
                         "[Default Applications]\ntext/x-csrc=beta.desktop\ntext/plain=gamma.desktop\n"}}
            << "sys/applications/beta.desktop";
        QTest::newRow("ancestor of a type that is no text")
            << "image/svg+xml"
            << FileList{{"sys/applications/xml.desktop",
                         "[Desktop Entry]\nType=Application\nExec=x %f\nMimeType=application/xml;\n"}}
            << "sys/applications/xml.desktop";
        QTest::newRow("nothing for the type") << "image/png" << FileList{} << "";
    }

    void chosenEntry()
    {
        QFETCH(QString, mimeType);
        QFETCH(FileList, files);
        QFETCH(QString, expected);
        Entry(QStringLiteral("alpha.desktop"), QStringLiteral("a %f"), QStringLiteral("MimeType=text/plain;"));
        Entry(QStringLiteral("beta.desktop"), QStringLiteral("b %f"), QStringLiteral("MimeType=text/plain;"));
        Entry(QStringLiteral("gamma.desktop"), QStringLiteral("c %f"));
        for (const auto& [path, content] : files)
            Write(path, content.toUtf8());
        const QString chosen = DefaultDesktopEntry(mimeType);
        QCOMPARE(chosen.isEmpty() ? QString() : QDir(root_.path()).relativeFilePath(chosen), expected);
    }

    void openStartsTheDefaultApplicationOnTheFile()
    {
        Entry(QStringLiteral("slow.desktop"), QStringLiteral("record slow --name %c %f"));
        Entry(QStringLiteral("quick.desktop"), QStringLiteral("record quick %f"),
              QStringLiteral("MimeType=text/plain;"));
        Write(QStringLiteral("config/mimeapps.list"), "[Default Applications]\ntext/plain=slow.desktop\n");
        Write(QStringLiteral("docs/my notes.txt"), "hello\n");
        const QString file = At(QStringLiteral("docs/my notes.txt"));

        QObject parent;
        const TKV_Launch launch = MakeDesktopLauncher()->Launch(file, QStringLiteral("open"), &parent);
        QCOMPARE(launch.Error, QString());
        QVERIFY(launch.Process);
        QCOMPARE(launch.Process->parent(), &parent);
        // The application sleeps before it ends: the handle shows it running.
        QCOMPARE(launch.Process->state(), QProcess::Running);
        WaitForEnd(launch.Process);
        QCOMPARE(Recorded(QStringLiteral("slow.args")), (QStringList{QStringLiteral("--name"), "slow.desktop", file}));
        QCOMPARE(Recorded(QStringLiteral("slow.cwd")), QStringList{At(QStringLiteral("docs"))});
        QVERIFY(!QFile::exists(At(QStringLiteral("out/quick.args"))));
    }

    void anApplicationThatEndsAtOnceStillGivesItsProcess()
    {
        Entry(QStringLiteral("quick.desktop"), QStringLiteral("record quick %U"),
              QStringLiteral("MimeType=text/plain;"));
        Write(QStringLiteral("docs/a.txt"), "hello\n");
        const QString file = At(QStringLiteral("docs/a.txt"));

        QObject parent;
        const TKV_Launch launch = MakeDesktopLauncher()->Launch(file, QStringLiteral("open"), &parent);
        QCOMPARE(launch.Error, QString());
        WaitForEnd(launch.Process);
        QCOMPARE(Recorded(QStringLiteral("quick.args")), QStringList{"file://" + file});
    }

    void aTerminalProgramRunsInTheTerminal()
    {
        Write(QStringLiteral("bin/x-terminal-emulator"), "#!/bin/sh\nexec record term \"$@\"\n", true);
        Entry(QStringLiteral("console.desktop"), QStringLiteral("no-such-console-editor %f"),
              QStringLiteral("Terminal=true\nMimeType=text/plain;"));
        Write(QStringLiteral("docs/a.txt"), "hello\n");
        const QString file = At(QStringLiteral("docs/a.txt"));

        QObject parent;
        const TKV_Launch launch = MakeDesktopLauncher()->Launch(file, QStringLiteral("open"), &parent);
        QCOMPARE(launch.Error, QString());
        WaitForEnd(launch.Process);
        QCOMPARE(Recorded(QStringLiteral("term.args")),
                 (QStringList{QStringLiteral("-e"), QStringLiteral("no-such-console-editor"), file}));
    }

    void aTerminalProgramWithoutATerminalIsPassedOver()
    {
        // Only the test's own folder, where no terminal emulator is yet.
        qputenv("PATH", At(QStringLiteral("bin")).toUtf8());
        Entry(QStringLiteral("alpha.desktop"), QStringLiteral("a %f"), QStringLiteral("MimeType=text/plain;"));
        Entry(QStringLiteral("console.desktop"), QStringLiteral("ed %f"), QStringLiteral("Terminal=true"));
        Write(QStringLiteral("config/mimeapps.list"), "[Default Applications]\ntext/plain=console.desktop\n");
        QCOMPARE(QFileInfo(DefaultDesktopEntry(QStringLiteral("text/plain"))).fileName(),
                 QStringLiteral("alpha.desktop"));
        Write(QStringLiteral("bin/x-terminal-emulator"), "#!/bin/sh\n", true);
        QCOMPARE(QFileInfo(DefaultDesktopEntry(QStringLiteral("text/plain"))).fileName(),
                 QStringLiteral("console.desktop"));
    }

    void aProgramThatDoesNotExistIsAnError()
    {
        Entry(QStringLiteral("broken.desktop"), QStringLiteral("/no/such/folder/editor %f"),
              QStringLiteral("MimeType=text/plain;"));
        Write(QStringLiteral("docs/a.txt"), "hello\n");

        QObject parent;
        const TKV_Launch launch =
            MakeDesktopLauncher()->Launch(At(QStringLiteral("docs/a.txt")), QStringLiteral("open"), &parent);
        QVERIFY(!launch.Process);
        QVERIFY(!launch.Error.isEmpty());
        QVERIFY(parent.findChildren<QProcess*>().isEmpty());
    }

    void noApplicationIsAnError()
    {
        Entry(QStringLiteral("images.desktop"), QStringLiteral("record img %f"), QStringLiteral("MimeType=image/png;"));
        Write(QStringLiteral("docs/a.txt"), "hello\n");

        QObject parent;
        const TKV_Launch launch =
            MakeDesktopLauncher()->Launch(At(QStringLiteral("docs/a.txt")), QStringLiteral("open"), &parent);
        QVERIFY(!launch.Process);
        QVERIFY(!launch.Error.isEmpty());
        QVERIFY(parent.findChildren<QProcess*>().isEmpty());
    }

    void printSendsPrintableTypesToLp_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text") << "notes.txt" << QByteArray("hello\n");
        QTest::newRow("C source, a text type") << "main.c" << QByteArray("int main(void) { return 0; }\n");
        QTest::newRow("PDF") << "doc.pdf" << QByteArray("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
        QTest::newRow("PostScript") << "page.ps" << QByteArray("%!PS-Adobe-3.0\nshowpage\n");
        QTest::newRow("PNG") << "pic.png" << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
        QTest::newRow("name beginning with a dash") << "-n 5.txt" << QByteArray("hello\n");
    }

    void printSendsPrintableTypesToLp()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        Write(QStringLiteral("docs/") + name, content);
        const QString file = At(QStringLiteral("docs/") + name);

        QObject parent;
        const TKV_Launch launch = MakeDesktopLauncher()->Launch(file, QStringLiteral("print"), &parent);
        QCOMPARE(launch.Error, QString());
        WaitForEnd(launch.Process);
        QCOMPARE(Recorded(QStringLiteral("lp.args")), (QStringList{QStringLiteral("--"), file}));
        QCOMPARE(Recorded(QStringLiteral("lp.cwd")), QStringList{At(QStringLiteral("docs"))});
    }

    void printOfAnUnprintableTypeIsAnError_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("binary data") << "data.bin" << QByteArray("\0\1\2\3\xff\xfe", 6);
        QTest::newRow("ZIP archive") << "a.zip" << QByteArray("PK\3\4\24\0\0\0\0\0", 10);
    }

    void printOfAnUnprintableTypeIsAnError()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        Write(QStringLiteral("docs/") + name, content);

        QObject parent;
        const TKV_Launch launch =
            MakeDesktopLauncher()->Launch(At(QStringLiteral("docs/") + name), QStringLiteral("print"), &parent);
        QVERIFY(!launch.Process);
        QVERIFY(!launch.Error.isEmpty());
        QVERIFY(!QFile::exists(At(QStringLiteral("out/lp.args"))));
    }

    void printWithoutLpIsAnError()
    {
        QVERIFY(QFile::remove(At(QStringLiteral("bin/lp"))));
        // Only the test's own folder, where no lp is.
        qputenv("PATH", At(QStringLiteral("bin")).toUtf8());
        Write(QStringLiteral("docs/a.txt"), "hello\n");

        QObject parent;
        const TKV_Launch launch =
            MakeDesktopLauncher()->Launch(At(QStringLiteral("docs/a.txt")), QStringLiteral("print"), &parent);
        QVERIFY(!launch.Process);
        QVERIFY(!launch.Error.isEmpty());
    }
};

QTEST_MAIN(LauncherTest)
#include "test_launcher.moc"
