// SPDX-License-Identifier: GPL-3.0-or-later
// A cool bar: bands in rows, each band a grip and at most one control. The user drags a band by its
// grip to another place in its row, to another row, or above or below all rows to open a new one;
// dragging a grip sideways without passing another band moves the border to the band on its left.
#pragma once

#include <QRect>
#include <QWidget>

#include <vector>

// What the placement needs to know of a band.
struct TKV_CoolBandSpec
{
    bool Break = false; // the band starts a new row
    int Width = 0;      // wished width, grip included
    int Height = 0;     // height its control wishes
};

struct TKV_CoolBandPlacement
{
    std::vector<QRect> Bands; // in bar coordinates, in band order
    std::vector<int> RowOf;   // row of each band, from 0
    int Rows = 0;
    int Height = 0;
};

inline constexpr int kCoolBandMinHeight = 20;
inline constexpr int kCoolBandGrip = 10;
inline constexpr int kCoolBandMinWidth = kCoolBandGrip + 10;
inline constexpr int kCoolRowGap = 2;

// Lays bands out in a bar `barWidth` wide: a row starts at the first band and at every band with
// Break; each band gets its wished width (no less than the minimum, and leaving the bands after it
// in the row their minimum), and the last band of a row reaches to the right edge. A row is as high
// as its highest band, at least kCoolBandMinHeight.
TKV_CoolBandPlacement PlaceCoolBands(const std::vector<TKV_CoolBandSpec>& bands, int barWidth);

class TKV_CoolBar : public QWidget
{
    Q_OBJECT

public:
    explicit TKV_CoolBar(QWidget* parent = nullptr);

    // Appends a band holding `control` (made a child of the bar; may be null).
    void AddBand(QWidget* control, bool breakBefore, int width);

    // Bands are counted from 0 here.
    int BandCount() const { return static_cast<int>(bands_.size()); }
    bool BandBreak(int band) const { return bands_.at(band).Break; }
    void SetBandBreak(int band, bool on);
    int BandWidth(int band) const { return bands_.at(band).Width; }
    void SetBandWidth(int band, int width);
    QWidget* BandControl(int band) const { return bands_.at(band).Control; }
    // Puts `control` (null for none) into the band. A band that held the control before is left
    // empty; a control left in no band is hidden.
    void SetBandControl(int band, QWidget* control);

    // Moves band `band` into row `row` at position `index` of that row (counted without the band
    // itself). Row -1 opens a new row above all others, row RowCount() one below. Afterwards every
    // row starts with a band that has Break set and no other band has it.
    void MoveBand(int band, int row, int index);
    int RowCount() const { return placement_.Rows; }
    int RowOf(int band) const { return placement_.RowOf.at(band); }
    QRect BandRect(int band) const { return placement_.Bands.at(band); }
    QRect GripRect(int band) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The bar changed its size, as when bands moved to a new row.
    void Resized();

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Band
    {
        QWidget* Control = nullptr;
        bool Break = false;
        int Width = 0;
    };

    std::vector<TKV_CoolBandSpec> Specs() const;
    void Relayout();
    void Drop(int band, QPoint from, QPoint to);

    std::vector<Band> bands_;
    TKV_CoolBandPlacement placement_;
    int dragBand_ = -1;
    QPoint dragStart_;
};
