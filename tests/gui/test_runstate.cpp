// SPDX-License-Identifier: GPL-3.0-or-later
// The run state, the name list, the status line's frames and the layout arithmetic, without a window.
#include "Layout.h"
#include "StatusLine.h"
#include "TKV_DirCryptor.h"
#include "TKV_PrgState.h"

#include <QDir>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest/QTest>

namespace {

QList<int> LeadingSpaces(const QStringList& frames)
{
    QList<int> counts;
    for (const QString& frame : frames) {
        int n = 0;
        while (n < frame.size() && frame[n] == QLatin1Char(' '))
            ++n;
        counts.append(n);
    }
    return counts;
}

} // namespace

class RunStateTest : public QObject
{
    Q_OBJECT

private slots:
    void framesBounceInAndSettle()
    {
        const QString message = QStringLiteral("Encrypting file a.txt ...");
        const QStringList frames = StatusFrames(message);
        QCOMPARE(frames.size(), 9 + 7 + 5 + 3 + 1 + 1);
        const QList<int> expected = {4, 3, 2, 1, 0, 1, 2, 3, 4, 3, 2, 1, 0, 1, 2, 3, 2, 1, 0, 1, 2, 1, 0, 1, 0, 0};
        QCOMPARE(LeadingSpaces(frames), expected);
        for (const QString& frame : frames)
            QCOMPARE(frame.trimmed(), message);
        QCOMPARE(frames.back(), message);
        QCOMPARE(frames.front(), QStringLiteral("    ") + message);
    }

    void framesKeepTheMessagesOwnSpaces()
    {
        const QStringList frames = StatusFrames(QStringLiteral(" x "));
        QCOMPARE(frames.back(), QStringLiteral(" x "));
        QCOMPARE(frames.front(), QStringLiteral("     x "));
    }

    void framesOfAnEmptyMessage()
    {
        const QStringList frames = StatusFrames(QString());
        QCOMPARE(frames.size(), 26);
        QCOMPARE(frames.back(), QString());
        QCOMPARE(frames.front(), QStringLiteral("    "));
    }

    void prgStateStartValues()
    {
        TKV_PrgState state;
        QCOMPARE(state.Abort.load(), false);
        QCOMPARE(state.OpenCount, 0);
        QVERIFY(state.Busy.Empty());
        QCOMPARE(state.FirstEnter, true);
        QCOMPARE(state.SavePassword, false);
        QCOMPARE(state.ListsRaised, false);
        QCOMPARE(state.TargetExisted, false);
        QCOMPARE(state.DetailsComplete, true);
        QCOMPARE(static_cast<int>(state.OpenFiles.size()), 20);
        for (const TOpenFile& slot : state.OpenFiles) {
            QVERIFY(!slot.InUse);
            QVERIFY(!slot.Running);
            QVERIFY(slot.Process == nullptr);
            QVERIFY(slot.FileName.isEmpty());
        }
    }

    void busyIsOneBitEach()
    {
        QCOMPARE(int(psEncrypting), 1);
        QCOMPARE(int(psDecrypting), 2);
        QCOMPARE(int(psDirectory), 4);
        QCOMPARE(int(psDeleting), 8);
        TKV_BusySet busy;
        busy.Include(psDirectory);
        QVERIFY(busy.Contains(psDirectory));
        QVERIFY(!busy.HoldsOtherThan(psDirectory | psDeleting));
        busy.Include(psEncrypting);
        QCOMPARE(int(busy.Bits()), 5);
        QVERIFY(busy.HoldsOtherThan(psDirectory | psDeleting));
        busy.Exclude(psEncrypting);
        QCOMPARE(int(busy.Bits()), 4);
        busy.Assign(psEncrypting);
        QCOMPARE(int(busy.Bits()), 1);
        busy.Clear();
        QVERIFY(busy.Empty());
    }

    void readSelectionTakesSelectedNamesInListOrder()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));

        QStandardItemModel model(0, 2);
        for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
            model.appendRow({new QStandardItem(QString::fromLatin1(name)), new QStandardItem(QStringLiteral("1"))});
        QTreeView view;
        view.setModel(&model);
        view.setSelectionMode(QAbstractItemView::ExtendedSelection);
        view.setSelectionBehavior(QAbstractItemView::SelectRows);
        QItemSelectionModel* selection = view.selectionModel();
        selection->select(model.index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection->select(model.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

        TKV_DirCryptor cryptor;
        cryptor.Files = {QStringLiteral("stale")};
        cryptor.ReadSelection(view);
        QCOMPARE(cryptor.Files, QStringList({QStringLiteral("b.txt"), QStringLiteral("d.txt")}));
        QCOMPARE(QDir(cryptor.Directory).canonicalPath(), QDir(dir.path()).canonicalPath());
        QDir::setCurrent(previous);
    }

    void readSelectionWithNothingSelected()
    {
        QStandardItemModel model(0, 1);
        model.appendRow(new QStandardItem(QStringLiteral("a")));
        QTreeView view;
        view.setModel(&model);
        TKV_DirCryptor cryptor;
        cryptor.Files = {QStringLiteral("stale")};
        cryptor.ReadSelection(view);
        QVERIFY(cryptor.Files.isEmpty());
    }

    void gridLayoutIdle()
    {
        TKV_GridInput in;
        in.DirPanelWidth = 190;
        in.DirPanelHeight = 331;
        in.GridPanelWidth = 387;
        const TKV_GridLayout out = GridLayout(in);
        QCOMPARE(out.TreeHeight, 291);
        QCOMPARE(out.CryptedHeight, 130);
        QCOMPARE(out.PlainHeight, 131);
        QCOMPARE(out.CryptedTop + out.CryptedHeight, in.TreeTop + out.TreeHeight);
        QCOMPARE(out.ClosedImageTop, out.CryptedTop - 24);
        QCOMPARE(out.CryptedLabelTop, out.ClosedImageTop + 4);
        QCOMPARE(out.ProgressBar1Top, in.PlainTop + out.PlainHeight - in.BarHeight);
        QCOMPARE(out.ProgressBar2Top, out.CryptedTop + out.CryptedHeight - in.BarHeight);
        QCOMPARE(out.TreeWidth, 182);
        QCOMPARE(out.ListWidth, 375);
    }

    void gridLayoutBusy()
    {
        TKV_GridInput in;
        in.DirPanelHeight = 331;
        in.Busy = true;
        const TKV_GridLayout out = GridLayout(in);
        QCOMPARE(out.CryptedHeight, 116);
        QCOMPARE(out.CryptedTop + out.CryptedHeight, in.TreeTop + out.TreeHeight - 14);
        QCOMPARE(out.ProgressBar1Top, in.PlainTop + out.PlainHeight + 4);
        QCOMPARE(out.ProgressBar2Top, out.CryptedTop + out.CryptedHeight + 4);
        QCOMPARE(out.PlainHeight, 291 - 58 - 116);
    }

    void gridLayoutNarrow()
    {
        TKV_GridInput in;
        in.DirPanelWidth = 40;
        in.GridPanelWidth = 50;
        in.DirPanelHeight = 331;
        const TKV_GridLayout out = GridLayout(in);
        QCOMPARE(out.TreeWidth, 32);
        QCOMPARE(out.ListWidth, 38);
    }
};

QTEST_MAIN(RunStateTest)
#include "test_runstate.moc"
