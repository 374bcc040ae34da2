// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_pictures.h"

#include "paint_kit.h"

#include <QLinearGradient>
#include <QPainterPath>

#include <cmath>

namespace artgen {
namespace {

QPointF OnCircle(QPointF centre, double radius, double degrees) {
    const double a = degrees * M_PI / 180.0;
    return {centre.x() + radius * std::cos(a), centre.y() - radius * std::sin(a)};
}

QRectF CircleBox(QPointF centre, double radius) {
    return {centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius};
}

// Green for the quiet part of the scale, through yellow and orange to red.
QColor ScaleColour(double t) {
    struct Stop {
        double at;
        QColor colour;
    };
    const Stop stops[] = {{0.0, ink::Green}, {0.5, ink::Green}, {0.68, ink::Yellow},
                          {0.84, ink::Orange}, {0.94, ink::Red}, {1.0, ink::Red}};
    for (std::size_t i = 1; i < std::size(stops); ++i) {
        if (t <= stops[i].at) {
            const double f = (t - stops[i - 1].at) / (stops[i].at - stops[i - 1].at);
            const QColor a = stops[i - 1].colour, b = stops[i].colour;
            return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * f),
                                    float(a.greenF() + (b.greenF() - a.greenF()) * f),
                                    float(a.blueF() + (b.blueF() - a.blueF()) * f));
        }
    }
    return ink::Red;
}

QPen Stroke(QColor c, double width, Qt::PenCapStyle cap = Qt::RoundCap) {
    QPen pen(c, width);
    pen.setCapStyle(cap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// The program icon's geometry, in a 256-unit square; used by both the
// painted and the SVG version so they match.
namespace icon {
constexpr double CentreX = 128, CentreY = 150, Radius = 82, Band = 28;
struct Arc {
    double from, to;
    const char* colour;
};
constexpr Arc Arcs[] = {{202, 94, "#4cc46a"}, {90, 50, "#f5c33b"}, {46, -22, "#e8484d"}};
constexpr double NeedleAngle = 58, NeedleLength = 72;
}  // namespace icon

}  // namespace

QImage DrawArcScale() {
    QImage picture = NewPicture(QSize(230, 110));
    QPainter p(&picture);
    Smooth(p);
    const QPointF centre(115, 107);
    const double outer = 104, inner = 80;
    const int segments = 30;
    const double step = 180.0 / segments, gap = 1.6;
    for (int k = 0; k < segments; ++k) {
        const double start = 180 - k * step - gap / 2;
        const double sweep = -(step - gap);
        QPainterPath segment;
        segment.moveTo(OnCircle(centre, outer, start));
        segment.arcTo(CircleBox(centre, outer), start, sweep);
        segment.lineTo(OnCircle(centre, inner, start + sweep));
        segment.arcTo(CircleBox(centre, inner), start + sweep, -sweep);
        segment.closeSubpath();
        const QColor colour = ScaleColour((k + 0.5) / segments);
        QLinearGradient shade(OnCircle(centre, outer, start), OnCircle(centre, inner, start));
        shade.setColorAt(0, colour.lighter(118));
        shade.setColorAt(1, colour.darker(108));
        p.setPen(QPen(colour.darker(140), 1));
        p.setBrush(shade);
        p.drawPath(segment);
    }
    // Ticks inside the bar: ten divisions, the long ones at every second.
    for (int i = 0; i <= 10; ++i) {
        const double a = 180 - i * 18.0;
        const double length = i % 2 == 0 ? 9 : 5;
        p.setPen(Stroke(QColor(0x1d, 0x3a, 0x55, 200), i % 2 == 0 ? 2.0 : 1.4));
        p.drawLine(OnCircle(centre, inner - 3, a), OnCircle(centre, inner - 3 - length, a));
    }
    return picture;
}

QImage DrawCloseButton() {
    QImage picture = NewPicture(QSize(35, 22));
    QPainter p(&picture);
    Smooth(p);
    p.setPen(Stroke(Qt::white, 2.2));
    p.drawLine(QPointF(12.5, 6), QPointF(22.5, 16));
    p.drawLine(QPointF(22.5, 6), QPointF(12.5, 16));
    return picture;
}

QImage DrawMinimiseButton() {
    QImage picture = NewPicture(QSize(35, 22));
    QPainter p(&picture);
    Smooth(p);
    p.setPen(Stroke(Qt::white, 2.2));
    p.drawLine(QPointF(12.5, 15), QPointF(22.5, 15));
    return picture;
}

QColor TitleStripColour() { return ink::Slate; }

QImage DrawMaximiseButton() {
    QImage picture = NewPicture(QSize(35, 22), TitleStripColour());
    QPainter p(&picture);
    p.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(12.5, 5.5, 10, 10));
    p.fillRect(QRectF(12.5, 5.5, 10, 2.5), Qt::white);
    return picture;
}

QImage DrawRestoreButton() {
    QImage picture = NewPicture(QSize(35, 22), TitleStripColour());
    QPainter p(&picture);
    const QPen pen(Qt::white, 1.5, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(15.5, 4.5, 8, 8));
    p.fillRect(QRectF(15.5, 4.5, 8, 2), Qt::white);
    p.setBrush(TitleStripColour());
    p.drawRect(QRectF(11.5, 8.5, 8, 8));
    p.fillRect(QRectF(11.5, 8.5, 8, 2), Qt::white);
    return picture;
}

QImage DrawBanner() {
    QImage picture = NewPicture(QSize(433, 193));
    QPainter p(&picture);
    Smooth(p);
    QLinearGradient sky(QPointF(0, 0), QPointF(0, 193));
    sky.setColorAt(0, QColor(0xff, 0xff, 0xff));
    sky.setColorAt(1, QColor(0xdc, 0xea, 0xf7));
    p.fillRect(picture.rect(), sky);

    // Quiet sound wave along the bottom, below the model line's band.
    QPainterPath wave;
    for (int x = 0; x <= 433; x += 2) {
        const double envelope = 0.5 + 0.5 * std::sin(x / 433.0 * M_PI);
        const double y = 170 + 12 * envelope * std::sin(x / 9.0) * std::cos(x / 37.0);
        if (x == 0) wave.moveTo(x, y);
        else wave.lineTo(x, y);
    }
    p.setPen(Stroke(QColor(0x2f, 0x7f, 0xd0, 90), 2));
    p.drawPath(wave);
    p.setPen(Stroke(QColor(0x12, 0x9c, 0x9c, 60), 1.5));
    p.translate(0, 6);
    p.drawPath(wave);
    p.resetTransform();

    // Title.
    p.setPen(QColor(0x14, 0x2c, 0x4c));
    p.setFont(SansFont(34, QFont::Black));
    p.drawText(QPointF(24, 56), QStringLiteral("SOUND LEVEL"));
    p.setPen(ink::Teal);
    p.drawText(QPointF(24, 94), QStringLiteral("METER"));
    p.setPen(Stroke(ink::Orange, 3));
    p.drawLine(QPointF(170, 82), QPointF(290, 82));

    // Sound arcs reaching the microphone.
    for (int i = 0; i < 3; ++i) {
        const double r = 10 + i * 9;
        p.setPen(Stroke(QColor(0x2f, 0x7f, 0xd0, 200 - i * 55), 3));
        p.drawArc(QRectF(332 - r, 34 - r, 2 * r, 2 * r), 120 * 16, 70 * 16);
    }

    // The meter, leaning slightly.
    p.save();
    p.translate(372, 100);
    p.rotate(10);
    DrawMeter(p, QRectF(-34, -88, 68, 172), QStringLiteral("94,0"));
    p.restore();
    return picture;
}

QImage DrawAppIcon(int side) {
    QImage picture = NewPicture(QSize(side, side));
    QPainter p(&picture);
    Smooth(p);
    p.scale(side / 256.0, side / 256.0);
    QLinearGradient tile(QPointF(0, 8), QPointF(0, 248));
    tile.setColorAt(0, QColor(0x2f, 0x8f, 0xd8));
    tile.setColorAt(1, QColor(0x1a, 0x4f, 0x86));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 52, 52);

    const QPointF centre(icon::CentreX, icon::CentreY);
    for (const icon::Arc& arc : icon::Arcs) {
        QPainterPath path;
        path.arcMoveTo(CircleBox(centre, icon::Radius), arc.from);
        path.arcTo(CircleBox(centre, icon::Radius), arc.from, arc.to - arc.from);
        p.setPen(Stroke(QColor(arc.colour), icon::Band, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
    p.setPen(Stroke(Qt::white, 14));
    p.drawLine(centre, OnCircle(centre, icon::NeedleLength, icon::NeedleAngle));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(centre, 18, 18);
    p.setBrush(QColor(0x1a, 0x4f, 0x86));
    p.drawEllipse(centre, 7, 7);
    return picture;
}

QByteArray AppIconSvg() {
    auto n = [](double v) { return QByteArray::number(v, 'f', 2); };
    QByteArray svg;
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
           "  <defs>\n"
           "    <linearGradient id=\"tile\" x1=\"0\" y1=\"8\" x2=\"0\" y2=\"248\" gradientUnits=\"userSpaceOnUse\">\n"
           "      <stop offset=\"0\" stop-color=\"#2f8fd8\"/>\n"
           "      <stop offset=\"1\" stop-color=\"#1a4f86\"/>\n"
           "    </linearGradient>\n"
           "  </defs>\n"
           "  <rect x=\"8\" y=\"8\" width=\"240\" height=\"240\" rx=\"52\" ry=\"52\" fill=\"url(#tile)\"/>\n";
    const QPointF centre(icon::CentreX, icon::CentreY);
    for (const icon::Arc& arc : icon::Arcs) {
        const QPointF a = OnCircle(centre, icon::Radius, arc.from);
        const QPointF b = OnCircle(centre, icon::Radius, arc.to);
        const int large = std::abs(arc.from - arc.to) > 180 ? 1 : 0;
        // Angles fall from `from` to `to`: clockwise on screen, SVG sweep flag 1.
        svg += "  <path d=\"M " + n(a.x()) + " " + n(a.y()) + " A " + n(icon::Radius) + " " + n(icon::Radius) +
               " 0 " + QByteArray::number(large) + " 1 " + n(b.x()) + " " + n(b.y()) + "\" fill=\"none\" stroke=\"" +
               arc.colour + "\" stroke-width=\"" + n(icon::Band) + "\"/>\n";
    }
    const QPointF tip = OnCircle(centre, icon::NeedleLength, icon::NeedleAngle);
    svg += "  <line x1=\"" + n(centre.x()) + "\" y1=\"" + n(centre.y()) + "\" x2=\"" + n(tip.x()) + "\" y2=\"" +
           n(tip.y()) + "\" stroke=\"#ffffff\" stroke-width=\"14\" stroke-linecap=\"round\"/>\n";
    svg += "  <circle cx=\"" + n(centre.x()) + "\" cy=\"" + n(centre.y()) + "\" r=\"18\" fill=\"#ffffff\"/>\n";
    svg += "  <circle cx=\"" + n(centre.x()) + "\" cy=\"" + n(centre.y()) + "\" r=\"7\" fill=\"#1a4f86\"/>\n";
    svg += "</svg>\n";
    return svg;
}

}  // namespace artgen
