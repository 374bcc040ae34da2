// SPDX-License-Identifier: GPL-3.0-or-later
#include "paint_kit.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>

namespace artgen {
namespace {

QPen OutlinePen(double width) {
    QPen pen(ink::Outline, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

double StrokeFor(const QRectF& r) { return std::clamp(std::min(r.width(), r.height()) / 18.0, 1.0, 3.0); }

void DrawFolderBack(QPainter& p, const QRectF& r) {
    const double x = r.x(), y = r.y(), w = r.width(), h = r.height();
    QPainterPath back;
    back.moveTo(x, y + h * 0.1);
    back.quadTo(x, y, x + w * 0.06, y);
    back.lineTo(x + w * 0.34, y);
    back.lineTo(x + w * 0.42, y + h * 0.13);
    back.lineTo(x + w - w * 0.04, y + h * 0.13);
    back.quadTo(x + w, y + h * 0.13, x + w, y + h * 0.2);
    back.lineTo(x + w, y + h);
    back.lineTo(x, y + h);
    back.closeSubpath();
    p.setPen(OutlinePen(StrokeFor(r)));
    p.setBrush(ink::FolderDark);
    p.drawPath(back);
}

}  // namespace

QImage NewPicture(QSize size, QColor fill) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

void Smooth(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

QFont SansFont(double pixelSize, int weight) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, int(pixelSize + 0.5)));
    font.setWeight(QFont::Weight(weight));
    return font;
}

void DrawDocument(QPainter& p, const QRectF& r, QColor lines) {
    const double x = r.x(), y = r.y(), w = r.width(), h = r.height();
    const double fold = std::min(w, h) * 0.3;
    QPainterPath page;
    page.moveTo(x, y);
    page.lineTo(x + w - fold, y);
    page.lineTo(x + w, y + fold);
    page.lineTo(x + w, y + h);
    page.lineTo(x, y + h);
    page.closeSubpath();
    const double stroke = StrokeFor(r);
    p.setPen(OutlinePen(stroke));
    p.setBrush(ink::Paper);
    p.drawPath(page);

    QPainterPath corner;
    corner.moveTo(x + w - fold, y);
    corner.lineTo(x + w - fold, y + fold);
    corner.lineTo(x + w, y + fold);
    corner.closeSubpath();
    p.setBrush(ink::LightGrey);
    p.drawPath(corner);

    QPen linePen(lines, std::max(1.0, h / 14.0));
    linePen.setCapStyle(Qt::RoundCap);
    p.setPen(linePen);
    for (int i = 0; i < 4; ++i) {
        const double ly = y + h * (0.42 + 0.15 * i);
        const double right = i == 3 ? x + w * 0.55 : x + w * 0.8;
        p.drawLine(QPointF(x + w * 0.2, ly), QPointF(right, ly));
    }
}

void DrawFolderFront(QPainter& p, const QRectF& r) {
    const double x = r.x(), y = r.y(), w = r.width(), h = r.height();
    QRectF front(x, y + h * 0.3, w, h * 0.7);
    QLinearGradient shade(front.topLeft(), front.bottomLeft());
    shade.setColorAt(0, ink::FolderLight);
    shade.setColorAt(1, ink::FolderLight.darker(112));
    p.setPen(OutlinePen(StrokeFor(r)));
    p.setBrush(shade);
    p.drawRoundedRect(front, w * 0.05, w * 0.05);
}

void DrawFolder(QPainter& p, const QRectF& r) {
    DrawFolderBack(p, r);
    DrawFolderFront(p, r);
}

void DrawMonitor(QPainter& p, const QRectF& r) {
    const double x = r.x(), y = r.y(), w = r.width(), h = r.height();
    const double stroke = StrokeFor(r);
    // Stand first, so the screen's edge covers its top.
    QPainterPath neck;
    neck.moveTo(x + w * 0.42, y + h * 0.7);
    neck.lineTo(x + w * 0.58, y + h * 0.7);
    neck.lineTo(x + w * 0.62, y + h * 0.9);
    neck.lineTo(x + w * 0.38, y + h * 0.9);
    neck.closeSubpath();
    p.setPen(OutlinePen(stroke));
    p.setBrush(ink::Grey);
    p.drawPath(neck);
    p.drawRoundedRect(QRectF(x + w * 0.22, y + h * 0.88, w * 0.56, h * 0.1), h * 0.04, h * 0.04);

    const QRectF bezel(x, y, w, h * 0.74);
    p.setBrush(ink::Slate);
    p.drawRoundedRect(bezel, w * 0.06, w * 0.06);
    const QRectF screen = bezel.adjusted(w * 0.07, w * 0.07, -w * 0.07, -w * 0.07);
    QLinearGradient glow(screen.topLeft(), screen.bottomRight());
    glow.setColorAt(0, ink::Blue.lighter(125));
    glow.setColorAt(1, ink::BlueDark);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawRect(screen);

    // A level trace on the screen.
    QPen trace(ink::Yellow, std::max(1.0, h / 26.0));
    trace.setJoinStyle(Qt::RoundJoin);
    trace.setCapStyle(Qt::RoundCap);
    p.setPen(trace);
    const double sx = screen.x(), sy = screen.y(), sw = screen.width(), sh = screen.height();
    const double levels[] = {0.7, 0.55, 0.62, 0.3, 0.45, 0.25, 0.5, 0.35};
    QPolygonF line;
    for (int i = 0; i < 8; ++i) line << QPointF(sx + sw * (0.08 + 0.84 * i / 7.0), sy + sh * levels[i]);
    p.drawPolyline(line);
}

void DrawDisk(QPainter& p, const QRectF& r) {
    const double x = r.x(), y = r.y(), w = r.width(), h = r.height();
    const double eh = h * 0.26;
    const double stroke = StrokeFor(r);
    QLinearGradient side(QPointF(x, 0), QPointF(x + w, 0));
    side.setColorAt(0, ink::BlueDark);
    side.setColorAt(0.45, ink::Blue.lighter(115));
    side.setColorAt(1, ink::BlueDark);

    QPainterPath body;
    body.moveTo(x, y + eh / 2);
    body.lineTo(x, y + h - eh / 2);
    body.arcTo(QRectF(x, y + h - eh, w, eh), 180, 180);
    body.lineTo(x + w, y + eh / 2);
    body.closeSubpath();
    p.setPen(OutlinePen(stroke));
    p.setBrush(side);
    p.drawPath(body);

    // Seams between the platters.
    p.setBrush(Qt::NoBrush);
    for (double band : {0.38, 0.62}) {
        const double by = y + (h - eh) * band;
        p.drawArc(QRectF(x, by, w, eh), 180 * 16, 180 * 16);
    }
    p.setBrush(ink::Blue.lighter(150));
    p.drawEllipse(QRectF(x, y, w, eh));
    // A status light.
    p.setPen(Qt::NoPen);
    p.setBrush(ink::Green.lighter(120));
    p.drawEllipse(QPointF(x + w * 0.78, y + h * 0.86), std::max(1.2, w * 0.05), std::max(1.2, w * 0.05));
}

void DrawMeter(QPainter& p, const QRectF& r, const QString& reading) {
    const double x = r.x(), y = r.y(), w = r.width(), h = r.height();
    const double stroke = StrokeFor(r);
    const double cx = x + w / 2;
    const double ball = w * 0.46;

    // Neck between microphone and body.
    QPainterPath neck;
    neck.moveTo(cx - w * 0.1, y + ball * 0.8);
    neck.lineTo(cx + w * 0.1, y + ball * 0.8);
    neck.lineTo(cx + w * 0.26, y + h * 0.34);
    neck.lineTo(cx - w * 0.26, y + h * 0.34);
    neck.closeSubpath();
    p.setPen(OutlinePen(stroke));
    p.setBrush(ink::Grey);
    p.drawPath(neck);

    // Microphone windscreen.
    QRadialGradient foam(QPointF(cx - ball * 0.15, y + ball * 0.35), ball * 0.6);
    foam.setColorAt(0, QColor(0x6b, 0x78, 0x86));
    foam.setColorAt(1, ink::Slate);
    p.setBrush(foam);
    p.drawEllipse(QRectF(cx - ball / 2, y, ball, ball));

    // Body: yellow housing with a dark face.
    const QRectF body(x, y + h * 0.3, w, h * 0.7);
    QLinearGradient housing(body.topLeft(), body.topRight());
    housing.setColorAt(0, ink::Yellow.darker(108));
    housing.setColorAt(0.5, ink::Yellow.lighter(112));
    housing.setColorAt(1, ink::Yellow.darker(112));
    p.setBrush(housing);
    p.drawRoundedRect(body, w * 0.18, w * 0.18);
    const QRectF face = body.adjusted(w * 0.1, w * 0.1, -w * 0.1, -w * 0.1);
    p.setBrush(ink::Slate);
    p.drawRoundedRect(face, w * 0.1, w * 0.1);

    // Display.
    const QRectF lcd(face.x() + face.width() * 0.1, face.y() + face.width() * 0.12, face.width() * 0.8,
                     face.height() * 0.32);
    p.setPen(Qt::NoPen);
    p.setBrush(ink::Lcd);
    p.drawRoundedRect(lcd, lcd.height() * 0.12, lcd.height() * 0.12);
    if (!reading.isEmpty() && lcd.height() >= 6) {
        p.setPen(ink::Outline);
        // The largest size at which the reading fits the display.
        double size = lcd.height() * 0.62;
        QFont font = SansFont(size, QFont::Bold);
        while (size > 4 && QFontMetricsF(font).horizontalAdvance(reading) > lcd.width() * 0.86) {
            size -= 0.5;
            font = SansFont(size, QFont::Bold);
        }
        p.setFont(font);
        p.drawText(lcd, Qt::AlignCenter, reading);
    }

    // Keys: two rows of three, the first one green (power).
    const double keyTop = lcd.bottom() + face.height() * 0.12;
    const double keyW = face.width() * 0.22, keyH = std::max(1.5, face.height() * 0.1);
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 3; ++col) {
            const QRectF key(face.x() + face.width() * (0.1 + 0.29 * col), keyTop + row * keyH * 1.9, keyW, keyH);
            p.setBrush(row == 0 && col == 0 ? ink::Green : QColor(0x9a, 0xa7, 0xb4));
            p.drawRoundedRect(key, keyH * 0.4, keyH * 0.4);
        }
    }
}

}  // namespace artgen
