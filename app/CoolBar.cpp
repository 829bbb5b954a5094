// SPDX-License-Identifier: GPL-3.0-or-later
#include "CoolBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <qdrawutil.h>

#include <algorithm>

TKV_CoolBandPlacement PlaceCoolBands(const std::vector<TKV_CoolBandSpec>& bands, int barWidth)
{
    TKV_CoolBandPlacement placement;
    const int count = static_cast<int>(bands.size());
    int y = 0;
    int first = 0;
    while (first < count) {
        int end = first + 1;
        while (end < count && !bands[end].Break)
            ++end;
        int rowHeight = kCoolBandMinHeight;
        for (int i = first; i < end; ++i)
            rowHeight = std::max(rowHeight, bands[i].Height);
        int x = 0;
        for (int i = first; i < end; ++i) {
            const int after = end - 1 - i;
            int width;
            if (after == 0) {
                width = std::max(kCoolBandMinWidth, barWidth - x);
            } else {
                width = std::min(std::max(kCoolBandMinWidth, bands[i].Width), barWidth - x - after * kCoolBandMinWidth);
                width = std::max(kCoolBandMinWidth, width);
            }
            placement.Bands.emplace_back(x, y, width, rowHeight);
            placement.RowOf.push_back(placement.Rows);
            x += width;
        }
        ++placement.Rows;
        y += rowHeight + kCoolRowGap;
        first = end;
    }
    placement.Height = placement.Rows == 0 ? kCoolBandMinHeight : y - kCoolRowGap;
    return placement;
}

TKV_CoolBar::TKV_CoolBar(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TKV_CoolBar::AddBand(QWidget* control, bool breakBefore, int width)
{
    bands_.push_back(Band{nullptr, breakBefore, width});
    SetBandControl(BandCount() - 1, control);
}

void TKV_CoolBar::SetBandBreak(int band, bool on)
{
    bands_.at(band).Break = on;
    Relayout();
}

void TKV_CoolBar::SetBandWidth(int band, int width)
{
    bands_.at(band).Width = width;
    Relayout();
}

void TKV_CoolBar::SetBandControl(int band, QWidget* control)
{
    Band& target = bands_.at(band);
    if (target.Control == control) return;
    if (control != nullptr) {
        for (Band& other : bands_) {
            if (other.Control == control) other.Control = nullptr;
        }
        if (control->parentWidget() != this) control->setParent(this);
    }
    QWidget* previous = target.Control;
    target.Control = control;
    if (previous != nullptr) previous->hide();
    Relayout();
}

void TKV_CoolBar::MoveBand(int band, int row, int index)
{
    // Work on rows of bands, then flatten them back with Break on the first band of each row.
    std::vector<std::vector<Band>> rows;
    for (int i = 0; i < BandCount(); ++i) {
        if (i == 0 || bands_[i].Break) rows.emplace_back();
        if (i != band) rows.back().push_back(bands_[i]);
    }
    const Band moving = bands_.at(band);
    if (row < 0) {
        rows.insert(rows.begin(), std::vector<Band>{moving});
    } else if (row >= static_cast<int>(rows.size())) {
        rows.push_back({moving});
    } else {
        std::vector<Band>& target = rows[row];
        index = std::clamp(index, 0, static_cast<int>(target.size()));
        target.insert(target.begin() + index, moving);
    }
    bands_.clear();
    for (std::vector<Band>& bandsOfRow : rows) {
        for (std::size_t i = 0; i < bandsOfRow.size(); ++i) {
            bandsOfRow[i].Break = i == 0;
            bands_.push_back(bandsOfRow[i]);
        }
    }
    Relayout();
}

QRect TKV_CoolBar::GripRect(int band) const
{
    const QRect rect = BandRect(band);
    return {rect.left(), rect.top(), kCoolBandGrip, rect.height()};
}

std::vector<TKV_CoolBandSpec> TKV_CoolBar::Specs() const
{
    std::vector<TKV_CoolBandSpec> specs;
    for (const Band& band : bands_) {
        const int height = band.Control != nullptr ? band.Control->sizeHint().height() + 2 : 0;
        specs.push_back({band.Break, band.Width, height});
    }
    return specs;
}

void TKV_CoolBar::Relayout()
{
    const int oldHeight = placement_.Height;
    placement_ = PlaceCoolBands(Specs(), width());
    for (int i = 0; i < BandCount(); ++i) {
        QWidget* control = bands_[i].Control;
        if (control == nullptr) continue;
        control->setGeometry(placement_.Bands[i].adjusted(kCoolBandGrip, 1, -1, -1));
        control->show();
    }
    if (placement_.Height != oldHeight) updateGeometry();
    update();
}

QSize TKV_CoolBar::sizeHint() const
{
    int width = 0;
    int rowWidth = 0;
    for (int i = 0; i < BandCount(); ++i) {
        if (i == 0 || bands_[i].Break) rowWidth = 0;
        rowWidth += std::max(kCoolBandMinWidth, bands_[i].Width);
        width = std::max(width, rowWidth);
    }
    return {width, PlaceCoolBands(Specs(), width).Height};
}

QSize TKV_CoolBar::minimumSizeHint() const
{
    return {kCoolBandMinWidth, sizeHint().height()};
}

bool TKV_CoolBar::event(QEvent* event)
{
    // A control asking for another height.
    if (event->type() == QEvent::LayoutRequest) Relayout();
    return QWidget::event(event);
}

void TKV_CoolBar::resizeEvent(QResizeEvent*)
{
    Relayout();
    emit Resized();
}

void TKV_CoolBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (int i = 0; i < BandCount(); ++i) {
        qDrawShadePanel(&painter, BandRect(i), palette(), false, 1);
        QStyleOption grip;
        grip.initFrom(this);
        grip.rect = GripRect(i).adjusted(2, 2, -1, -2);
        grip.state |= QStyle::State_Horizontal;
        style()->drawPrimitive(QStyle::PE_IndicatorToolBarHandle, &grip, &painter, this);
    }
}

void TKV_CoolBar::mousePressEvent(QMouseEvent* event)
{
    dragBand_ = -1;
    if (event->button() != Qt::LeftButton) return;
    for (int i = 0; i < BandCount(); ++i) {
        if (GripRect(i).contains(event->position().toPoint())) {
            dragBand_ = i;
            dragStart_ = event->position().toPoint();
            setCursor(Qt::SizeAllCursor);
            return;
        }
    }
}

void TKV_CoolBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || dragBand_ < 0) return;
    unsetCursor();
    const int band = dragBand_;
    dragBand_ = -1;
    Drop(band, dragStart_, event->position().toPoint());
}

void TKV_CoolBar::Drop(int band, QPoint from, QPoint to)
{
    if (to.y() < 0) {
        MoveBand(band, -1, 0);
        return;
    }
    if (to.y() >= placement_.Height) {
        MoveBand(band, RowCount(), 0);
        return;
    }
    int row = 0;
    for (int i = 0; i < BandCount(); ++i) {
        if (to.y() >= BandRect(i).top() && to.y() <= BandRect(i).bottom() + kCoolRowGap) row = RowOf(i);
    }
    // Position among the other bands of the row: before the first whose middle lies right of the drop.
    std::vector<int> others;
    for (int i = 0; i < BandCount(); ++i) {
        if (i != band && RowOf(i) == row) others.push_back(i);
    }
    int index = static_cast<int>(others.size());
    for (int k = 0; k < static_cast<int>(others.size()); ++k) {
        if (to.x() < BandRect(others[k]).center().x()) {
            index = k;
            break;
        }
    }
    const bool sameRow = RowOf(band) == row;
    int ownIndex = 0;
    for (int i = 0; i < band; ++i) {
        if (RowOf(i) == row) ++ownIndex;
    }
    if (sameRow && index == ownIndex) {
        // Not past another band: the grip moves the border to the band on the left.
        if (ownIndex > 0) {
            const int left = band - 1;
            bands_[left].Width = std::max(kCoolBandMinWidth, BandRect(left).width() + (to.x() - from.x()));
            Relayout();
        }
        return;
    }
    MoveBand(band, row, index);
}
