// SPDX-License-Identifier: GPL-3.0-or-later
// The tick with a week of readings on show, without and with an alarm set:
// the rule fed with each reading, the running alarm's band on the chart
// stretched to the newest reading, a year's worth of finished bands behind
// it, and both charts redrawn. Goal: the alarm adds at most 0.1 ms. Run
// from a folder with ico/min.bmp (scripts/bench runs in the build's run folder).
#include "monitor/F_main.h"
#include "monitor/reading_grid.h"
#include "platform/testing/seam_doubles.h"
#include "sim/metersim.h"
#include "statistics/alarm_alerts.h"
#include "report/alarm_bands.h"

#include <benchmark/benchmark.h>

#include <QApplication>

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
        window->StringGrid->hide();  // the table's cost is the tick bench's
        QApplication::processEvents();
    }
    void Tick() {
        seams.time.Advance(1000);
        window->Recorder().Tick();
    }
    void Redraw() {
        window->Chart1->replot(QCustomPlot::rpImmediateRefresh);
        window->Chart2->replot(QCustomPlot::rpImmediateRefresh);
    }
};

WeekOnShow& Fixture() {
    static WeekOnShow fixture;
    return fixture;
}

void BM_TickWithoutAlarm(benchmark::State& state) {
    auto& f = Fixture();
    // After a run with the alarm, its bands are hidden: none are drawn.
    QCPLayer* alarms = f.window->Chart1->layer(QString::fromLatin1(noisestats::AlarmBands::LayerName));
    if (alarms) alarms->setVisible(false);
    for (auto _ : state) {
        f.Tick();
        f.Redraw();
    }
    if (alarms) alarms->setVisible(true);
}

void BM_TickWithAlarm(benchmark::State& state) {
    auto& f = Fixture();
    static noisestats::AlarmBands bands(f.window->Chart1);
    static noisestats::AlarmWatch watch;
    static bool ready = false;
    if (!ready) {
        // An alarm every hour of the week, ten minutes long, and one running.
        for (int h = 0; h < Week / 3600; ++h) bands.Add(h * 3600.0, h * 3600.0 + 600);
        noisestats::AlarmSettings s;
        s.thresholdTenths = 0;  // always on: the alarm runs all along
        s.minimumSeconds = 1;
        s.mode = noisestats::AlarmMode::SlidingLeq;
        s.windowSeconds = 900;
        watch.Configure(true, s);
        ready = true;
    }
    const noisestats::AlarmOutlets outlets{
        [&](const QString& text) { f.window->Label5->setText(text); },
        [&](std::int64_t) { bands.Start(f.window->Session().ReadingCount); },
        [&](const noisestats::AlarmRow&) { bands.End(f.window->Session().ReadingCount); }};
    std::int64_t epoch = f.seams.time.Now().toSecsSinceEpoch();
    for (auto _ : state) {
        f.Tick();
        noisestats::Reading r;
        r.epochSeconds = ++epoch;
        r.tenths = 500 + int(epoch % 300);
        noisestats::ForwardAlarmStep(watch, watch.Add(r), outlets);
        bands.Extend(f.window->Session().ReadingCount);
        f.Redraw();
    }
    state.counters["bands"] = bands.Count();
    state.counters["notified"] = double(f.seams.notifications.sent.size());
}

// The alarm's own parts: the rule and its texts for one reading; the line
// chart redrawn with the alarm's bands and without.
void BM_AlarmPart(benchmark::State& state) {
    auto& f = Fixture();
    noisestats::AlarmWatch watch;
    noisestats::AlarmSettings s;
    s.thresholdTenths = 0;
    s.mode = noisestats::AlarmMode::SlidingLeq;
    s.windowSeconds = 900;
    watch.Configure(true, s);
    QCPLayer* alarms = f.window->Chart1->layer(QString::fromLatin1(noisestats::AlarmBands::LayerName));
    if (alarms) alarms->setVisible(state.range(0) == 1);
    std::int64_t epoch = 0;
    for (auto _ : state) {
        if (state.range(0) == 0) {
            noisestats::Reading r;
            r.epochSeconds = ++epoch;
            r.tenths = 500 + int(epoch % 300);
            benchmark::DoNotOptimize(watch.Add(r));
        } else {
            f.window->Chart1->replot(QCustomPlot::rpImmediateRefresh);
        }
    }
    if (alarms) alarms->setVisible(true);
}

// Without, with, and without again: the pairs are measured in one run under
// the same load.
BENCHMARK(BM_TickWithoutAlarm)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(BM_TickWithAlarm)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(BM_TickWithoutAlarm)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(BM_TickWithAlarm)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(300);

BENCHMARK(BM_AlarmPart)->Arg(0)->Arg(1)->Arg(2)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond)->Iterations(300);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
