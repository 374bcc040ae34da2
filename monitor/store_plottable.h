// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A QCustomPlot plottable that draws one curve of a reading::CurveStore
// straight from the store, with no copy of its points: point i stands at
// key i. Window code (qv_ui).
//
// It draws what one QCPGraph per run of one colour would draw (a line,
// adaptive sampling, no scatters): each run is one unbroken line that
// begins at the curve's last point before the run, so a colour change
// recolours only the later points and the curve has no gap. Only the points
// in the visible key range (and one either side) are read, and a range with
// at least two points per pixel column is thinned to one vertical stroke
// per column, the way QCPGraph's adaptive sampling does, so a replot costs
// about the same with a month of points in view as with a few thousand.
#include "reading/curve_store.h"

#include <qcustomplot.h>

#include <QPointF>
#include <QVector>

class StorePlottable : public QCPAbstractPlottable {
    Q_OBJECT
public:
    StorePlottable(QCPAxis* keyAxis, QCPAxis* valueAxis, const reading::CurveStore* store, reading::Curve curve);

    // The store drawn from (it must outlive the plottable, or be replaced).
    void SetStore(const reading::CurveStore* store) { store_ = store; }
    const reading::CurveStore* Store() const { return store_; }
    reading::Curve Which() const { return curve_; }

    // The lines one replot strokes, in pixels, each with its colour: one
    // polyline per colour run that has a point in view. For tests and
    // benches that check what is drawn without a painter.
    struct Stroke {
        QColor colour;
        QVector<QPointF> points;
    };
    QVector<Stroke> Strokes() const;

    // QCPAbstractPlottable: not selectable; ranges for rescaling axes.
    double selectTest(const QPointF& pos, bool onlySelectable, QVariant* details = nullptr) const override;
    QCPRange getKeyRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth) const override;
    QCPRange getValueRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                           const QCPRange& inKeyRange = QCPRange()) const override;

protected:
    void draw(QCPPainter* painter) override;
    void drawLegendIcon(QCPPainter* painter, const QRectF& rect) const override;

private:
    // The lines of the run of points [segmentFirst, segmentEnd), in pixels.
    QVector<QPointF> RunLines(std::size_t segmentFirst, std::size_t segmentEnd) const;
    void DrawPolyline(QCPPainter* painter, const QVector<QPointF>& lines) const;

    const reading::CurveStore* store_;
    reading::Curve curve_;
};
