// SPDX-License-Identifier: GPL-3.0-or-later
// A recording that has run for a week (604,800 readings): the cost of one
// more tick, with the chart showing the newest 300 readings and everything
// redrawn, and of the cross-hair following the mouse. Run from a folder with
// ico/min.bmp (scripts/bench runs in the build's run folder).
#include "monitor/F_main.h"
#include "monitor/reading_grid.h"
#include "platform/testing/seam_doubles.h"
#include "sim/metersim.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>

namespace {

constexpr int Week = 604800;

struct WeekOnShow {
    platform::testing::SeamDoubles seams;
    std::unique_ptr<TFormMain> window;

    WeekOnShow() {
        metersim_reset();
        metersim_configure("levels = pattern:sine\n");
        seams.time.onAdvance = [](int ms) { metersim_advance_ms(ms); };
        window = std::make_unique<TFormMain>();
        window->FormCreate();
        window->Recorder().Timer().stop();
        window->show();
        seams.time.Advance(1000);
        window->Recorder().Tick();
        window->ToolButton3Click();
        // A week of readings, stored as a loaded record file's are (the same
        // 16 bytes a row as live rows; the points in the session's store).
        std::vector<std::uint32_t> words;
        for (int i = 0; i < Week; ++i) words.push_back(std::uint32_t(200 + (i * 7) % 400) | (6u << 10));
        window->Session().AppendFileWords(words, seams.time.Now().date());
        window->Chart1->SetBottomMaximum(Week + 10);
        window->Chart1->SetBottomMinimum(Week - 290);
        window->StringGrid->scrollToBottom();
        QApplication::processEvents();
    }
};

WeekOnShow& Fixture() {
    static WeekOnShow fixture;
    return fixture;
}

// One tick taking one reading, then both charts redrawn at once (the goal:
// at most 2 ms of CPU).
void BM_TickWithAWeekOnShow(benchmark::State& state) {
    auto& f = Fixture();
    for (auto _ : state) {
        f.seams.time.Advance(1000);
        f.window->Recorder().Tick();
        f.window->Chart1->replot(QCustomPlot::rpImmediateRefresh);
        f.window->Chart2->replot(QCustomPlot::rpImmediateRefresh);
    }
    state.counters["readings"] = double(f.window->Session().ReadingCount);
}
BENCHMARK(BM_TickWithAWeekOnShow)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(200);

// The same with the table's view redrawn too: everything the tick changed.
void BM_TickWithAWeekOnShowAndTheTableRedrawn(benchmark::State& state) {
    auto& f = Fixture();
    for (auto _ : state) {
        f.seams.time.Advance(1000);
        f.window->Recorder().Tick();
        f.window->Chart1->replot(QCustomPlot::rpImmediateRefresh);
        f.window->Chart2->replot(QCustomPlot::rpImmediateRefresh);
        f.window->StringGrid->viewport()->repaint();
    }
}
BENCHMARK(BM_TickWithAWeekOnShowAndTheTableRedrawn)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(200);

// The tick and the chart's redraw alone: the table's view hidden, so Qt's
// repaint of the chart doesn't paint the table's new row in the same pass.
void BM_TickAndChartWithoutTheTable(benchmark::State& state) {
    auto& f = Fixture();
    f.window->StringGrid->hide();
    for (auto _ : state) {
        f.seams.time.Advance(1000);
        f.window->Recorder().Tick();
        f.window->Chart1->replot(QCustomPlot::rpImmediateRefresh);
        f.window->Chart2->replot(QCustomPlot::rpImmediateRefresh);
    }
    f.window->StringGrid->show();
}
BENCHMARK(BM_TickAndChartWithoutTheTable)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(200);

// The parts of a tick, to see where its time goes.
void BM_TickPart(benchmark::State& state) {
    auto& f = Fixture();
    for (auto _ : state) {
        switch (state.range(0)) {
        case 0: f.seams.time.Advance(1000); f.window->Recorder().Tick(); break;
        case 1: f.window->Chart1->replot(QCustomPlot::rpImmediateRefresh); break;
        case 2: f.window->Chart2->replot(QCustomPlot::rpImmediateRefresh); break;
        case 3: f.window->StringGrid->viewport()->repaint(); break;
        case 4:  // the horizontal window moved by one, then redrawn
            f.window->Chart1->SetBottomMaximum(f.window->Chart1->BottomMaximum() + 1);
            f.window->Chart1->SetBottomMinimum(f.window->Chart1->BottomMinimum() + 1);
            f.window->Chart1->replot(QCustomPlot::rpImmediateRefresh);
            break;
        case 5:  // one reading (a row, three points) added, then redrawn
        {
            f.window->Session().AppendFileWords({400}, QDate(2024, 3, 4));  // 70,0 dB
            f.window->Chart1->replot(QCustomPlot::rpImmediateRefresh);
            break;
        }
        }
    }
}
BENCHMARK(BM_TickPart)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Arg(5)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(200);

// The cross-hair following the mouse across the plot.
void BM_CrossHairWithAWeekOnShow(benchmark::State& state) {
    auto& f = Fixture();
    const QRect area = f.window->Chart1->axisRect()->rect();
    int step = 0;
    for (auto _ : state) {
        const QPointF pixel(area.left() + (step++ * 7) % area.width(), area.center().y());
        f.window->ChartTool1->FollowMouse(pixel);
        f.window->Chart1->repaint();
    }
}
BENCHMARK(BM_CrossHairWithAWeekOnShow)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
