// SPDX-License-Identifier: GPL-3.0-or-later
// A month of readings (2,592,000, one a second) on show in the main window:
// the memory a reading costs all in, opening a month's record file (beside a
// plain read of its bytes), one tick with a month on show beside one with
// five minutes on show, and one redraw of the chart zoomed out to the whole
// month. Each figure comes with its baseline from the same run, measured
// interleaved with it where the machine is shared. Runs offscreen in a
// temporary working folder; the record file goes to $QV_BENCH_DIR when set.
#include "bench/xls/process_times.h"
#include "monitor/F_main.h"
#include "monitor/reading_grid.h"
#include "platform/testing/seam_doubles.h"
#include "reading/record_file.h"
#include "sim/metersim.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr int Month = 30 * 24 * 3600;
constexpr int FiveMinutes = 300;
constexpr int Day = 24 * 3600;

QString BenchDir() {
    const char* dir = std::getenv("QV_BENCH_DIR");
    return dir ? QString::fromLocal8Bit(dir) : QDir::currentPath();
}

// A record word: levels 50.0..109.9 dB wandering, the time of day of second i.
std::uint32_t WordAt(int i) {
    const int t = i % Day;
    return std::uint32_t(200 + (i * 7) % 600) |
           std::uint32_t(((t / 3600) << 12) | (((t / 60) % 60) << 6) | (t % 60)) << 15;
}

// Resident memory of the process now, in bytes.
double RssBytes() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE));
}

// The main window in a working folder of its own, with virtual time.
struct Window {
    Window() {
        QDir::setCurrent(folder.path());
        QDir(folder.path()).mkpath(QStringLiteral("ico"));
        QImage picture(33, 20, QImage::Format_RGB32);
        picture.fill(Qt::gray);
        picture.save(folder.path() + QStringLiteral("/ico/min.bmp"), "BMP");
        picture.save(folder.path() + QStringLiteral("/ico/max.bmp"), "BMP");
        metersim_reset();
        metersim_configure("levels = pattern:sine\n");
        seams.time.onAdvance = [](int ms) { metersim_advance_ms(ms); };
        window = std::make_unique<TFormMain>();
        window->FormCreate();
        window->Recorder().Timer().stop();
        window->resize(1000, 700);
        window->show();
        QApplication::processEvents();
    }
    QTemporaryDir folder;
    platform::testing::SeamDoubles seams;
    std::unique_ptr<TFormMain> window;
};

// The month's record file, written once when first needed.
bool monthFileWritten = false;
const QString& MonthFile() {
    static const QString path = [] {
        monthFileWritten = true;
        const QString p = records::MakeRecordFileName(BenchDir(), 2024, 3, 1, 0, 0, 0);
        records::RecordFileWriter writer;
        if (!writer.Open(p)) std::abort();
        for (int i = 0; i < Month; ++i) writer.Append(std::uint32_t(i), WordAt(i));
        return p;
    }();
    return path;
}

void Open(TFormMain& window, const QString& path) {
    window.OpenFileName = path;
    window.LoadFile();
}

// The bytes held for the readings' data: the session's table and curve
// points (the chart draws from those and keeps none of its own).
double HeldBytes(const TFormMain& window) { return double(window.Session().BytesUsed()); }

// ---- Memory: a month opened through the Open command.
void BM_MonthBytesPerReading(benchmark::State& state) {
    const QString& path = MonthFile();
    for (auto _ : state) {
        Window w;
        malloc_trim(0);
        const double before = RssBytes();
        Open(*w.window, path);
        QApplication::processEvents();  // the chart's queued redraw
        const double grown = RssBytes() - before;
        malloc_trim(0);  // what stays once freed memory goes back
        const double kept = RssBytes() - before;
        if (w.window->Session().ReadingCount != Month) state.SkipWithError("not loaded");
        state.counters["held_B_per_reading"] = HeldBytes(*w.window) / Month;
        state.counters["rss_B_per_reading"] = grown / Month;
        state.counters["rss_kept_B_per_reading"] = kept / Month;
    }
}
BENCHMARK(BM_MonthBytesPerReading)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);

// ---- Opening a month's record file, and a plain read of its bytes in the
// same iteration (the floor any loader stands on).
void BM_OpenMonthRecordFile(benchmark::State& state) {
    const QString& path = MonthFile();
    Window w;
    double openCpu = 0, readCpu = 0;
    for (auto _ : state) {
        double cpu = 0;
        benchtimes::Seconds([&] { Open(*w.window, path); }, &cpu);
        openCpu += cpu;
        benchtimes::Seconds(
            [&] {
                QFile f(path);
                if (!f.open(QIODevice::ReadOnly)) std::abort();
                benchmark::DoNotOptimize(f.readAll().size());
            },
            &cpu);
        readCpu += cpu;
    }
    if (w.window->Session().ReadingCount != Month || w.window->Series_min->Count() != Month) state.SkipWithError("not loaded");
    const double n = double(state.iterations());
    state.counters["open_cpu_s"] = openCpu / n;
    state.counters["read_cpu_s"] = readCpu / n;
    state.counters["open_over_read"] = openCpu / readCpu;
}
BENCHMARK(BM_OpenMonthRecordFile)->Iterations(3)->Repetitions(3)->Unit(benchmark::kMillisecond);

// ---- A recording that has run `count` seconds, the chart showing its
// newest 300 readings as the ticks leave it.
std::unique_ptr<Window> Recording(int count) {
    auto w = std::make_unique<Window>();
    TFormMain& m = *w->window;
    w->seams.time.Advance(1000);
    m.Recorder().Tick();
    m.ToolButton3Click();  // a new recording: the table emptied
    // Stored as a loaded record file's are: the same 16 bytes a row as
    // live rows, the points in the session's store.
    std::vector<std::uint32_t> words(std::size_t(count), 0);
    for (int i = 0; i < count; ++i) words[std::size_t(i)] = WordAt(i);
    m.Session().AppendFileWords(words, w->seams.time.Now().date());
    m.Chart1->SetBottomMaximum(count + 10);
    m.Chart1->SetBottomMinimum(count - 290);
    m.StringGrid->scrollToBottom();
    QApplication::processEvents();
    return w;
}

void Tick(Window& w) {
    w.seams.time.Advance(1000);
    w.window->Recorder().Tick();
    w.window->Chart1->replot(QCustomPlot::rpImmediateRefresh);
    w.window->Chart2->replot(QCustomPlot::rpImmediateRefresh);
}

// One tick (a reading taken, both charts redrawn) with a month on show and
// with five minutes on show, taken in turns so both see the same machine.
void BM_TickMonthBesideFiveMinutes(benchmark::State& state) {
    static const std::unique_ptr<Window> month = Recording(Month);
    static const std::unique_ptr<Window> minutes = Recording(FiveMinutes);
    double monthCpu = 0, minutesCpu = 0;
    for (auto _ : state) {
        double cpu = 0;
        benchtimes::Seconds([&] { Tick(*month); }, &cpu);
        monthCpu += cpu;
        benchtimes::Seconds([&] { Tick(*minutes); }, &cpu);
        minutesCpu += cpu;
    }
    const double n = double(state.iterations());
    state.counters["month_tick_ms"] = monthCpu / n * 1e3;
    state.counters["five_minutes_tick_ms"] = minutesCpu / n * 1e3;
    state.counters["month_over_five_minutes"] = monthCpu / minutesCpu;
}
BENCHMARK(BM_TickMonthBesideFiveMinutes)->Iterations(200)->Repetitions(5)->Unit(benchmark::kMillisecond);

// One full redraw of the chart zoomed out to the whole month, beside one of
// the chart showing the newest 300 readings of the same month.
void BM_RedrawWholeMonth(benchmark::State& state) {
    static const std::unique_ptr<Window> month = Recording(Month);
    LevelChart& chart = *month->window->Chart1;
    const QCPRange newest = chart.xAxis->range();
    double wholeCpu = 0, newestCpu = 0;
    for (auto _ : state) {
        double cpu = 0;
        chart.xAxis->setRange(0, Month);
        benchtimes::Seconds([&] { chart.replot(QCustomPlot::rpImmediateRefresh); }, &cpu);
        wholeCpu += cpu;
        chart.xAxis->setRange(newest);
        benchtimes::Seconds([&] { chart.replot(QCustomPlot::rpImmediateRefresh); }, &cpu);
        newestCpu += cpu;
    }
    const double n = double(state.iterations());
    state.counters["whole_month_ms"] = wholeCpu / n * 1e3;
    state.counters["newest_300_ms"] = newestCpu / n * 1e3;
}
BENCHMARK(BM_RedrawWholeMonth)->Iterations(20)->Repetitions(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (monthFileWritten) QFile::remove(MonthFile());
    return 0;
}
