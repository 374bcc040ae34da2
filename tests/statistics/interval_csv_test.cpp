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

}  // namespace
}  // namespace noisestats
