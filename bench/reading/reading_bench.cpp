// SPDX-License-Identifier: GPL-3.0-or-later
// What a week of readings costs: loading a record file of 604,800 words
// into the table, the memory each reading holds, formatting the cells of a
// screenful, and appending a word to a recording with and without forcing it
// to the disk. Files go to $QV_BENCH_DIR, or the working folder, so that the
// append figures are those of a real disk rather than a memory file system.
#include "reading/reading_table.h"
#include "reading/reading_word.h"
#include "reading/record_file.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

constexpr int kWeek = 7 * 24 * 3600;

QString BenchDir() {
    const char* dir = std::getenv("QV_BENCH_DIR");
    return dir ? QString::fromLocal8Bit(dir) : QDir::currentPath();
}

// A week of readings, one per second from midnight, as a record file.
QString WeekFile() {
    static const QString path = [] {
        const QString p = BenchDir() + "/NGFA0000.qzx";
        records::RecordFileWriter writer;
        if (!writer.Open(p))
            std::abort();
        for (int i = 0; i < kWeek; ++i) {
            const int t = i % 86400;
            const std::uint32_t w = std::uint32_t(i % 1024) | (1u << 14) |
                                    (std::uint32_t(((t / 3600) << 12) | (((t / 60) % 60) << 6) | (t % 60)) << 15);
            writer.Append(std::uint32_t(i), w);
        }
        return p;
    }();
    return path;
}

void BM_LoadWeekIntoTable(benchmark::State& state) {
    const QString path = WeekFile();
    ReadingTable table;
    for (auto _ : state) {
        const auto start = records::StartDateFromName(path);
        const std::vector<std::uint32_t> words = records::ReadRecordWords(path);
        table.SetRowCount(1);
        for (std::size_t i = 0; i < words.size(); ++i) {
            table.SetFileRow(int(i) + 1, words[i], start.date);
            table.SetRowCount(int(i) + 2);
        }
        benchmark::DoNotOptimize(table.RowCount());
    }
    state.counters["readings"] = double(table.RowCount() - 1);
    state.counters["bytes_per_reading"] = double(table.BytesUsed()) / double(table.RowCount() - 1);
}
BENCHMARK(BM_LoadWeekIntoTable)->Unit(benchmark::kMillisecond);

void BM_ReadWeekFile(benchmark::State& state) {
    const QString path = WeekFile();
    for (auto _ : state)
        benchmark::DoNotOptimize(records::ReadRecordWords(path).size());
}
BENCHMARK(BM_ReadWeekFile)->Unit(benchmark::kMillisecond);

// The grid asks for the cells it shows: about 30 rows of 5 cells.
void BM_FormatScreenfulOfCells(benchmark::State& state) {
    ReadingTable table;
    table.SetRowCount(1);
    for (int i = 1; i <= 1000; ++i) {
        table.SetFileRow(i, std::uint32_t(i) | (std::uint32_t(i % 60) << 15), QDate(2024, 3, 5));
        table.SetRowCount(i + 1);
    }
    for (auto _ : state) {
        for (int row = 500; row < 530; ++row)
            for (int c = 0; c < ReadingTable::Columns; ++c)
                benchmark::DoNotOptimize(table.Cell(c, row));
    }
}
BENCHMARK(BM_FormatScreenfulOfCells)->Unit(benchmark::kMicrosecond);

// Arg 0: handed to the operating system only; arg 1: fdatasync after each word.
void BM_AppendRecordWord(benchmark::State& state) {
    const QString path = BenchDir() + "/OLVX5959.qzx";
    records::RecordFileWriter writer(state.range(0) != 0);
    if (!writer.Open(path)) {
        state.SkipWithError("can't create the file");
        return;
    }
    std::uint32_t index = 0;
    for (auto _ : state) {
        if (!writer.Append(index, 0x7063CA0Bu + index)) {
            state.SkipWithError("append failed");
            break;
        }
        ++index;
    }
    writer.Close();
    QFile::remove(path);
}
BENCHMARK(BM_AppendRecordWord)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
