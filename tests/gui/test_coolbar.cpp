// SPDX-License-Identifier: GPL-3.0-or-later
// The cool bar: placement of bands, moving them, and dragging them by their grips.
#include "CoolBar.h"

#include <QLabel>
#include <QSignalSpy>
#include <QtTest/QTest>

namespace {

// A bar of four named bands in two rows, as the window's design has them.
struct Bar
{
    TKV_CoolBar bar;
    QLabel* controls[4];

    Bar()
    {
        const char* names[] = {"A", "B", "C", "D"};
        const int widths[] = {405, 185, 185, 392};
        const bool breaks[] = {true, false, true, false};
        for (int i = 0; i < 4; ++i) {
            controls[i] = new QLabel(QString::fromLatin1(names[i]));
            controls[i]->setObjectName(QString::fromLatin1(names[i]));
            bar.AddBand(controls[i], breaks[i], widths[i]);
        }
        bar.resize(583, bar.sizeHint().height());
        bar.show();
    }

    QString Layout() const
    {
        QStringList rows;
        QString row;
        for (int i = 0; i < bar.BandCount(); ++i) {
            if (i > 0 && bar.BandBreak(i)) {
                rows.append(row);
                row.clear();
            }
            const QWidget* control = bar.BandControl(i);
            row += control != nullptr ? control->objectName() : QStringLiteral("-");
        }
        rows.append(row);
        return rows.join(QLatin1Char('/'));
    }
};

} // namespace

class CoolBarTest : public QObject
{
    Q_OBJECT

private slots:
    void placementInRows()
    {
        const TKV_CoolBandPlacement placed =
            PlaceCoolBands({{true, 405, 22}, {false, 185, 18}, {true, 185, 26}, {false, 392, 10}}, 583);
        QCOMPARE(placed.Rows, 2);
        QCOMPARE(placed.Bands[0], QRect(0, 0, 405, 22));
        QCOMPARE(placed.Bands[1], QRect(405, 0, 178, 22)); // the last band of a row reaches the edge
        QCOMPARE(placed.Bands[2], QRect(0, 22 + kCoolRowGap, 185, 26));
        QCOMPARE(placed.Bands[3], QRect(185, 22 + kCoolRowGap, 398, 26));
        QCOMPARE(placed.Height, 22 + kCoolRowGap + 26);
        QCOMPARE(placed.RowOf, std::vector<int>({0, 0, 1, 1}));
    }

    void bandsAreAtLeastTwentyHigh()
    {
        const TKV_CoolBandPlacement placed = PlaceCoolBands({{false, 100, 5}}, 300);
        QCOMPARE(placed.Bands[0].height(), kCoolBandMinHeight);
    }

    void aNarrowBarSqueezesTheBands()
    {
        const TKV_CoolBandPlacement placed =
            PlaceCoolBands({{false, 405, 20}, {false, 185, 20}, {false, 392, 20}}, 100);
        QCOMPARE(placed.Bands[0].width(), 100 - 2 * kCoolBandMinWidth);
        QCOMPARE(placed.Bands[1].width(), kCoolBandMinWidth);
        QCOMPARE(placed.Bands[2].width(), kCoolBandMinWidth);
    }

    void movingBandsBetweenRows()
    {
        Bar bar;
        QCOMPARE(bar.Layout(), QStringLiteral("AB/CD"));
        bar.bar.MoveBand(3, 0, 1);
        QCOMPARE(bar.Layout(), QStringLiteral("ADB/C"));
        bar.bar.MoveBand(0, bar.bar.RowCount(), 0);
        QCOMPARE(bar.Layout(), QStringLiteral("DB/C/A"));
        bar.bar.MoveBand(1, -1, 0);
        QCOMPARE(bar.Layout(), QStringLiteral("B/D/C/A"));
        bar.bar.MoveBand(2, 0, 5);
        QCOMPARE(bar.Layout(), QStringLiteral("BC/D/A"));
        QVERIFY(bar.bar.BandBreak(0));
        QCOMPARE(bar.bar.RowCount(), 3);
    }

    void aControlMovesOutOfItsEarlierBand()
    {
        Bar bar;
        bar.bar.SetBandControl(3, bar.controls[0]);
        QCOMPARE(bar.Layout(), QStringLiteral("-B/CA"));
        QCOMPARE(bar.bar.BandControl(0), nullptr);
        QVERIFY(bar.controls[3]->isHidden());
        QVERIFY(!bar.controls[0]->isHidden());
        QCOMPARE(bar.controls[0]->geometry().left(), bar.bar.BandRect(3).left() + kCoolBandGrip);
    }

    void draggingAGripOntoAnotherRow()
    {
        Bar bar;
        QSignalSpy resized(&bar.bar, &TKV_CoolBar::Resized);
        const QPoint grip = bar.bar.GripRect(3).center();
        const QPoint target(bar.bar.BandRect(0).left() + 5, bar.bar.BandRect(0).center().y());
        QTest::mousePress(&bar.bar, Qt::LeftButton, Qt::NoModifier, grip);
        QTest::mouseRelease(&bar.bar, Qt::LeftButton, Qt::NoModifier, target);
        QCOMPARE(bar.Layout(), QStringLiteral("DAB/C"));
    }

    void draggingAGripBelowOpensARow()
    {
        Bar bar;
        const int heightBefore = bar.bar.sizeHint().height();
        const QPoint grip = bar.bar.GripRect(1).center();
        QTest::mousePress(&bar.bar, Qt::LeftButton, Qt::NoModifier, grip);
        QTest::mouseRelease(&bar.bar, Qt::LeftButton, Qt::NoModifier, QPoint(10, bar.bar.height() + 5));
        QCOMPARE(bar.Layout(), QStringLiteral("A/CD/B"));
        QVERIFY(bar.bar.sizeHint().height() > heightBefore);
    }

    void draggingAGripSidewaysMovesTheBorder()
    {
        Bar bar;
        const QPoint grip = bar.bar.GripRect(1).center();
        QTest::mousePress(&bar.bar, Qt::LeftButton, Qt::NoModifier, grip);
        QTest::mouseRelease(&bar.bar, Qt::LeftButton, Qt::NoModifier, grip - QPoint(40, 0));
        QCOMPARE(bar.Layout(), QStringLiteral("AB/CD"));
        QCOMPARE(bar.bar.BandWidth(0), 365);
        QCOMPARE(bar.bar.BandRect(1).left(), 365);
    }

    void onlyTheGripStartsADrag()
    {
        Bar bar;
        const QPoint inside = bar.bar.BandRect(3).center();
        QTest::mousePress(&bar.bar, Qt::LeftButton, Qt::NoModifier, inside);
        QTest::mouseRelease(&bar.bar, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(bar.Layout(), QStringLiteral("AB/CD"));
    }
};

QTEST_MAIN(CoolBarTest)
#include "test_coolbar.moc"
