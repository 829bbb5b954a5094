// SPDX-License-Identifier: GPL-3.0-or-later
// A password on the command line is gone from the process list once the program has read it.
#include "SecretArguments.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QtTest/QTest>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

constexpr char kChildMode[] = "KELVANE_SCRUB_CHILD";

// The child: scrubs its own arguments and prints what the process list shows of them.
int RunChild(int argc, char** argv)
{
    ScrubSecretArguments(argc, argv);
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string shown((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::fwrite(shown.data(), 1, shown.size(), stdout);
    return 0;
}

class ArgumentsTest : public QObject
{
    Q_OBJECT

private slots:
    void passwordsLeaveTheProcessList()
    {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kChildMode), QStringLiteral("1"));
        child.setProcessEnvironment(environment);
        const QStringList arguments = {QStringLiteral("/PASS:Secret123"), QStringLiteral("a.txt"),
                                       QStringLiteral("/masterpass:Master456"), QStringLiteral("/passage.txt")};
        child.start(QCoreApplication::applicationFilePath(), arguments);
        QVERIFY(child.waitForFinished(10000));
        const QByteArray shown = child.readAllStandardOutput();
        QVERIFY(!shown.contains("Secret123"));
        QVERIFY(!shown.contains("Master456"));
        // The switches themselves and the other arguments stay as they were.
        QVERIFY(shown.contains(QByteArray("/PASS:\0", 7)));
        QVERIFY(shown.contains(QByteArray("\0a.txt\0", 7)));
        QVERIFY(shown.contains(QByteArray("/masterpass:\0", 13)));
        QVERIFY(shown.contains("/passage.txt"));
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (std::getenv(kChildMode) != nullptr) return RunChild(argc, argv);
    QCoreApplication application(argc, argv);
    ArgumentsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_arguments.moc"
