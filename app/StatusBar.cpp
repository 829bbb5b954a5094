// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusBar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <qdrawutil.h>

#include <algorithm>

namespace {
constexpr int kDefaultPanelWidth = 100;
constexpr int kTextIndent = 4;
constexpr int kMinHeight = 20;
} // namespace

TKV_StatusBar::TKV_StatusBar(int panels, QWidget* parent) : QWidget(parent)
{
    for (int i = 0; i < panels; ++i) {
        texts_.append(QString());
        widths_.append(kDefaultPanelWidth);
    }
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TKV_StatusBar::SetPanelText(int panel, const QString& text)
{
    if (panel < 0 || panel >= PanelCount()) return;
    texts_[panel] = text;
    if (showTips_) setToolTip(text.trimmed());
    update();
    emit PanelTextSet(panel, text);
}

void TKV_StatusBar::SetPanelWidth(int panel, int width)
{
    if (panel < 0 || panel >= PanelCount()) return;
    widths_[panel] = std::max(0, width);
    updateGeometry();
    update();
}

QSize TKV_StatusBar::sizeHint() const
{
    int width = 0;
    for (int w : widths_)
        width += w;
    return {width, std::max(kMinHeight, fontMetrics().height() + 6)};
}

QSize TKV_StatusBar::minimumSizeHint() const
{
    return {0, sizeHint().height()};
}

void TKV_StatusBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // A bar narrower than its panels shows all of them, each narrowed in proportion, rather than
    // cutting off the last ones.
    int total = 0;
    for (int w : widths_)
        total += w;
    const double scale = total > this->width() && total > 0 ? double(this->width()) / total : 1.0;
    int x = 0;
    for (int i = 0; i < PanelCount(); ++i) {
        const bool last = i == PanelCount() - 1;
        const int width = last ? std::max(0, this->width() - x) : static_cast<int>(widths_[i] * scale);
        const QRect panel(x, 0, width - 2, height());
        qDrawShadePanel(&painter, panel, palette(), true, 1);
        const QRect textRect = panel.adjusted(kTextIndent, 1, -kTextIndent, -1);
        const QString shown = fontMetrics().elidedText(texts_[i], Qt::ElideRight, textRect.width());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        x += width;
    }
}
