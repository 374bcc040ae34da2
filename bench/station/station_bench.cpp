// SPDX-License-Identifier: GPL-3.0-or-later
// What the station costs, all in: each second of every meter's recording
// (the tick, the level request to the simulated meter, the record file,
// the table, three interval lengths of statistics, an alarm, the interval
// CSVs and the watchdog's status line), in virtual time.
//
// - BM_StationSecond/N: one second of N meters; its counter is the CPU per
//   reading per meter (goal: at most 20 us). Beside it, the baseline of the
//   same run: BM_LevelRequestOnly, the simulated meter's level request
//   alone, which every reading needs whatever is done with it.
// - BM_StationMonth: one meter for a simulated month (31 days); the RSS
//   after the first day and the largest growth past it at the end of each
//   later day (goal: at most 1 MB), after giving freed memory back.
#include "device/meter_link.h"
#include "device/meter_protocol.h"
#include "platform/clock.h"
#include "sim/metersim.h"
#include "station/station_recorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>

namespace {

const QTimeZone Zone(3600);
const QDateTime Start(QDate(2026, 12, 1), QTime(0, 0, 1), Zone);

class MeterClock final : public platform::Clock {
public:
    QDateTime Now() const override { return Start.addMSecs(metersim_now_ms()); }
};

// A station with `meters` simulated meters, each on a bus of its own and
// named in a sysfs tree of the bench's own.
struct Bench {
    explicit Bench(int meters) {
        metersim_reset();
        std::string devices = "virtual_time = 1\nsetup_byte = 0x14\ndevices = ";
        for (int m = 0; m < meters; ++m) {
            devices += m ? ",meter" : "meter";
            const QString folder = dir.filePath(QStringLiteral("sys/bus/usb/devices/%1-1").arg(m + 1));
            QDir().mkpath(folder);
            const std::pair<const char*, QByteArray> attributes[] = {
                {"busnum", QByteArray::number(m + 1)}, {"devnum", QByteArray::number(m + 2)},
                {"idVendor", "16c0"}, {"idProduct", "05dc"}};
            for (const auto& [name, value] : attributes) {
                QFile f(folder + QLatin1Char('/') + QLatin1String(name));
                f.open(QIODevice::WriteOnly);
                f.write(value + '\n');
            }
        }
        metersim_configure((devices + "\n").c_str());
        platform::SetClock(&clock);
        qputenv("QUORVANE_SYSFS_ROOT", dir.filePath(QStringLiteral("sys")).toUtf8());
        qputenv("QUORVANE_LOCK_DIR", dir.filePath(QStringLiteral("locks")).toUtf8());
        config.station.name = QStringLiteral("bench");
        config.station.data = dir.filePath(QStringLiteral("data"));
        config.station.intervalMinutes = {1, 15, 60};
        station::AlarmSettings loud;
        loud.name = QStringLiteral("loud");
        loud.thresholdTenths = 680;
        loud.minimumSeconds = 10;
        config.alarms.push_back(loud);
        recorder = std::make_unique<station::StationRecorder>(log, Zone);
        recorder->SetDrivenByCaller(true);
        recorder->Start(config);
    }
    ~Bench() {
        recorder->Stop();
        recorder.reset();
        platform::SetClock(nullptr);
    }
    void Second() {
        metersim_advance_ms(1000);
        recorder->TickAll();
    }

    QTemporaryDir dir;
    MeterClock clock;
    station::StationLog log{[](const QByteArray&) {}};
    station::StationConfig config;
    std::unique_ptr<station::StationRecorder> recorder;
};

void BM_StationSecond(benchmark::State& state) {
    const int meters = int(state.range(0));
    Bench bench(meters);
    for (int i = 0; i < 600; ++i) bench.Second();  // past the first minutes' files
    std::int64_t seconds = 0;
    for (auto _ : state) {
        bench.Second();
        if (++seconds % 3600 == 0) metersim_log_clear();  // the simulator's memory, not the station's
    }
    // Seconds of CPU per reading per meter (printed with its unit prefix: 8.2u is 8.2 us).
    state.counters["cpu_per_reading_per_meter"] = benchmark::Counter(
        double(state.iterations()) * meters, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StationSecond)->Arg(1)->Arg(2)->Arg(4)->MeasureProcessCPUTime()->Repetitions(5)->ReportAggregatesOnly();

void BM_LevelRequestOnly(benchmark::State& state) {
    Bench bench(1);
    device::MeterLink link("1-1", bench.dir.filePath(QStringLiteral("sys")).toStdString());
    bench.recorder->Stop();  // lets go of the meter's lock and link
    link.Open();
    std::int64_t seconds = 0;
    for (auto _ : state) {
        metersim_advance_ms(1000);
        benchmark::DoNotOptimize(device::ReadLevelWord(link));
        if (++seconds % 3600 == 0) metersim_log_clear();
    }
    state.counters["cpu_per_reading_per_meter"] = benchmark::Counter(
        double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LevelRequestOnly)->MeasureProcessCPUTime()->Repetitions(5)->ReportAggregatesOnly();

long RssKb() {
    malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void BM_StationMonth(benchmark::State& state) {
    for (auto _ : state) {
        Bench bench(1);
        long afterFirstDay = 0, largestGrowth = 0;
        const int days = qEnvironmentVariableIntValue("QV_BENCH_DAYS") > 0 ? qEnvironmentVariableIntValue("QV_BENCH_DAYS") : 31;
        for (int day = 0; day < days; ++day) {
            for (int s = 0; s < 86400; ++s) {
                bench.Second();
                // The simulated meter logs every request in memory; libusb keeps nothing.
                if (s % 3600 == 0) metersim_log_clear();
            }
            const long rss = RssKb();
            if (qEnvironmentVariableIsSet("QV_BENCH_DAYS")) fprintf(stderr, "day %d: rss %ld kB\n", day + 1, rss);
            if (day == 0) afterFirstDay = rss;
            else largestGrowth = std::max(largestGrowth, rss - afterFirstDay);
        }
        state.counters["rss_after_first_day_kB"] = double(afterFirstDay);
        state.counters["largest_growth_after_first_day_kB"] = double(largestGrowth);
    }
}
BENCHMARK(BM_StationMonth)->Iterations(1)->Unit(benchmark::kSecond)->MeasureProcessCPUTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
