// SPDX-License-Identifier: GPL-3.0-or-later
// The interval table as CSV, and another program reading it back.
#include "noise/interval_csv.h"
#include "tests/statistics/readings.h"
#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cmath>
#include <string>
#include <vector>

namespace noisestats {
namespace {

using testing::At;
using testing::EpochOf;

constexpr int kCet = 3600;

// Two one-minute intervals: A and C in the first (A reaching its range's
// end), then, after a gap, one C reading.
std::vector<PeriodResult> SampleIntervals() {
    NoiseStatistics s(IntervalLength::Minutes1);
    const std::int64_t t0 = EpochOf(QDate(2026, 3, 14), QTime(9, 0, 0), kCet);
    for (int i = 0; i < 30; ++i) s.Add(At(t0 + i, 1000, Weighting::A, TimeWeighting::Slow, i == 3, kCet));
    for (int i = 30; i < 60; ++i) s.Add(At(t0 + i, 800, Weighting::C, TimeWeighting::Fast, false, kCet));
    s.Add(At(t0 + 130, 555, Weighting::C, TimeWeighting::Slow, false, kCet));
    return s.AllIntervals();
}

const char* const kHeader =
    "Start,End,Seconds covered,Seconds missing,"
    "LAeq (dB),LAmax (dB),LAmin (dB),LA10 (dB),LA50 (dB),LA90 (dB),LAE (dB),A time weighting,A at range end,"
    "LCeq (dB),LCmax (dB),LCmin (dB),LC10 (dB),LC50 (dB),LC90 (dB),LCE (dB),C time weighting,C at range end,"
    "OSHA dose (%),OSHA TWA (dBA),NIOSH dose (%),NIOSH TWA (dBA)";

TEST(IntervalCsv, WritesHeaderAndRowsWithPointDecimalsAndIsoTimes) {
    QBuffer buffer;
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(WriteIntervalCsv(buffer, SampleIntervals()));
    std::vector<std::string> lines;
    for (const QByteArray& line : buffer.data().split('\n')) lines.push_back(line.toStdString());
    ASSERT_EQ(lines.size(), 4);  // three lines, each ended by CRLF
    EXPECT_EQ(lines[0], std::string(kHeader) + '\r');
    // 30 s at 100 dBA: OSHA 0.42 %, TWA 50.5; NIOSH 3.33 %, TWA 70.2.
    EXPECT_EQ(lines[1], std::string("2026-03-14T09:00:00+01:00,2026-03-14T09:01:00+01:00,60,0,"
                                   "100.0,100.0,100.0,100.0,100.0,100.0,114.8,SLOW,yes,"
                                   "80.0,80.0,80.0,80.0,80.0,80.0,94.8,FAST,no,"
                                   "0.42,50.5,3.33,70.2\r"));
    EXPECT_EQ(lines[2], std::string("2026-03-14T09:02:00+01:00,2026-03-14T09:03:00+01:00,1,10,"
                                   ",,,,,,,,,"
                                   "55.5,55.5,55.5,55.5,55.5,55.5,55.5,SLOW,no,"
                                   ",,,\r"));
    EXPECT_EQ(lines[3], "");
}

TEST(IntervalCsv, LocalDateTimesCarryTheirUtcOffset) {
    struct Case { std::int64_t epoch; int offset; const char* text; };
    const Case cases[] = {
        {0, 0, "1970-01-01T00:00:00+00:00"},
        {0, -12600, "1969-12-31T20:30:00-03:30"},
        {1'790'000'000, 20700, "2026-09-21T19:58:20+05:45"},
        {1'792'890'000, 3600, "2026-10-25T02:00:00+01:00"},
        {1'792'886'400, 7200, "2026-10-25T02:00:00+02:00"},
    };
    for (const Case& c : cases) EXPECT_EQ(IsoLocalDateTime(c.epoch, c.offset).toStdString(), c.text);
}

TEST(IntervalCsv, AFailedWriteIsReported) {
    QBuffer readOnly;
    ASSERT_TRUE(readOnly.open(QIODevice::ReadOnly));
    EXPECT_FALSE(WriteIntervalCsv(readOnly, SampleIntervals()));
}

// RFC 4180 fields of one CSV text (quoted fields may hold commas and quotes).
QList<QStringList> ParseCsv(const QString& text) {
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (quoted) {
            if (ch == u'"' && i + 1 < text.size() && text[i + 1] == u'"') field += u'"', ++i;
            else if (ch == u'"') quoted = false;
            else field += ch;
        } else if (ch == u'"') quoted = true;
        else if (ch == u',') row << field, field.clear();
        else if (ch == u'\n') row << field, field.clear(), rows << row, row.clear();
        else if (ch != u'\r') field += ch;
    }
    if (!field.isEmpty() || !row.isEmpty()) rows << (row << field);
    return rows;
}

TEST(IntervalCsv, ASpreadsheetProgramReadsTheSameNumbersBack) {
    const QString ssconvert = QStandardPaths::findExecutable(QStringLiteral("ssconvert"));
    ASSERT_FALSE(ssconvert.isEmpty()) << "ssconvert (gnumeric) is needed; scripts/deps installs it";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString in = dir.filePath(QStringLiteral("intervals.csv"));
    const QString out = dir.filePath(QStringLiteral("again.csv"));
    QFile file(in);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(WriteIntervalCsv(file, SampleIntervals()));
    file.close();

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    p.setProcessEnvironment(env);
    p.start(ssconvert, {QStringLiteral("--export-type=Gnumeric_stf:stf_csv"), in, out});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();

    QFile a(in), b(out);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QList<QStringList> written = ParseCsv(QString::fromUtf8(a.readAll()));
    const QList<QStringList> read = ParseCsv(QString::fromUtf8(b.readAll()));
    ASSERT_EQ(written.size(), 3);
    ASSERT_EQ(read.size(), written.size());
    int numbers = 0;
    for (int r = 0; r < written.size(); ++r) {
        // The program drops empty cells at a row's end; those must be empty in ours.
        ASSERT_LE(read[r].size(), written[r].size());
        for (int c = 0; c < written[r].size(); ++c) {
            const QString ours = written[r][c];
            const QString theirs = c < read[r].size() ? read[r][c] : QString();
            bool isNumber = false;
            const double value = ours.toDouble(&isNumber);
            if (isNumber) {
                bool ok = false;
                EXPECT_DOUBLE_EQ(theirs.toDouble(&ok), value) << "row " << r << " column " << c;
                EXPECT_TRUE(ok) << "row " << r << " column " << c << ": " << theirs.toStdString();
                ++numbers;
            } else if (c >= 2) {  // the date-times may come back in the program's own format
                EXPECT_EQ(theirs, ours) << "row " << r << " column " << c;
            }
        }
    }
    EXPECT_EQ(numbers, 2 * 2 + 7 + 7 + 4 + 7);  // counts, A and C levels, dose; second row: counts and C
}

// Every level column holds its own figure: an interval whose levels all
// differ, each checked under its header's name (equal levels everywhere
// would not tell two columns apart).
TEST(IntervalCsv, EachFigureSitsUnderItsOwnHeader) {
    NoiseStatistics s(IntervalLength::Minutes1);
    const std::int64_t t0 = EpochOf(QDate(2026, 3, 14), QTime(9, 0, 0), kCet);
    // A: 50.0, 51.0 .. 69.0 dB SLOW; C: 70.0, 70.5 .. 79.5 dB FAST.
    double aEnergy = 0, cEnergy = 0;
    for (int i = 0; i < 20; ++i) {
        s.Add(At(t0 + i, 500 + 10 * i, Weighting::A, TimeWeighting::Slow, false, kCet));
        aEnergy += std::pow(10.0, (50.0 + i) / 10);
    }
    for (int i = 0; i < 20; ++i) {
        s.Add(At(t0 + 20 + i, 700 + 5 * i, Weighting::C, TimeWeighting::Fast, false, kCet));
        cEnergy += std::pow(10.0, (70.0 + 0.5 * i) / 10);
    }
    QBuffer buffer;
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(WriteIntervalCsv(buffer, s.AllIntervals()));
    const QList<QStringList> rows = ParseCsv(QString::fromUtf8(buffer.data()));
    ASSERT_EQ(rows.size(), 2);
    ASSERT_EQ(rows[0].size(), rows[1].size());
    auto cell = [&](const char* header) {
        const qsizetype column = rows[0].indexOf(QString::fromUtf8(header));
        EXPECT_GE(column, 0) << header;
        return column < 0 ? QString() : rows[1][column];
    };
    // Nearest rank of 20 readings: L10 the 18th lowest, L50 the 10th, L90 the 2nd.
    const struct { const char* header; const char* text; } exact[] = {
        {"Start", "2026-03-14T09:00:00+01:00"}, {"End", "2026-03-14T09:01:00+01:00"},
        {"Seconds covered", "40"}, {"Seconds missing", "0"},
        {"LAmax (dB)", "69.0"}, {"LAmin (dB)", "50.0"},
        {"LA10 (dB)", "67.0"}, {"LA50 (dB)", "59.0"}, {"LA90 (dB)", "51.0"},
        {"A time weighting", "SLOW"}, {"A at range end", "no"},
        {"LCmax (dB)", "79.5"}, {"LCmin (dB)", "70.0"},
        {"LC10 (dB)", "78.5"}, {"LC50 (dB)", "74.5"}, {"LC90 (dB)", "70.5"},
        {"C time weighting", "FAST"}, {"C at range end", "no"},
    };
    for (const auto& e : exact) EXPECT_EQ(cell(e.header).toStdString(), e.text) << e.header;
    const struct { const char* header; double value; } computed[] = {
        {"LAeq (dB)", 10 * std::log10(aEnergy / 20)}, {"LAE (dB)", 10 * std::log10(aEnergy)},
        {"LCeq (dB)", 10 * std::log10(cEnergy / 20)}, {"LCE (dB)", 10 * std::log10(cEnergy)},
    };
    for (const auto& c : computed) {
        bool ok = false;
        EXPECT_NEAR(cell(c.header).toDouble(&ok), c.value, 0.05) << c.header;
        EXPECT_TRUE(ok) << c.header;
    }
}

}  // namespace
}  // namespace noisestats
