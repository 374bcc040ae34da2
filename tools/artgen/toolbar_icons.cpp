// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolbar_icons.h"

#include "paint_kit.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <stdexcept>

namespace artgen {
namespace {

QPen Pen(QColor c, double width) {
    QPen pen(c, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

void OpenFile(QPainter& p) {
    // Back of the folder, the document half in, then the slanted front flap.
    QPainterPath back;
    back.moveTo(8, 22);
    back.quadTo(8, 16, 14, 16);
    back.lineTo(27, 16);
    back.lineTo(32, 22);
    back.lineTo(58, 22);
    back.quadTo(64, 22, 64, 28);
    back.lineTo(64, 60);
    back.lineTo(8, 60);
    back.closeSubpath();
    p.setPen(Pen(ink::Outline, 2.5));
    p.setBrush(ink::FolderDark);
    p.drawPath(back);

    p.save();
    p.translate(38, 26);
    p.rotate(12);
    DrawDocument(p, QRectF(-13, -22, 28, 36));
    p.restore();

    QPainterPath front;
    front.moveTo(14, 34);
    front.lineTo(68, 34);
    front.lineTo(60, 62);
    front.lineTo(6, 62);
    front.closeSubpath();
    QLinearGradient shade(QPointF(0, 34), QPointF(0, 62));
    shade.setColorAt(0, ink::FolderLight);
    shade.setColorAt(1, ink::FolderLight.darker(112));
    p.setPen(Pen(ink::Outline, 2.5));
    p.setBrush(shade);
    p.drawPath(front);
}

void SaveFile(QPainter& p) {
    QPainterPath body;
    body.moveTo(10, 14);
    body.quadTo(10, 8, 16, 8);
    body.lineTo(54, 8);
    body.lineTo(64, 18);
    body.lineTo(64, 58);
    body.quadTo(64, 64, 58, 64);
    body.lineTo(16, 64);
    body.quadTo(10, 64, 10, 58);
    body.closeSubpath();
    QLinearGradient blue(QPointF(0, 8), QPointF(0, 64));
    blue.setColorAt(0, ink::Blue);
    blue.setColorAt(1, ink::BlueDark);
    p.setPen(Pen(ink::Outline, 2.5));
    p.setBrush(blue);
    p.drawPath(body);
    // Metal shutter with its window.
    p.setBrush(QColor(0xc9, 0xd2, 0xdc));
    p.drawRect(QRectF(22, 8, 28, 18));
    p.setPen(Qt::NoPen);
    p.setBrush(ink::Slate);
    p.drawRect(QRectF(40, 12, 6, 10));
    // Label.
    p.setPen(Pen(ink::Outline, 2));
    p.setBrush(ink::Paper);
    p.drawRoundedRect(QRectF(18, 36, 38, 24), 3, 3);
    p.setPen(Pen(ink::Blue, 2.5));
    p.drawLine(QPointF(24, 44), QPointF(50, 44));
    p.drawLine(QPointF(24, 52), QPointF(42, 52));
}

void OnlineRecords(QPainter& p) {
    const QRectF screen(6, 16, 58, 46);
    p.setPen(Pen(ink::Outline, 2.5));
    p.setBrush(ink::Slate);
    p.drawRoundedRect(screen, 7, 7);
    // A live sound trace.
    QPainterPath wave;
    for (int i = 0; i <= 48; ++i) {
        const double x = 11 + i;
        const double envelope = 0.35 + 0.65 * std::sin(M_PI * i / 48.0);
        const double y = 42 - 13 * envelope * std::sin(i * 0.9) * std::cos(i * 0.23);
        if (i == 0) wave.moveTo(x, y);
        else wave.lineTo(x, y);
    }
    p.setPen(Pen(QColor(0x5f, 0xe0, 0x8a), 2.4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
    // The record dot.
    QRadialGradient red(QPointF(52, 14), 14);
    red.setColorAt(0, ink::Red.lighter(135));
    red.setColorAt(1, ink::Red);
    p.setPen(Pen(ink::Paper, 3));
    p.setBrush(red);
    p.drawEllipse(QPointF(54, 16), 12, 12);
}

void SwitchPages(QPainter& p) {
    // Back page: the chart.
    p.setPen(Pen(ink::Outline, 2.5));
    p.setBrush(ink::Paper);
    p.drawRoundedRect(QRectF(6, 6, 40, 46), 4, 4);
    QPolygonF trace;
    const double ys[] = {40, 30, 34, 18, 26, 14};
    for (int i = 0; i < 6; ++i) trace << QPointF(12 + i * 5.6, ys[i]);
    p.setPen(Pen(ink::Blue, 2.5));
    p.drawPolyline(trace);
    // Front page: the big digits.
    p.setPen(Pen(ink::Outline, 2.5));
    QLinearGradient sky(QPointF(0, 22), QPointF(0, 66));
    sky.setColorAt(0, ink::Teal.lighter(120));
    sky.setColorAt(1, ink::Teal.darker(115));
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(26, 22, 40, 44), 4, 4);
    p.setPen(ink::Paper);
    p.setFont(SansFont(22, QFont::Black));
    p.drawText(QRectF(26, 22, 40, 32), Qt::AlignCenter, QStringLiteral("88"));
    p.setFont(SansFont(11, QFont::Bold));
    p.drawText(QRectF(26, 48, 40, 16), Qt::AlignCenter, QStringLiteral("dB"));
}

QPainterPath Gear(QPointF centre, double outer, double inner, int teeth) {
    QPainterPath gear;
    const int points = teeth * 4;
    for (int i = 0; i < points; ++i) {
        const double a = 2 * M_PI * (i - 0.5) / points;
        const double r = (i % 4 == 0 || i % 4 == 1) ? outer : inner;
        const QPointF pt(centre.x() + r * std::cos(a), centre.y() + r * std::sin(a));
        if (i == 0) gear.moveTo(pt);
        else gear.lineTo(pt);
    }
    gear.closeSubpath();
    return gear;
}

void SetUpInstrument(QPainter& p) {
    DrawMeter(p, QRectF(8, 4, 30, 62));
    const QPointF c(50, 48);
    QPainterPath gear = Gear(c, 19, 14.5, 9);
    QPainterPath hole;
    hole.addEllipse(c, 6, 6);
    gear = gear.subtracted(hole);
    QLinearGradient metal(QPointF(30, 30), QPointF(70, 68));
    metal.setColorAt(0, ink::Orange.lighter(115));
    metal.setColorAt(1, ink::Orange.darker(115));
    p.setPen(Pen(ink::Outline, 2.5));
    p.setBrush(metal);
    p.drawPath(gear);
}

void SdCard(QPainter& p) {
    // Micro SD outline: straight top, a step on the right, rounded bottom corners.
    QPainterPath card;
    card.moveTo(20, 8);
    card.lineTo(56, 8);
    card.quadTo(60, 8, 60, 12);
    card.lineTo(60, 28);
    card.lineTo(56, 32);
    card.lineTo(56, 38);
    card.lineTo(60, 42);
    card.lineTo(60, 60);
    card.quadTo(60, 65, 55, 65);
    card.lineTo(17, 65);
    card.quadTo(12, 65, 12, 60);
    card.lineTo(12, 16);
    card.closeSubpath();
    QLinearGradient body(QPointF(0, 8), QPointF(0, 65));
    body.setColorAt(0, QColor(0x3b, 0x4b, 0x5c));
    body.setColorAt(1, ink::Slate.darker(120));
    p.setPen(Pen(ink::Outline, 2.5));
    p.setBrush(body);
    p.drawPath(card);
    // Gold contacts.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe6, 0xb4, 0x3c));
    for (int i = 0; i < 8; ++i) p.drawRoundedRect(QRectF(19 + i * 4.6, 12, 3.2, 11), 1, 1);
    // Label.
    p.setBrush(ink::Blue);
    p.drawRoundedRect(QRectF(17, 32, 34, 28), 3, 3);
    p.setPen(ink::Paper);
    p.setFont(SansFont(17, QFont::Black));
    p.drawText(QRectF(17, 30, 34, 22), Qt::AlignCenter, QStringLiteral("SD"));
    p.setFont(SansFont(8, QFont::Bold));
    p.drawText(QRectF(17, 48, 34, 11), Qt::AlignCenter, QStringLiteral("micro"));
}

void PrintChart(QPainter& p) {
    // Paper feeding in at the back.
    p.setPen(Pen(ink::Outline, 2.5));
    p.setBrush(ink::Paper);
    p.drawRect(QRectF(18, 6, 36, 24));
    // Printer body.
    QLinearGradient grey(QPointF(0, 24), QPointF(0, 54));
    grey.setColorAt(0, QColor(0xc3, 0xcc, 0xd6));
    grey.setColorAt(1, QColor(0x8e, 0x9b, 0xa8));
    p.setBrush(grey);
    p.drawRoundedRect(QRectF(5, 24, 62, 30), 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(ink::Slate);
    p.drawRoundedRect(QRectF(14, 44, 44, 5), 2, 2);
    p.setBrush(ink::Green);
    p.drawEllipse(QPointF(58, 32), 2.8, 2.8);
    // The printed chart coming out.
    p.setPen(Pen(ink::Outline, 2.5));
    p.setBrush(ink::Paper);
    p.drawRect(QRectF(17, 46, 38, 22));
    QPolygonF trace;
    const double ys[] = {62, 55, 58, 51, 54};
    for (int i = 0; i < 5; ++i) trace << QPointF(22 + i * 7, ys[i]);
    p.setPen(Pen(ink::Red, 2.2));
    p.drawPolyline(trace);
}

void About(QPainter& p) {
    QLinearGradient blue(QPointF(0, 6), QPointF(0, 66));
    blue.setColorAt(0, ink::Blue.lighter(115));
    blue.setColorAt(1, ink::BlueDark);
    p.setPen(Pen(ink::Outline, 2.5));
    p.setBrush(blue);
    p.drawEllipse(QRectF(6, 6, 60, 60));
    p.setPen(Qt::NoPen);
    p.setBrush(ink::Paper);
    p.drawEllipse(QPointF(36, 21), 5.5, 5.5);
    QPainterPath stem;
    stem.moveTo(28, 31);
    stem.lineTo(41, 31);
    stem.lineTo(41, 53);
    stem.lineTo(45, 53);
    stem.lineTo(45, 58);
    stem.lineTo(27, 58);
    stem.lineTo(27, 53);
    stem.lineTo(31, 53);
    stem.lineTo(31, 36);
    stem.lineTo(28, 36);
    stem.closeSubpath();
    p.drawPath(stem);
}

void NoiseStatistics(QPainter& p) {
    // A sheet with a histogram of levels and the Leq of each period as a
    // step line over it: statistics of a period, not the running level.
    p.setPen(Pen(ink::Outline, 2.5));
    p.setBrush(ink::Paper);
    p.drawRoundedRect(QRectF(6, 8, 60, 56), 5, 5);
    const double heights[] = {10, 22, 34, 27, 16, 8};
    for (int i = 0; i < 6; ++i) {
        QLinearGradient bar(QPointF(0, 56 - heights[i]), QPointF(0, 56));
        bar.setColorAt(0, ink::Teal.lighter(125));
        bar.setColorAt(1, ink::Teal);
        p.setPen(Pen(ink::Outline, 1.5));
        p.setBrush(bar);
        p.drawRect(QRectF(13 + i * 8, 56 - heights[i], 7, heights[i]));
    }
    p.setPen(Pen(ink::Outline, 2));
    p.drawLine(QPointF(11, 57), QPointF(62, 57));
    QPolygonF steps;
    const double levels[] = {30, 22, 26, 18};
    for (int i = 0; i < 4; ++i) steps << QPointF(12 + i * 12.5, levels[i]) << QPointF(24.5 + i * 12.5, levels[i]);
    p.setPen(Pen(ink::Orange, 3));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(steps);
    p.setFont(SansFont(10, QFont::Black));
    p.setPen(ink::BlueDark);
    p.drawText(QRectF(10, 9, 40, 12), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Leq"));
}

}  // namespace

QImage DrawToolbarIcon(int index) {
    QImage icon = NewPicture(QSize(ToolbarIconSide, ToolbarIconSide));
    QPainter p(&icon);
    Smooth(p);
    switch (index) {
    case 0: OpenFile(p); break;
    case 1: SaveFile(p); break;
    case 2: OnlineRecords(p); break;
    case 3: SwitchPages(p); break;
    case 4: SetUpInstrument(p); break;
    case 5: SdCard(p); break;
    case 6: PrintChart(p); break;
    case 7: About(p); break;
    case 8: NoiseStatistics(p); break;
    default: throw std::out_of_range("no such toolbar picture");
    }
    return icon;
}

}  // namespace artgen
