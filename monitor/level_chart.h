// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's charts, built on QCustomPlot:
//   LevelChart  - the line chart of the chart page: three coloured curves,
//                 a fixed 25..135 dB scale, a horizontal window the user may
//                 zoom (right-drag draws a red band, the wheel zooms) and pan
//                 (left-drag), an orange cross-hair tied to the level curve
//                 and a half-transparent summary box at the bottom left.
//   GaugeChart  - the one-bar level gauge of the big-digit page.
//
// Window code: lives in the qv_ui library.
#include <qcustomplot.h>

#include <QColor>
#include <QString>
#include <vector>

// A line curve whose points carry their own colour. Points of one colour
// share a QCPGraph; a point of another colour starts a new graph that
// begins at the curve's last point, so the line stays unbroken and the
// points already drawn keep their colour.
//
// x must not decrease from one point to the next (the callers add the point
// index); appending is then O(1) amortised, which keeps a week of one
// reading per second (604,800 points) cheap.
class ColouredCurve {
public:
    ColouredCurve(QCustomPlot* plot, QCPAxis* keyAxis, QCPAxis* valueAxis);
    ColouredCurve(const ColouredCurve&) = delete;
    ColouredCurve& operator=(const ColouredCurve&) = delete;

    void Add(double x, double y, const QColor& colour);
    // Appends points of one colour at x = Count(), Count() + 1, ... in one
    // go (one insert into the graph, one replot), for loading whole files.
    void AddIndexed(const std::vector<double>& values, const QColor& colour);
    void Clear();
    int Count() const { return int(keys_.size()); }
    double KeyAt(int i) const { return keys_[std::size_t(i)]; }
    double ValueAt(int i) const { return values_[std::size_t(i)]; }
    QColor ColourAt(int i) const;

    // Index of the point whose x is nearest to x (binary search); -1 when empty.
    int NearestIndex(double x) const;

    // The curve's own colour (used for the first point when no colour is
    // given and shown by tools); points keep the colour they were added with.
    void SetColour(const QColor& colour) { colour_ = colour; }
    QColor Colour() const { return colour_; }

    // The graphs that draw the curve, one per run of one colour.
    const std::vector<QCPGraph*>& Graphs() const { return graphs_; }

private:
    QCPGraph* StartGraph(const QColor& colour);

    QCustomPlot* plot_;
    QCPAxis* keyAxis_;
    QCPAxis* valueAxis_;
    QColor colour_ = Qt::blue;
    std::vector<double> keys_;
    std::vector<double> values_;
    std::vector<QCPGraph*> graphs_;
    std::vector<int> graphStarts_;  // index of the first own point of each graph
};

// Orange cross-hair that follows the mouse over the plot and snaps to the
// nearest point of one curve. It sits on a buffered layer of its own, so a
// mouse move replots only that layer, whatever the length of the curves.
class CrossHairTool : public QObject {
    Q_OBJECT
public:
    CrossHairTool(QCustomPlot* plot, const ColouredCurve* curve);

    // Places the cross-hair for a mouse position in widget pixels; hides it
    // outside the plot area. Replots the cross-hair's layer only.
    void FollowMouse(const QPointF& pixel);
    void Hide();

    bool IsShown() const { return vertical_->visible(); }
    // The point the cross-hair stands on (plot coordinates); its index in the
    // curve, or -1 when the curve is empty and the cross-hair follows freely.
    QPointF Position() const { return position_; }
    int SnappedIndex() const { return snapped_; }
    QCPLayer* Layer() const { return layer_; }

private:
    QCustomPlot* plot_;
    const ColouredCurve* curve_;
    QCPLayer* layer_;
    QCPItemStraightLine* vertical_;
    QCPItemStraightLine* horizontal_;
    QPointF position_;
    int snapped_ = -1;
};

// Half-transparent text box at the bottom left of the plot area.
class ChartTextTool {
public:
    explicit ChartTextTool(QCustomPlot* plot);
    void SetText(const QString& text);
    QString Text() const { return item_->text(); }
    QCPItemText* Item() const { return item_; }

private:
    QCustomPlot* plot_;
    QCPItemText* item_;
};

// The line chart of the chart page.
class LevelChart : public QCustomPlot {
    Q_OBJECT
public:
    explicit LevelChart(QWidget* parent = nullptr);
    ~LevelChart() override;

    static constexpr double LevelAxisMin = 25;
    static constexpr double LevelAxisMax = 135;

    ColouredCurve Series_rec;
    ColouredCurve Series_max;
    ColouredCurve Series_min;
    CrossHairTool* ChartTool1;
    ChartTextTool ChartTool_Txt;

    // The horizontal window [minimum, maximum] of the bottom axis.
    double BottomMinimum() const { return xAxis->range().lower; }
    double BottomMaximum() const { return xAxis->range().upper; }
    void SetBottomMinimum(double value);
    void SetBottomMaximum(double value);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
};

// The level gauge of the big-digit page: one full-width bar on a fixed
// 25..135 dB scale, filled with a gradient over the bar itself: green at
// its foot to the point's colour, red, at its top, whatever its height.
class GaugeChart : public QCustomPlot {
    Q_OBJECT
public:
    explicit GaugeChart(QWidget* parent = nullptr);

    static constexpr double ScaleMin = 25;
    static constexpr double ScaleMax = 135;

    QCPBars* Series1;

    // Clears the gauge and shows one bar of the given height.
    void ShowBar(double value);
    // The height of the bar shown; nothing shown reads as NaN.
    double BarValue() const;
    int BarCount() const { return Series1->data()->size(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateMargins();
    void UpdateGradient();
};
