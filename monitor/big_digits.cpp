// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/big_digits.h"

#include <QFontMetrics>
#include <algorithm>

namespace {

// What QLabel's size hint comes to for one line of plain text without a
// frame, margin or indent: the text's extent in the font.
QSize TextExtent(const QFont& font, const QString& text) { return QFontMetrics(font).size(0, text); }

bool Fits(QFont font, int pixels, const QString& text, const QSize& room) {
    font.setPixelSize(pixels);
    const QSize extent = TextExtent(font, text);
    return extent.width() <= room.width() && extent.height() <= room.height();
}

}  // namespace

int FittingPixelSize(QFont font, const QString& text, int ceiling, const QSize& room) {
    ceiling = std::max(1, ceiling);
    if (Fits(font, ceiling, text, room)) return ceiling;
    // Text extents grow with the pixel size (never shrink), so a binary
    // search finds the largest that fits.
    int fits = 1, overflows = ceiling;
    while (overflows - fits > 1) {
        const int middle = fits + (overflows - fits) / 2;
        (Fits(font, middle, text, room) ? fits : overflows) = middle;
    }
    return fits;
}

BigDigitLabel::BigDigitLabel(const QString& text, const QFont& font, QWidget* parent)
    : QLabel(text, parent), ceiling_(std::max(1, font.pixelSize())), room_(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX) {
    setFont(font);
    Fit();
}

void BigDigitLabel::setText(const QString& text) {
    if (text == QLabel::text()) return;
    QLabel::setText(text);
    Fit();
}

void BigDigitLabel::SetRoom(int ceilingPixels, const QSize& room) {
    ceiling_ = std::max(1, ceilingPixels);
    room_ = room.expandedTo(QSize(0, 0));
    Fit();
}

void BigDigitLabel::Fit() {
    // Room for the frame and margins the label may have around its text.
    const QMargins around = contentsMargins() + QMargins(margin(), margin(), margin(), margin());
    const QSize textRoom(room_.width() - around.left() - around.right(), room_.height() - around.top() - around.bottom());
    QFont fitted = font();
    fitted.setPixelSize(FittingPixelSize(fitted, text(), ceiling_, textRoom));
    if (fitted != font()) setFont(fitted);
    adjustSize();
}
