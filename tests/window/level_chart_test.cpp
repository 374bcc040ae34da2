// SPDX-License-Identifier: GPL-3.0-or-later
// The chart pieces: coloured curves, the cross-hair, the mouse's zoom and
// pan of the horizontal window, the summary box and the gauge.
#include "monitor/level_chart.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QTest>
#include <cmath>
#include <utility>
#include <vector>

namespace {

// Points of a store's level curve, each with its colour; the extremes
// curves get fixed values.
void AppendLevels(reading::CurveStore& store, const std::vector<std::pair<float, QColor>>& points) {
    for (const auto& [level, colour] : points) store.Append(level, 90, 40, {colour.rgba(), 0xFFFF0000, 0xFF008000});
}

TEST(ColouredCurve, NewColourContinuesFromTheLastPointAndOldPointsKeepTheirs) {
    QCustomPlot plot;
    plot.resize(400, 300);
    plot.xAxis->setRange(-0.5, 4.5);
    plot.yAxis->setRange(25, 135);
    reading::CurveStore store;
    ColouredCurve curve(&plot, plot.xAxis, plot.yAxis, reading::Curve::Level, &store);
    const QColor blue(0, 0, 255), red(255, 0, 0);
    const struct {
        double y;
        QColor colour;
    } points[] = {{40, blue}, {41, blue}, {50, red}, {51, red}, {45, blue}};
    for (const auto& p : points) AppendLevels(store, {{float(p.y), p.colour}});

    ASSERT_EQ(curve.Count(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(curve.KeyAt(i), i);
        EXPECT_EQ(curve.ValueAt(i), points[i].y);
        EXPECT_EQ(curve.ColourAt(i), points[i].colour) << i;
    }
    // Three strokes, one per colour run; each after the first begins at the
    // previous run's last point.
    const auto strokes = curve.Plottable()->Strokes();
    ASSERT_EQ(strokes.size(), 3);
    const auto at = [&](double x, double y) { return QPointF(plot.xAxis->coordToPixel(x), plot.yAxis->coordToPixel(y)); };
    EXPECT_EQ(strokes[0].points, (QVector<QPointF>{at(0, 40), at(1, 41)}));
    EXPECT_EQ(strokes[1].points, (QVector<QPointF>{at(1, 41), at(2, 50), at(3, 51)}));
    EXPECT_EQ(strokes[2].points, (QVector<QPointF>{at(3, 51), at(4, 45)}));
    EXPECT_EQ(strokes[0].colour, blue);
    EXPECT_EQ(strokes[1].colour, red);
    EXPECT_EQ(strokes[2].colour, blue);

    store.Clear();
    EXPECT_EQ(curve.Count(), 0);
    EXPECT_TRUE(curve.Plottable()->Strokes().isEmpty());
    EXPECT_EQ(curve.NearestIndex(3), -1);
    EXPECT_FALSE(curve.ColourAt(0).isValid());
    AppendLevels(store, {{60, red}});  // a cleared curve starts afresh
    ASSERT_EQ(curve.Plottable()->Strokes().size(), 1);
    EXPECT_EQ(curve.Plottable()->Strokes()[0].points.size(), 1);
    EXPECT_EQ(curve.ColourAt(0), red);
}

TEST(ColouredCurve, NearestIndexFindsTheClosestPoint) {
    QCustomPlot plot;
    reading::CurveStore store;
    ColouredCurve curve(&plot, plot.xAxis, plot.yAxis, reading::Curve::Level, &store);
    for (int i = 0; i < 10; ++i) AppendLevels(store, {{50, Qt::blue}});  // x = 0, 1, ..., 9
    const struct {
        double x;
        int index;
    } cases[] = {{-5, 0}, {0, 0}, {1.4, 1}, {1.5, 1}, {1.6, 2}, {8.5, 8}, {8.75, 9}, {9, 9}, {400, 9}, {qQNaN(), 0}};
    for (const auto& c : cases) EXPECT_EQ(curve.NearestIndex(c.x), c.index) << c.x;
}

// A week of one reading a second in the three curves, with a colour change
// half-way: appending stays linear and a replot of the whole week is thinned.
TEST(ColouredCurve, AWeekOfReadingsStaysFast) {
    QCustomPlot plot;
    plot.resize(800, 400);
    reading::CurveStore store;
    ColouredCurve rec(&plot, plot.xAxis, plot.yAxis, reading::Curve::Level, &store),
        max(&plot, plot.xAxis, plot.yAxis, reading::Curve::Max, &store),
        min(&plot, plot.xAxis, plot.yAxis, reading::Curve::Min, &store);
    constexpr int Week = 604800;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < Week; ++i) {
        const QColor colour = i < Week / 2 ? QColor(Qt::blue) : QColor(Qt::darkBlue);
        store.Append(float(40 + i % 50), 90, 40, {colour.rgba(), QColor(Qt::red).rgba(), QColor(Qt::green).rgba()});
    }
    const qint64 addMs = clock.restart();
    plot.xAxis->setRange(0, Week);
    plot.replot();
    const qint64 replotMs = clock.elapsed();

    EXPECT_EQ(rec.Count(), Week);
    EXPECT_EQ(store.ColourRuns(reading::Curve::Level).size(), 2u);
    EXPECT_EQ(rec.ValueAt(Week - 1), 40 + (Week - 1) % 50);
    // Thinned: a few points per pixel column, not one per reading.
    for (const auto& stroke : rec.Plottable()->Strokes()) EXPECT_LT(stroke.points.size(), 4 * 800 + 8);
    // Generous bounds (sanitizer builds are slow); a per-point cost that
    // grows with the curve would take minutes.
    EXPECT_LT(addMs, 20000);
    EXPECT_LT(replotMs, 5000);
    std::printf("week of points: %lld ms to add, %lld ms to replot\n", (long long)addMs, (long long)replotMs);
}

class LevelChartMouse : public ::testing::Test {
protected:
    void SetUp() override {
        chart.resize(800, 500);
        chart.SetBottomMaximum(300);
        chart.SetBottomMinimum(0);
        chart.show();
        chart.replot();
    }
    QPoint At(double x, double y) const {
        return QPoint(int(std::lround(chart.xAxis->coordToPixel(x))), int(std::lround(chart.yAxis->coordToPixel(y))));
    }
    void Drag(Qt::MouseButton button, QPoint from, QPoint to) {
        QTest::mousePress(&chart, button, Qt::NoModifier, from);
        for (int step = 1; step <= 4; ++step) {
            const QPoint at = from + (to - from) * step / 4;
            QMouseEvent move(QEvent::MouseMove, at, chart.mapToGlobal(at), Qt::NoButton, button, Qt::NoModifier);
            QCoreApplication::sendEvent(&chart, &move);
        }
        QTest::mouseRelease(&chart, button, Qt::NoModifier, to);
    }
    LevelChart chart;
};

TEST_F(LevelChartMouse, RightDragZoomsAndLeftDragPansOnlyTheHorizontalWindow) {
    Drag(Qt::RightButton, At(100, 120), At(200, 40));
    EXPECT_NEAR(chart.BottomMinimum(), 100, 1);
    EXPECT_NEAR(chart.BottomMaximum(), 200, 1);
    EXPECT_EQ(chart.yAxis->range(), QCPRange(25, 135));

    const double width = chart.BottomMaximum() - chart.BottomMinimum();
    const double lower = chart.BottomMinimum();
    chart.replot();
    Drag(Qt::LeftButton, At(150, 60), At(130, 100));  // 20 units left, and down
    EXPECT_NEAR(chart.BottomMinimum(), lower + 20, 0.5);
    EXPECT_NEAR(chart.BottomMaximum() - chart.BottomMinimum(), width, 1e-9);
    EXPECT_EQ(chart.yAxis->range(), QCPRange(25, 135));

    // The wheel zooms the horizontal window only.
    chart.replot();
    const QPoint centre = At(150, 80);
    QWheelEvent wheel(centre, chart.mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&chart, &wheel);
    EXPECT_LT(chart.BottomMaximum() - chart.BottomMinimum(), width);
    EXPECT_EQ(chart.yAxis->range(), QCPRange(25, 135));
}

TEST_F(LevelChartMouse, ARightClickWithoutDragLeavesTheWindowAlone) {
    QTest::mouseClick(&chart, Qt::RightButton, Qt::NoModifier, At(100, 80));
    EXPECT_EQ(chart.xAxis->range(), QCPRange(0, 300));
}

TEST_F(LevelChartMouse, CrossHairSnapsToTheNearestRecordedPointOnItsOwnLayer) {
    reading::CurveStore store;
    chart.ShowStore(&store);
    for (int i = 0; i < 300; ++i) AppendLevels(store, {{float(30 + i % 100), Qt::blue}});
    chart.replot();
    QCoreApplication::processEvents();  // the replots the additions queued
    int fullReplots = 0;
    QObject::connect(&chart, &QCustomPlot::beforeReplot, [&] { ++fullReplots; });

    const struct {
        double x;
        int index;
        double value;
    } cases[] = {{100.3, 100, 30}, {150.6, 151, 81}, {298.8, 299, 129}, {0.2, 0, 30}};
    for (const auto& c : cases) {
        QTest::mouseMove(&chart, At(c.x, 100));
        EXPECT_TRUE(chart.ChartTool1->IsShown()) << c.x;
        EXPECT_EQ(chart.ChartTool1->SnappedIndex(), c.index) << c.x;
        EXPECT_EQ(chart.ChartTool1->Position(), QPointF(c.index, c.value)) << c.x;
    }
    EXPECT_EQ(chart.ChartTool1->Layer()->mode(), QCPLayer::lmBuffered);
    EXPECT_EQ(fullReplots, 0) << "a mouse move replotted the whole chart";

    // Off the plot area (over the title) it hides.
    QTest::mouseMove(&chart, QPoint(400, 5));
    EXPECT_FALSE(chart.ChartTool1->IsShown());
    chart.ShowStore(nullptr);  // the store goes before the chart
}

TEST_F(LevelChartMouse, CrossHairFollowsTheMouseFreelyWhileThereIsNoPoint) {
    QTest::mouseMove(&chart, At(120, 70));
    EXPECT_TRUE(chart.ChartTool1->IsShown());
    EXPECT_EQ(chart.ChartTool1->SnappedIndex(), -1);
    EXPECT_NEAR(chart.ChartTool1->Position().x(), 120, 1);
    EXPECT_NEAR(chart.ChartTool1->Position().y(), 70, 1);
}

TEST(ChartTextTool, ShowsItsTextOnlyWhenThereIsOne) {
    LevelChart chart;
    EXPECT_TRUE(chart.ChartTool_Txt.Text().isEmpty());
    EXPECT_FALSE(chart.ChartTool_Txt.Item()->visible());
    chart.ChartTool_Txt.SetText(QStringLiteral("Date: 1  Value: 52,3 dB"));
    EXPECT_EQ(chart.ChartTool_Txt.Text(), QStringLiteral("Date: 1  Value: 52,3 dB"));
    EXPECT_TRUE(chart.ChartTool_Txt.Item()->visible());
    chart.ChartTool_Txt.SetText(QString());
    EXPECT_FALSE(chart.ChartTool_Txt.Item()->visible());
}

// The gauge shows exactly one bar, filled from green at its foot to red at
// its top whatever its height: a low bar reads red at its top too.
TEST(GaugeChart, OneBarGreenAtItsFootAndRedAtItsTop) {
    GaugeChart gauge;
    gauge.resize(105, 450);
    gauge.show();
    EXPECT_EQ(gauge.BarCount(), 0);
    gauge.ShowBar(120);
    gauge.ShowBar(60);
    EXPECT_EQ(gauge.BarCount(), 1);
    EXPECT_DOUBLE_EQ(gauge.BarValue(), 60);
    EXPECT_EQ(gauge.yAxis->range(), QCPRange(25, 135));

    const auto picture = [&](double level) {
        gauge.ShowBar(level);
        gauge.replot();
        return gauge.toPixmap(105, 450).toImage();
    };
    const int x = int(gauge.xAxis->coordToPixel(0));
    const auto colourAt = [&](const QImage& image, double level) {
        return image.pixelColor(x, int(gauge.yAxis->coordToPixel(level)));
    };
    gauge.Series1->data()->clear();
    gauge.replot();
    const QImage none = gauge.toPixmap(105, 450).toImage();
    for (const double level : {40.0, 60.0, 90.0, 130.0}) {
        SCOPED_TRACE(level);
        const QImage image = picture(level);
        const double span = level - GaugeChart::ScaleMin;
        const QColor foot = colourAt(image, GaugeChart::ScaleMin + 0.05 * span);
        const QColor top = colourAt(image, level - 0.05 * span);
        const QColor middle = colourAt(image, GaugeChart::ScaleMin + 0.5 * span);
        EXPECT_GT(foot.green(), 200);
        EXPECT_LT(foot.red(), 50);
        EXPECT_GT(top.red(), 200);
        EXPECT_LT(top.green(), 50);
        EXPECT_NEAR(middle.red(), middle.green(), 30);
        // Above the bar: the background, not a bar colour.
        if (level < 120) {
            EXPECT_EQ(colourAt(image, level + 10), colourAt(none, level + 10));
        }
    }
}

}  // namespace
