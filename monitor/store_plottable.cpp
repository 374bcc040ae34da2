// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/store_plottable.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using reading::Curve;
using reading::CurveStore;

// Reads the values of a curve at rising indices without a search per point:
// levels straight from the store, extremes by walking their steps.
class LevelReader {
public:
    explicit LevelReader(const CurveStore& store) : store_(store) {}
    double At(std::size_t i) { return double(store_.Level(i)); }

private:
    const CurveStore& store_;
};

class StepReader {
public:
    StepReader(const std::vector<CurveStore::Step>& steps, std::size_t first) : steps_(steps) {
        const auto after = std::upper_bound(steps.begin(), steps.end(), first,
                                            [](std::size_t point, const CurveStore::Step& s) { return point < s.first; });
        step_ = std::size_t(after - steps.begin()) - 1;
    }
    double At(std::size_t i) {
        while (step_ + 1 < steps_.size() && steps_[step_ + 1].first <= i) ++step_;
        return double(steps_[step_].value);
    }

private:
    const std::vector<CurveStore::Step>& steps_;
    std::size_t step_;
};

struct Point {
    double key;
    double value;
};

// The points [first, end) as the line's points in plot coordinates. Where
// there are at least two points per pixel column on average, each column's
// points become a short vertical stroke from their smallest to their largest
// value, with the column's first and last real point kept where the line
// arrives from or leaves for a column further away. The arithmetic is
// QCPGraph's adaptive sampling step by step (keys here are the indices), so
// the strokes land on the same pixels as a QCPGraph of the same points.
template <class Reader>
void Thin(const QCPAxis* keyAxis, Reader values, std::size_t first, std::size_t end, QVector<Point>& out) {
    if (first == end) return;
    const std::size_t dataCount = end - first;
    std::size_t maxCount = std::numeric_limits<std::size_t>::max();
    const double keyPixelSpan =
        std::abs(keyAxis->coordToPixel(double(first)) - keyAxis->coordToPixel(double(end - 1)));
    if (2 * keyPixelSpan + 2 < double(std::numeric_limits<int>::max())) maxCount = std::size_t(int(2 * keyPixelSpan + 2));

    if (dataCount < maxCount) {
        out.reserve(qsizetype(dataCount));
        for (std::size_t i = first; i < end; ++i) out.append({double(i), values.At(i)});
        return;
    }

    double value = values.At(first);
    double minValue = value;
    double maxValue = value;
    double previousValue = value;
    double intervalFirstKey = double(first);
    double intervalFirstValue = value;
    const int reversedFactor = keyAxis->pixelOrientation();
    const int reversedRound = reversedFactor == -1 ? 1 : 0;  // floor, or ceil on a reversed axis
    double intervalStartKey = keyAxis->pixelToCoord(int(keyAxis->coordToPixel(double(first)) + reversedRound));
    double lastIntervalEndKey = intervalStartKey;
    // One pixel column in plot coordinates.
    double keyEpsilon =
        std::abs(intervalStartKey - keyAxis->pixelToCoord(keyAxis->coordToPixel(intervalStartKey) + 1.0 * reversedFactor));
    const bool keyEpsilonVariable = keyAxis->scaleType() == QCPAxis::stLogarithmic;
    int intervalDataCount = 1;

    const auto closeInterval = [&](bool nextIsFar) {
        if (intervalDataCount >= 2) {
            if (lastIntervalEndKey < intervalStartKey - keyEpsilon)
                out.append({intervalStartKey + keyEpsilon * 0.2, intervalFirstValue});
            out.append({intervalStartKey + keyEpsilon * 0.25, minValue});
            out.append({intervalStartKey + keyEpsilon * 0.75, maxValue});
            if (nextIsFar) out.append({intervalStartKey + keyEpsilon * 0.8, previousValue});
        } else {
            out.append({intervalFirstKey, intervalFirstValue});
        }
    };

    for (std::size_t i = first + 1; i < end; ++i) {
        const double key = double(i);
        value = values.At(i);
        if (key < intervalStartKey + keyEpsilon) {
            // Still the same pixel column: widen its span.
            if (value < minValue)
                minValue = value;
            else if (value > maxValue)
                maxValue = value;
            ++intervalDataCount;
        } else {
            closeInterval(key > intervalStartKey + keyEpsilon * 2);
            lastIntervalEndKey = double(i - 1);
            minValue = value;
            maxValue = value;
            intervalFirstKey = key;
            intervalFirstValue = value;
            intervalStartKey = keyAxis->pixelToCoord(int(keyAxis->coordToPixel(key) + reversedRound));
            if (keyEpsilonVariable)
                keyEpsilon = std::abs(intervalStartKey -
                                      keyAxis->pixelToCoord(keyAxis->coordToPixel(intervalStartKey) + 1.0 * reversedFactor));
            intervalDataCount = 1;
        }
        previousValue = value;
    }
    closeInterval(false);  // the last column has no next point
}

// The first index of [first, end) whose key is at or above `key` (end when
// none), as a binary search over keys first, first + 1, ... would find it.
std::size_t FirstAtOrAbove(double key, std::size_t first, std::size_t end) {
    if (!(key > double(first))) return first;  // also NaN
    if (!(key <= double(end))) return end;
    return std::size_t(std::ceil(key));
}

// The first index of [first, end) whose key is above `key` (end when none).
std::size_t FirstAbove(double key, std::size_t first, std::size_t end) {
    if (!(key >= double(first))) return first;
    if (!(key < double(end))) return end;
    return std::size_t(std::floor(key)) + 1;
}

}  // namespace

StorePlottable::StorePlottable(QCPAxis* keyAxis, QCPAxis* valueAxis, const reading::CurveStore* store,
                               reading::Curve curve)
    : QCPAbstractPlottable(keyAxis, valueAxis), store_(store), curve_(curve) {
    setBrush(Qt::NoBrush);
    setSelectable(QCP::stNone);
}

QVector<QPointF> StorePlottable::RunLines(std::size_t segmentFirst, std::size_t segmentEnd) const {
    QCPAxis* keyAxis = mKeyAxis.data();
    QCPAxis* valueAxis = mValueAxis.data();
    // The points in view and the one just outside on either side, so the
    // line reaches the plot's edges.
    std::size_t begin = FirstAtOrAbove(keyAxis->range().lower, segmentFirst, segmentEnd);
    if (begin != segmentFirst) --begin;
    std::size_t end = FirstAbove(keyAxis->range().upper, segmentFirst, segmentEnd);
    if (end != segmentEnd) ++end;
    if (begin >= end) return {};

    QVector<Point> points;
    if (curve_ == Curve::Level)
        Thin(keyAxis, LevelReader(*store_), begin, end, points);
    else
        Thin(keyAxis, StepReader(store_->Steps(curve_), begin), begin, end, points);
    // Pixels rising along the key direction, as QCPGraph orders them.
    if (keyAxis->rangeReversed() != (keyAxis->orientation() == Qt::Vertical)) std::reverse(points.begin(), points.end());

    QVector<QPointF> lines(points.size());
    const bool vertical = keyAxis->orientation() == Qt::Vertical;
    for (qsizetype i = 0; i < points.size(); ++i) {
        const double k = keyAxis->coordToPixel(points[i].key);
        const double v = valueAxis->coordToPixel(points[i].value);
        lines[i] = vertical ? QPointF(v, k) : QPointF(k, v);
    }
    return lines;
}

QVector<StorePlottable::Stroke> StorePlottable::Strokes() const {
    QVector<Stroke> strokes;
    if (!mKeyAxis || !mValueAxis || !store_ || store_->Empty()) return strokes;
    if (mKeyAxis.data()->range().size() <= 0) return strokes;
    const auto& runs = store_->ColourRuns(curve_);
    const std::size_t count = store_->Count();
    for (std::size_t r = 0; r < runs.size(); ++r) {
        // A run after the first starts at the curve's last point before it.
        const std::size_t first = runs[r].first == 0 ? 0 : runs[r].first - 1;
        const std::size_t end = r + 1 < runs.size() ? runs[r + 1].first : count;
        QVector<QPointF> lines = RunLines(first, end);
        if (!lines.isEmpty()) strokes.append({QColor::fromRgba(runs[r].colour), std::move(lines)});
    }
    return strokes;
}

void StorePlottable::draw(QCPPainter* painter) {
    const QVector<Stroke> strokes = Strokes();
    for (const Stroke& stroke : strokes) {
        QPen pen = mPen;
        pen.setColor(stroke.colour);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        if (pen.style() == Qt::NoPen || pen.color().alpha() == 0) continue;
        applyDefaultAntialiasingHint(painter);
        DrawPolyline(painter, stroke.points);
    }
}

void StorePlottable::DrawPolyline(QCPPainter* painter, const QVector<QPointF>& lines) const {
    // As QCustomPlot's own line plots: a 1-pixel pen on screen is drawn
    // cosmetic (much faster in Qt 6, same look), and a solid line in fast
    // mode as single segments.
    if (!painter->modes().testFlag(QCPPainter::pmVectorized) && qFuzzyCompare(painter->pen().widthF(), 1.0)) {
        QPen cosmetic = painter->pen();
        cosmetic.setWidth(0);
        painter->setPen(cosmetic);
    }
    const auto isGap = [](const QPointF& p) { return qIsNaN(p.x()) || qIsNaN(p.y()); };
    const qsizetype n = lines.size();
    if (mParentPlot->plottingHints().testFlag(QCP::phFastPolylines) && painter->pen().style() == Qt::SolidLine &&
        !painter->modes().testFlag(QCPPainter::pmVectorized) && !painter->modes().testFlag(QCPPainter::pmNoCaching)) {
        qsizetype i = 0;
        bool lastIsGap = false;
        while (i < n && isGap(lines[i])) ++i;
        for (++i; i < n; ++i) {
            if (!isGap(lines[i])) {
                if (!lastIsGap)
                    painter->drawLine(lines[i - 1], lines[i]);
                else
                    lastIsGap = false;
            } else {
                lastIsGap = true;
            }
        }
        return;
    }
    qsizetype segmentStart = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (isGap(lines[i]) || qIsInf(lines[i].y())) {
            painter->drawPolyline(lines.constData() + segmentStart, int(i - segmentStart));
            segmentStart = i + 1;
        }
    }
    painter->drawPolyline(lines.constData() + segmentStart, int(n - segmentStart));
}

void StorePlottable::drawLegendIcon(QCPPainter* painter, const QRectF& rect) const {
    applyDefaultAntialiasingHint(painter);
    painter->setPen(mPen);
    const double y = rect.top() + rect.height() / 2.0;
    painter->drawLine(QLineF(rect.left(), y, rect.right() + 5, y));
}

double StorePlottable::selectTest(const QPointF& pos, bool onlySelectable, QVariant* details) const {
    Q_UNUSED(pos)
    Q_UNUSED(onlySelectable)
    Q_UNUSED(details)
    return -1;  // the curves are never selected; the cross-hair shows points
}

QCPRange StorePlottable::getKeyRange(bool& foundRange, QCP::SignDomain inSignDomain) const {
    foundRange = false;
    if (!store_ || store_->Empty()) return {};
    const double last = double(store_->Count() - 1);
    switch (inSignDomain) {
    case QCP::sdNegative:
        return {};  // keys are indices: none below zero
    case QCP::sdPositive:
        if (last < 1) return {};
        foundRange = true;
        return {1, last};
    case QCP::sdBoth:
        break;
    }
    foundRange = true;
    return {0, last};
}

QCPRange StorePlottable::getValueRange(bool& foundRange, QCP::SignDomain inSignDomain, const QCPRange& inKeyRange) const {
    foundRange = false;
    if (!store_ || store_->Empty()) return {};
    std::size_t first = 0;
    std::size_t end = store_->Count();
    if (inKeyRange != QCPRange()) {
        first = FirstAtOrAbove(inKeyRange.lower, 0, end);
        end = FirstAbove(inKeyRange.upper, 0, end);
        if (first >= end) return {};
    }
    const reading::CurveStore::Span span = store_->ValueSpan(curve_, first, end - 1);
    const QCPRange range(span.low, span.high);
    // The values of a sound level curve are all positive; a sign domain
    // that excludes the whole span finds nothing.
    if (inSignDomain == QCP::sdPositive && !(range.upper > 0)) return {};
    if (inSignDomain == QCP::sdNegative && !(range.lower < 0)) return {};
    foundRange = true;
    return range;
}
