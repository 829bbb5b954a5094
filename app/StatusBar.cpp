// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusBar.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QToolTip>
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

QVector<QRect> TKV_StatusBar::PanelRects() const
{
    // A bar narrower than its panels shows all of them, each narrowed in proportion, rather than
    // cutting off the last ones.
    int total = 0;
    for (int w : widths_)
        total += w;
    const double scale = total > this->width() && total > 0 ? double(this->width()) / total : 1.0;
    QVector<QRect> rects;
    int x = 0;
    for (int i = 0; i < PanelCount(); ++i) {
        const bool last = i == PanelCount() - 1;
        const int width = last ? std::max(0, this->width() - x) : static_cast<int>(widths_[i] * scale);
        rects.append(QRect(x, 0, width - 2, height()));
        x += width;
    }
    return rects;
}

int TKV_StatusBar::PanelAt(int x) const
{
    const QVector<QRect> rects = PanelRects();
    for (int i = 0; i < rects.size(); ++i)
        if (x >= rects[i].left() && x < rects[i].left() + rects[i].width() + 2) return i;
    return -1;
}

bool TKV_StatusBar::event(QEvent* event)
{
    // A statistics panel cut short by a narrow band shows its whole text under the mouse.
    if (event->type() == QEvent::ToolTip && !showTips_) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int panel = PanelAt(help->pos().x());
        const QString text = panel >= 0 ? texts_[panel].trimmed() : QString();
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(event);
}

void TKV_StatusBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QVector<QRect> rects = PanelRects();
    for (int i = 0; i < rects.size(); ++i) {
        const QRect& panel = rects[i];
        qDrawShadePanel(&painter, panel, palette(), true, 1);
        const QRect textRect = panel.adjusted(kTextIndent, 1, -kTextIndent, -1);
        const QString shown = fontMetrics().elidedText(texts_[i], Qt::ElideRight, textRect.width());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }
}
