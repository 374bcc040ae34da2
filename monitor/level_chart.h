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
#include "monitor/store_plottable.h"
#include "reading/curve_store.h"

#include <qcustomplot.h>

#include <QColor>
#include <QString>
#include <vector>

// One of the chart's three curves, as the chart shows it: a view of one
// curve of a reading::CurveStore (point i at x = i), drawn by a
// StorePlottable straight from the store. Each point keeps the colour its
// curve had when the point was added; a new colour's line begins at the
// curve's last point, so the line stays unbroken. Holds no points itself:
// the store (the readings session's) is the one copy.
class ColouredCurve {
public:
    ColouredCurve(QCustomPlot* plot, QCPAxis* keyAxis, QCPAxis* valueAxis, reading::Curve which,
                  const reading::CurveStore* store = nullptr);
    ColouredCurve(const ColouredCurve&) = delete;
    ColouredCurve& operator=(const ColouredCurve&) = delete;

    // The store shown (none: an empty curve). It must outlive its use here.
    void SetStore(const reading::CurveStore* store) { plottable_->SetStore(store); }
    const reading::CurveStore* Store() const { return plottable_->Store(); }

    int Count() const { return Store() ? int(Store()->Count()) : 0; }
    double KeyAt(int i) const { return double(i); }
    double ValueAt(int i) const { return double(Store()->Value(plottable_->Which(), std::size_t(i))); }
    // The colour point i was drawn with; invalid outside the curve.
    QColor ColourAt(int i) const;

    // Index of the point whose x is nearest to x (the lower one at a tie);
    // -1 when empty.
    int NearestIndex(double x) const;

    // The curve's own colour, shown by its legend icon. The colours points
    // are drawn with are the store's.
    void SetColour(const QColor& colour);
    QColor Colour() const { return plottable_->pen().color(); }

    StorePlottable* Plottable() const { return plottable_; }

private:
    StorePlottable* plottable_;  // owned by the plot
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

    // Shows the three curves of `store` (none: empty curves); the store
    // must outlive its use here. Queues a replot.
    void ShowStore(const reading::CurveStore* store);

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
