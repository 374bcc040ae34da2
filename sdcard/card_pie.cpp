// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdcard/card_pie.h"

#include <QPainter>
#include <QPainterPath>

CardPie::CardPie(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Chart1"));
}

void CardPie::Clear() {
    slices_.clear();
    update();
}

void CardPie::AddSlice(double value, const QColor& colour) {
    slices_.push_back({value, colour});
    update();
}

void CardPie::paintEvent(QPaintEvent*) {
    double total = 0;
    for (const Slice& s : slices_)
        if (s.value > 0) total += s.value;
    // Nothing to share (no slices, or all of them empty): nothing is drawn.
    if (total <= 0) return;

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width() / 2.0, (height() - RimDepth) / 2.0);
    const QRectF top(centre.x() - RadiusX, centre.y() - RadiusY, 2.0 * RadiusX, 2.0 * RadiusY);

    // Qt's angles are in sixteenths of a degree, counter-clockwise from
    // three o'clock; the slices go round clockwise from the rotation.
    struct Span {
        int start, length;
        QColor colour;
    };
    std::vector<Span> spans;
    double angle = Rotation;
    for (const Slice& s : slices_) {
        if (s.value <= 0) continue;
        const double sweep = 360.0 * s.value / total;
        spans.push_back({int(-angle * 16), int(-sweep * 16), s.colour});
        angle += sweep;
    }

    // The rim: the disc drawn darker, layer by layer, from the bottom up.
    painter.setPen(Qt::NoPen);
    for (int depth = RimDepth; depth > 0; --depth) {
        const QRectF layer = top.translated(0, depth);
        for (const Span& span : spans) {
            painter.setBrush(span.colour.darker(160));
            if (span.length <= -360 * 16)
                painter.drawEllipse(layer);
            else
                painter.drawPie(layer, span.start, span.length);
        }
    }
    // The rim's outline: the lower half of the bottom ellipse and the sides.
    painter.setPen(QPen(OutlineColour(), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(top.translated(0, RimDepth), 180 * 16, 180 * 16);
    painter.drawLine(QPointF(top.left(), centre.y()), QPointF(top.left(), centre.y() + RimDepth));
    painter.drawLine(QPointF(top.right(), centre.y()), QPointF(top.right(), centre.y() + RimDepth));

    // The top face with the slice outlines.
    for (const Span& span : spans) {
        painter.setBrush(span.colour);
        if (span.length <= -360 * 16)
            painter.drawEllipse(top);
        else
            painter.drawPie(top, span.start, span.length);
    }
}
