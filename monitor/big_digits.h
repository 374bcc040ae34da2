// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The big digits of the big-digit page: a label whose font is as large as
// the page's layout allows, shrunk as far as needed for its text to fit the
// room it is given, and resized to its text whenever the text or the room
// changes. Before, the size was set only when the layout ran, so a
// "100,0" that came after " 90,0" was cut until the next page switch, and a
// wide page gave a font whose "100,0" ran past the page's edge.
#include <QFont>
#include <QLabel>
#include <QSize>
#include <QString>

// The largest pixel size, at most `ceiling` and at least 1, at which `text`
// in `font` (its pixel size replaced) fits `room` as a label sizes it.
int FittingPixelSize(QFont font, const QString& text, int ceiling, const QSize& room);

class BigDigitLabel : public QLabel {
    Q_OBJECT
public:
    BigDigitLabel(const QString& text, const QFont& font, QWidget* parent = nullptr);

    // Hides QLabel::setText (called on a BigDigitLabel*): sets the text,
    // then fits the font and the label's size to it.
    void setText(const QString& text);
    // The pixel size the layout asks for and the room the label may take
    // from its top left corner.
    void SetRoom(int ceilingPixels, const QSize& room);

    int CeilingPixels() const { return ceiling_; }
    QSize Room() const { return room_; }

private:
    void Fit();

    int ceiling_;
    QSize room_;
};
