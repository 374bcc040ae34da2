// SPDX-License-Identifier: GPL-3.0-or-later
// The plottable that draws a curve straight from the curve store: what it
// draws must be, pixel for pixel, what QCustomPlot's own QCPGraph draws for
// the same points (one graph per colour run, each run beginning at the
// curve's last point before it, adaptive sampling on), whether the range in
// view is dense, sparse, zoomed into the middle or empty.
#include "monitor/store_plottable.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <QPixmap>
#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

namespace {

using reading::Argb;
using reading::Curve;
using reading::CurveStore;

constexpr Argb Blue = 0xFF0000FF;
constexpr Argb Red = 0xFFFF0000;
constexpr Argb Green = 0xFF008000;
constexpr Argb Orange = 0xFFFF8000;

// Levels as the meter gives them (tenths of a dB, 30..120), wandering with
// jumps, so thinned columns have real spans; the extremes by the running rule.
void Fill(CurveStore& store, std::size_t count, const std::function<Argb(std::size_t)>& levelColour) {
    std::uint32_t seed = 12345;
    float level = 60;
    float max = 0, min = 0;
    for (std::size_t i = 0; i < count; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const int step = int(seed >> 24) % 41 - 20;  // -2.0 .. +2.0 dB
        level = std::clamp(level + float(step) / 10.0f, 30.0f, 120.0f);
        if ((seed >> 8) % 5000 == 0) level = 30 + float((seed >> 12) % 900) / 10.0f;  // a jump now and then
        level = float(int(level * 10.0f + 0.5f)) / 10.0f;
        if (i == 0 || level > max) max = level;
        if (i == 0 || level < min) min = level;
        store.Append(level, max, min, {levelColour(i), i < count / 2 ? Red : Orange, Green});
    }
}

// The reference: the curve as QCPGraphs, one per colour run, the way the
// chart drew it before it drew from the store.
std::vector<QCPGraph*> ReferenceGraphs(QCustomPlot& plot, const CurveStore& store, Curve curve) {
    std::vector<QCPGraph*> graphs;
    const auto& runs = store.ColourRuns(curve);
    for (std::size_t r = 0; r < runs.size(); ++r) {
        QCPGraph* graph = plot.addGraph();
        graph->setPen(QPen(QColor::fromRgba(runs[r].colour)));
        graph->setLineStyle(QCPGraph::lsLine);
        graph->setAdaptiveSampling(true);
        const std::size_t first = runs[r].first == 0 ? 0 : runs[r].first - 1;
        const std::size_t end = r + 1 < runs.size() ? runs[r + 1].first : store.Count();
        QVector<QCPGraphData> points;
        for (std::size_t i = first; i < end; ++i) points.append(QCPGraphData(double(i), double(store.Value(curve, i))));
        graph->data()->set(points, true);
        graphs.push_back(graph);
    }
    return graphs;
}

enum class Render { Print, Screen, ScreenFastLines };

QImage Picture(QCustomPlot& plot, Render how) {
    if (how == Render::Print) return plot.toPixmap(plot.width(), plot.height()).toImage();
    plot.setPlottingHint(QCP::phFastPolylines, how == Render::ScreenFastLines);
    plot.replot(QCustomPlot::rpImmediateRefresh);
    return plot.grab().toImage();
}

int DifferingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int differing = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) differing += x.pixel(col, row) != y.pixel(col, row);
    return differing;
}

// Pixels that are not the plot's white background: proof there was a line.
int InkedPixels(const QImage& image, const QRect& area) {
    int inked = 0;
    for (int row = area.top(); row <= area.bottom(); ++row)
        for (int col = area.left(); col <= area.right(); ++col) inked += image.pixel(col, row) != qRgb(255, 255, 255);
    return inked;
}

struct Case {
    const char* name;
    std::size_t points;
    Curve curve;
    double lower, upper;  // the key range in view
    Render render;
    std::function<Argb(std::size_t)> levelColour;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const auto AllBlue = [](std::size_t) { return Blue; };
// Colour changes: at point 1, mid-way, and one point before the end.
const auto Runs = [](std::size_t i) -> Argb {
    if (i == 0) return Blue;
    if (i < 50000) return Red;
    if (i < 99999) return Orange;
    return Blue;
};

class StorePlottableDraws : public ::testing::TestWithParam<Case> {};

TEST_P(StorePlottableDraws, WhatQCPGraphDrawsForTheSamePoints) {
    const Case& c = GetParam();
    CurveStore store;
    Fill(store, c.points, c.levelColour);
    QCustomPlot plot;
    plot.resize(800, 400);
    plot.xAxis->setRange(c.lower, c.upper);
    plot.yAxis->setRange(25, 135);

    auto* ours = new StorePlottable(plot.xAxis, plot.yAxis, &store, c.curve);
    ours->setPen(QPen(QColor(Qt::blue)));
    const std::vector<QCPGraph*> reference = ReferenceGraphs(plot, store, c.curve);

    for (QCPGraph* g : reference) g->setVisible(false);
    const QImage drawn = Picture(plot, c.render);
    ours->setVisible(false);
    for (QCPGraph* g : reference) g->setVisible(true);
    const QImage expected = Picture(plot, c.render);

    EXPECT_EQ(DifferingPixels(drawn, expected), 0);
    // Not two blank pictures: the curve left ink in the plot area.
    const QRect area = plot.axisRect()->rect();
    EXPECT_GT(InkedPixels(drawn, area.adjusted(1, 1, -1, -1)), area.width() / 2);

    // A dense range is thinned: at most about four points per pixel column,
    // whatever the number of points in view.
    qsizetype strokePoints = 0;
    for (const auto& stroke : ours->Strokes()) strokePoints += stroke.points.size();
    EXPECT_LE(strokePoints, 4 * area.width() + 4 * qsizetype(store.ColourRuns(c.curve).size()) + 8);
}

const std::size_t Dense = 100000;
INSTANTIATE_TEST_SUITE_P(
    Ranges, StorePlottableDraws,
    ::testing::Values(Case{"dense_print", Dense, Curve::Level, 0, Dense, Render::Print, AllBlue},
                      Case{"dense_screen", Dense, Curve::Level, 0, Dense, Render::Screen, AllBlue},
                      Case{"dense_fast_lines", Dense, Curve::Level, 0, Dense, Render::ScreenFastLines, AllBlue},
                      Case{"sparse", 300, Curve::Level, -0.5, 299.5, Render::Screen, AllBlue},
                      Case{"sparse_beyond_the_end", 120, Curve::Level, 0, 300, Render::Print, AllBlue},
                      Case{"colour_runs", Dense, Curve::Level, 0, Dense, Render::Screen, Runs},
                      Case{"colour_runs_zoomed_on_a_change", Dense, Curve::Level, 49700.5, 50300.25, Render::Screen,
                           Runs},
                      Case{"max_steps", Dense, Curve::Max, 0, Dense, Render::Screen, AllBlue},
                      Case{"max_steps_print", Dense, Curve::Max, 0, Dense, Render::Print, AllBlue},
                      Case{"min_steps", Dense, Curve::Min, 0, Dense, Render::Screen, AllBlue},
                      Case{"zoomed_into_the_middle_sparse", Dense, Curve::Level, 40000.3, 40500.7, Render::Screen,
                           AllBlue},
                      Case{"zoomed_into_the_middle_dense", Dense, Curve::Level, 20000.5, 61000, Render::Print,
                           AllBlue}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(StorePlottable, AnEmptyStoreOrNoStoreDrawsNothing) {
    CurveStore store;
    QCustomPlot plot;
    plot.resize(400, 300);
    plot.xAxis->setRange(0, 300);
    const QImage bare = Picture(plot, Render::Screen);
    auto* ours = new StorePlottable(plot.xAxis, plot.yAxis, &store, Curve::Level);
    EXPECT_TRUE(ours->Strokes().isEmpty());
    EXPECT_EQ(DifferingPixels(Picture(plot, Render::Screen), bare), 0);
    ours->SetStore(nullptr);
    EXPECT_TRUE(ours->Strokes().isEmpty());
    EXPECT_EQ(DifferingPixels(Picture(plot, Render::Screen), bare), 0);

    bool found = true;
    ours->getKeyRange(found);
    EXPECT_FALSE(found);
    ours->getValueRange(found);
    EXPECT_FALSE(found);
}

// The ranges rescaling the axes uses: keys are the indices, values the
// curve's own (within a key range when one is given).
TEST(StorePlottable, KeyAndValueRangesAreTheCurvesOwn) {
    CurveStore store;
    const float levels[] = {50, 70, 40, 60};
    float max = 0, min = 0;
    for (int i = 0; i < 4; ++i) {
        max = i == 0 ? levels[i] : std::max(max, levels[i]);
        min = i == 0 ? levels[i] : std::min(min, levels[i]);
        store.Append(levels[i], max, min, {Blue, Red, Green});
    }
    QCustomPlot plot;
    // The plot owns its plottables.
    StorePlottable& level = *new StorePlottable(plot.xAxis, plot.yAxis, &store, Curve::Level);
    StorePlottable& maxima = *new StorePlottable(plot.xAxis, plot.yAxis, &store, Curve::Max);
    bool found = false;
    EXPECT_EQ(level.getKeyRange(found), QCPRange(0, 3));
    EXPECT_TRUE(found);
    EXPECT_EQ(level.getValueRange(found), QCPRange(40, 70));
    EXPECT_EQ(level.getValueRange(found, QCP::sdBoth, QCPRange(1.5, 3)), QCPRange(40, 60));
    EXPECT_EQ(maxima.getValueRange(found), QCPRange(50, 70));
    EXPECT_EQ(maxima.getValueRange(found, QCP::sdBoth, QCPRange(0, 0.5)), QCPRange(50, 50));
    level.getValueRange(found, QCP::sdBoth, QCPRange(10, 20));  // beyond the last point
    EXPECT_FALSE(found);

    plot.rescaleAxes();
    EXPECT_EQ(plot.xAxis->range(), QCPRange(0, 3));
    EXPECT_EQ(plot.yAxis->range(), QCPRange(40, 70));
}

}  // namespace
