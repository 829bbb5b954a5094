// SPDX-License-Identifier: GPL-3.0-or-later
#include "Icons.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

const QColor kGold(0xE0, 0xA8, 0x20);
const QColor kGoldDark(0x8A, 0x62, 0x08);
const QColor kSteel(0x70, 0x78, 0x84);
const QColor kGrey(0xB4, 0xB4, 0xB4);
const QColor kGreyDark(0x6C, 0x6C, 0x6C);
const QColor kRed(0xC8, 0x20, 0x20);
const QColor kBlue(0x20, 0x50, 0xC0);

QPixmap Blank(int width, int height)
{
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A padlock filling `area`: shackle in the upper half, body in the lower.
void DrawLock(QPainter& painter, const QRectF& area, bool open, const QColor& body, const QColor& edge)
{
    const qreal w = area.width();
    const qreal h = area.height();
    const QRectF bodyRect(area.left(), area.top() + h * 0.45, w, h * 0.55);
    const qreal shackleWidth = w * 0.64;
    const qreal left = area.left() + (w - shackleWidth) / 2;
    const qreal lift = open ? h * 0.16 : 0.0;
    QPainterPath shackle;
    const qreal top = area.top() + 1 - lift;
    shackle.moveTo(left, bodyRect.top() - lift);
    shackle.lineTo(left, top + shackleWidth / 2);
    shackle.arcTo(QRectF(left, top, shackleWidth, shackleWidth), 180, -180);
    shackle.lineTo(left + shackleWidth, open ? top + shackleWidth * 0.75 : bodyRect.top());
    painter.setPen(QPen(kSteel, std::max<qreal>(2.0, w * 0.14), Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shackle);
    painter.setPen(QPen(edge, 1));
    painter.setBrush(body);
    painter.drawRoundedRect(bodyRect.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    painter.setBrush(edge);
    painter.setPen(Qt::NoPen);
    const QPointF hole(bodyRect.center().x(), bodyRect.center().y() - bodyRect.height() * 0.08);
    painter.drawEllipse(hole, w * 0.09, w * 0.09);
    painter.drawRect(QRectF(hole.x() - w * 0.04, hole.y(), w * 0.08, bodyRect.height() * 0.25));
}

void DrawKey(QPainter& painter, const QPointF& bow, qreal size, const QColor& colour)
{
    painter.setPen(QPen(kGoldDark, 1));
    painter.setBrush(colour);
    painter.drawEllipse(bow, size * 0.22, size * 0.22);
    painter.setBrush(Qt::white);
    painter.drawEllipse(bow, size * 0.07, size * 0.07);
    painter.setPen(QPen(colour.darker(130), size * 0.11, Qt::SolidLine, Qt::FlatCap));
    const QPointF tip(bow.x() + size * 0.7, bow.y());
    painter.drawLine(QPointF(bow.x() + size * 0.2, bow.y()), tip);
    painter.drawLine(QPointF(tip.x() - size * 0.05, bow.y()), QPointF(tip.x() - size * 0.05, bow.y() + size * 0.16));
    painter.drawLine(QPointF(tip.x() - size * 0.18, bow.y()), QPointF(tip.x() - size * 0.18, bow.y() + size * 0.12));
}

void DrawCross(QPainter& painter, const QPointF& centre, qreal half)
{
    painter.setPen(QPen(kRed, 2.4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre + QPointF(-half, -half), centre + QPointF(half, half));
    painter.drawLine(centre + QPointF(-half, half), centre + QPointF(half, -half));
}

void DrawArrow(QPainter& painter, const QPointF& from, const QPointF& to, const QColor& colour)
{
    painter.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(from, to);
    const QPointF dir = (to - from) / std::max<qreal>(1.0, std::hypot((to - from).x(), (to - from).y()));
    const QPointF normal(-dir.y(), dir.x());
    QPolygonF head;
    head << to + dir * 2.5 << to - dir * 3.5 + normal * 3.5 << to - dir * 3.5 - normal * 3.5;
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(head);
}

QPixmap ToolPixmap(TKV_ToolImage image)
{
    QPixmap pixmap = Blank(24, 24);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (image) {
    case TKV_ToolImage::Encrypt:
        DrawLock(painter, QRectF(7, 3, 15, 19), false, kGold, kGoldDark);
        DrawArrow(painter, QPointF(1, 16), QPointF(7, 16), QColor(0x20, 0x90, 0x30));
        break;
    case TKV_ToolImage::Decrypt:
        DrawLock(painter, QRectF(2, 4, 15, 19), true, kGold, kGoldDark);
        DrawArrow(painter, QPointF(17, 16), QPointF(22, 16), QColor(0x20, 0x90, 0x30));
        break;
    case TKV_ToolImage::PwdExpire:
        DrawKey(painter, QPointF(6, 9), 20, kGold);
        DrawCross(painter, QPointF(17, 18), 3.5);
        break;
    case TKV_ToolImage::MasterPwdExpire:
        DrawKey(painter, QPointF(6, 6), 18, kGrey);
        DrawKey(painter, QPointF(6, 12), 20, kGold);
        DrawCross(painter, QPointF(18, 19), 3.5);
        break;
    case TKV_ToolImage::Stop: {
        QPolygonF octagon;
        for (int i = 0; i < 8; ++i) {
            const qreal angle = (22.5 + 45.0 * i) * 3.14159265358979 / 180.0;
            octagon << QPointF(12 + 10 * std::cos(angle), 12 + 10 * std::sin(angle));
        }
        painter.setPen(QPen(kRed.darker(140), 1));
        painter.setBrush(kRed);
        painter.drawPolygon(octagon);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(6, 10.5, 12, 3));
        break;
    }
    case TKV_ToolImage::Help: {
        painter.setPen(QPen(kBlue.darker(130), 1));
        painter.setBrush(kBlue);
        painter.drawEllipse(QRectF(2, 2, 20, 20));
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(15);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    }
    return pixmap;
}

} // namespace

QIcon ToolIcon(TKV_ToolImage image)
{
    return QIcon(ToolPixmap(image));
}

QPixmap LockPixmap(bool open, bool highlighted)
{
    QPixmap pixmap = Blank(19, 24);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    if (highlighted)
        DrawLock(painter, QRectF(1, 1, 17, 22), open, kGold, kGoldDark);
    else
        DrawLock(painter, QRectF(1, 1, 17, 22), open, kGrey, kGreyDark);
    return pixmap;
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pixmap = Blank(size, size);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal m = size / 8.0;
        DrawLock(painter, QRectF(m, m / 2, size - 2 * m, size - m), false, kGold, kGoldDark);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon CryptFileIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pixmap = Blank(size, size);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal s = size / 16.0;
        // A sheet with a folded corner, and the closed lock in front of it.
        QPolygonF sheet;
        sheet << QPointF(2 * s, 0.5 * s) << QPointF(10 * s, 0.5 * s) << QPointF(13.5 * s, 4 * s)
              << QPointF(13.5 * s, 15.5 * s) << QPointF(2 * s, 15.5 * s);
        painter.setPen(QPen(kGreyDark, std::max<qreal>(1.0, s * 0.8)));
        painter.setBrush(Qt::white);
        painter.drawPolygon(sheet);
        painter.drawLine(QPointF(10 * s, 0.5 * s), QPointF(10 * s, 4 * s));
        painter.drawLine(QPointF(10 * s, 4 * s), QPointF(13.5 * s, 4 * s));
        DrawLock(painter, QRectF(6 * s, 6 * s, 9.5 * s, 9.5 * s), false, kGold, kGoldDark);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap TipPixmap()
{
    QPixmap pixmap = Blank(32, 32);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Rays, the glass, and the screw base below it.
    painter.setPen(QPen(kGold, 1.6, Qt::SolidLine, Qt::RoundCap));
    const QPointF centre(16, 12);
    for (int ray = 0; ray < 7; ++ray) {
        const qreal angle = M_PI * (0.9 + ray * 0.2);
        const QPointF direction(std::cos(angle), std::sin(angle));
        painter.drawLine(centre + direction * 10.5, centre + direction * 14);
    }
    painter.setPen(QPen(kGoldDark, 1));
    painter.setBrush(QColor(0xFF, 0xE8, 0x70));
    painter.drawEllipse(centre, 8, 8);
    painter.drawRect(QRectF(12.5, 18, 7, 4));
    painter.setBrush(kGrey);
    painter.setPen(QPen(kGreyDark, 1));
    painter.drawRoundedRect(QRectF(12, 22, 8, 6), 1.5, 1.5);
    painter.drawLine(QPointF(12, 24), QPointF(20, 24));
    painter.drawLine(QPointF(12, 26), QPointF(20, 26));
    return pixmap;
}

QPixmap AboutPixmap()
{
    QPixmap pixmap = Blank(64, 62);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawLock(painter, QRectF(6, 2, 40, 52), false, kGold, kGoldDark);
    DrawKey(painter, QPointF(30, 50), 34, kGold);
    return pixmap;
}
