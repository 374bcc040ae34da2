// SPDX-License-Identifier: GPL-3.0-or-later
// What opening and saving cost through the main window: a record file of a
// week (604,800 readings) opened into the table and the three curves, and a
// day of readings (86,400 rows) saved as a text export and opened again.
// The save's prescribed pauses go to a virtual sleeper and are left out.
// Runs offscreen in a temporary working folder (the main window needs its
// two pictures there); files go to $QV_BENCH_DIR when set.
#include "monitor/F_main.h"
#include "platform/testing/seam_doubles.h"
#include "reading/record_file.h"
#include "sim/metersim.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr int kWeek = 7 * 24 * 3600;
constexpr int kDay = 24 * 3600;

QString BenchDir() {
    const char* dir = std::getenv("QV_BENCH_DIR");
    return dir ? QString::fromLocal8Bit(dir) : QDir::currentPath();
}

std::uint32_t WordAt(int i) {
    const int t = i % kDay;
    return std::uint32_t(200 + i % 600) | std::uint32_t(((t / 3600) << 12) | (((t / 60) % 60) << 6) | (t % 60)) << 15;
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
        window = std::make_unique<TFormMain>();
        window->FormCreate();
    }
    QTemporaryDir folder;
    platform::testing::SeamDoubles seams;
    std::unique_ptr<TFormMain> window;
};

void BM_OpenWeekRecordFile(benchmark::State& state) {
    Window w;
    const QString path = records::MakeRecordFileName(BenchDir(), 2024, 3, 4, 0, 0, 0);
    {
        records::RecordFileWriter writer;
        if (!writer.Open(path)) std::abort();
        for (int i = 0; i < kWeek; ++i) writer.Append(std::uint32_t(i), WordAt(i));
    }
    for (auto _ : state) {
        w.window->OpenFileName = path;
        w.window->LoadFile();
        benchmark::DoNotOptimize(w.window->Session().ReadingCount);
    }
    if (w.window->Session().ReadingCount != kWeek || w.window->Series_min->Count() != kWeek) state.SkipWithError("not loaded");
    QFile::remove(path);
}
BENCHMARK(BM_OpenWeekRecordFile)->Unit(benchmark::kMillisecond);

// The parts of opening a week: the table rows, the curve points, emptying.
void BM_WeekParts(benchmark::State& state) {
    Window w;
    TFormMain& m = *w.window;
    const QDate date(2024, 3, 4);
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < kWeek; ++i) m.Table->SetFileRow(i + 1, WordAt(i), date);
        state.counters["rows_ms"] = double(t.nsecsElapsed()) / 1e6;
        t.restart();
        m.Table->SetRowCount(kWeek + 1);
        state.counters["count_ms"] = double(t.nsecsElapsed()) / 1e6;
        t.restart();
        m.Series_rec->AddIndexed(std::vector<double>(kWeek, 50), QColor::fromRgba(m.Session().RecColour));
        m.Series_max->AddIndexed(std::vector<double>(kWeek, 60), QColor::fromRgba(m.Session().MaxColour));
        m.Series_min->AddIndexed(std::vector<double>(kWeek, 40), QColor::fromRgba(m.Session().MinColour));
        state.counters["curves_ms"] = double(t.nsecsElapsed()) / 1e6;
        t.restart();
        m.ClearTable();
        state.counters["clear_ms"] = double(t.nsecsElapsed()) / 1e6;
    }
}
BENCHMARK(BM_WeekParts)->Unit(benchmark::kMillisecond);

// A day of live rows, as a recording leaves them.
void FillDay(TFormMain& window) {
    ReadingTable& table = *window.Table;
    table.SetRowCount(1);
    const QDate date(2024, 3, 5);
    for (int i = 0; i < kDay; ++i)
        table.SetLiveRow(i + 1, WordAt(i), date, QTime::fromMSecsSinceStartOfDay((i % kDay) * 1000 + 250));
    table.SetRowCount(kDay + 1);
    window.Session().ReadingCount = kDay;
}

void SaveText(Window& w, const QString& stem) {
    platform::FileDialogAnswer answer;
    answer.accepted = true;
    answer.path = stem;
    answer.filterIndex = 2;
    w.seams.fileDialogs.answers.push_back(answer);
    w.window->ToolButton2Click();
}

void BM_SaveDayAsText(benchmark::State& state) {
    Window w;
    FillDay(*w.window);
    const QString stem = BenchDir() + QStringLiteral("/bench_day");
    for (auto _ : state) SaveText(w, stem);
    if (QFileInfo(stem + ".txt").size() < kDay * 30) state.SkipWithError("not written");
    QFile::remove(stem + ".txt");
}
BENCHMARK(BM_SaveDayAsText)->Unit(benchmark::kMillisecond);

void BM_OpenDayText(benchmark::State& state) {
    Window w;
    FillDay(*w.window);
    const QString stem = BenchDir() + QStringLiteral("/bench_day");
    SaveText(w, stem);
    for (auto _ : state) {
        w.window->OpenFileName = stem + ".txt";
        w.window->LoadFile();
        benchmark::DoNotOptimize(w.window->Session().ReadingCount);
    }
    if (w.window->Session().ReadingCount != kDay) state.SkipWithError("not loaded");
    QFile::remove(stem + ".txt");
}
BENCHMARK(BM_OpenDayText)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
