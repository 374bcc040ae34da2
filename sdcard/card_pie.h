// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A two-slice pie drawn as a tilted disc with a rim: an ellipse with radii
// 55 and 25 pixels, slices starting 20 degrees round, outlines in
// RGB(128, 128, 192); no title, legend, axes or labels. The card dialog
// shows the free and used shares of the card in it.
#include <QColor>
#include <QWidget>
#include <vector>

class CardPie : public QWidget {
    Q_OBJECT
public:
    explicit CardPie(QWidget* parent = nullptr);

    struct Slice {
        double value;
        QColor colour;
    };

    void Clear();
    void AddSlice(double value, const QColor& colour);
    const std::vector<Slice>& Slices() const { return slices_; }

    static constexpr int RadiusX = 55;
    static constexpr int RadiusY = 25;
    static constexpr int Rotation = 20;   // degrees the first slice starts at
    static constexpr int RimDepth = 10;   // pixels of the disc's edge seen below it
    static QColor OutlineColour() { return QColor(128, 128, 192); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<Slice> slices_;
};
