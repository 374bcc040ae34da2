// SPDX-License-Identifier: GPL-3.0-or-later
// The "Noise statistics" window over a readings session: the interval rows
// of a known level pattern, the same figures from the record file as from
// the live rows, the interval chooser, the summary and dose texts, and the
// CSV export read back by a spreadsheet program.
#include "platform/testing/seam_doubles.h"
#include "reading/level_rule.h"
#include "reading/readings_session.h"
#include "statistics/noise_stream.h"
#include "reading/reading_word.h"
#include "sim/metersim.h"
#include "noise_windows/F_statistics.h"
#include "statistics/interval_table_model.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>

// Readable failures.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

using noisestats::IntervalTableModel;

constexpr std::uint32_t SlowBit = 1u << 14;
std::uint32_t Word(int tenths, int range = 6) { return std::uint32_t(tenths - 300) | (std::uint32_t(range) << 10) | SlowBit; }

// A day far from any change of daylight saving, in the machine's own zone.
const QDate Day(2026, 6, 10);

class StatisticsWindow : public testing::Test {
protected:
    void SetUp() override {
        metersim_reset();  // the program's libraries come with the simulated meter
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        seams.time.Set(QDateTime(Day, QTime(12, 0)));
        stream = std::make_unique<noisestats::NoiseStream>(session);
        window = std::make_unique<TFormNoiseStatistics>(*stream);
    }
    void TearDown() override {
        window.reset();
        stream.reset();
        QLocale::setDefault(QLocale::c());
    }

    // Live readings from `start`, one a second, cycling through `tenths`;
    // returns the words the recording's file would hold.
    std::vector<std::uint32_t> Record(QTime start, int seconds, const std::vector<int>& tenths, int day = 0) {
        std::vector<std::uint32_t> recorded;
        const QDateTime t0(Day.addDays(day), start);
        for (int i = 0; i < seconds; ++i) {
            const QDateTime now = t0.addSecs(i);
            session.AppendLive(Word(tenths[std::size_t(i) % tenths.size()]), reading::ClockTexts::From(now), now);
            recorded.push_back(session.RecordWord);
        }
        return recorded;
    }
    void Settle() { QCoreApplication::processEvents(); }

    // Every cell of the interval table, by column title.
    std::vector<std::map<QString, QString>> Rows() {
        IntervalTableModel& m = window->Model();
        std::vector<std::map<QString, QString>> rows(std::size_t(m.rowCount()));
        for (int r = 0; r < m.rowCount(); ++r)
            for (int c = 0; c < m.columnCount(); ++c) rows[std::size_t(r)][m.ColumnTitle(c)] = m.CellText(r, c);
        return rows;
    }

    platform::testing::SeamDoubles seams;
    reading::ReadingsSession session;
    std::unique_ptr<noisestats::NoiseStream> stream;
    std::unique_ptr<TFormNoiseStatistics> window;
};

TEST_F(StatisticsWindow, AKnownPatternShowsItsClockIntervalsOncePerRefresh) {
    // 60,0 and 70,0 dB in turn from 10:00:30 for 150 s.
    Record(QTime(10, 0, 30), 150, {600, 700});
    EXPECT_EQ(window->Model().rowCount(), 0) << "the refresh waits for the event loop";
    Settle();
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    struct Expected {
        const char* start;
        const char* covered;
        const char* exposure;
    } expected[] = {
        {"6/10/26 10:00:00 AM", "30", "82,2"},  // 10·log10(15·10^6 + 15·10^7)
        {"6/10/26 10:01:00 AM", "60", "85,2"},
        {"6/10/26 10:02:00 AM", "60", "85,2"},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const auto& row = rows[i];
        EXPECT_EQ(row.at("Start"), QString::fromLatin1(expected[i].start));
        EXPECT_EQ(row.at("Seconds covered"), QString::fromLatin1(expected[i].covered));
        EXPECT_EQ(row.at("Seconds missing"), QStringLiteral("0"));
        EXPECT_EQ(row.at("LAeq"), QStringLiteral("67,4"));
        EXPECT_EQ(row.at("LAmax"), QStringLiteral("70,0"));
        EXPECT_EQ(row.at("LAmin"), QStringLiteral("60,0"));
        EXPECT_EQ(row.at("LA10"), QStringLiteral("70,0"));
        EXPECT_EQ(row.at("LA50"), QStringLiteral("60,0"));  // nearest rank: the 15th of 30 (30th of 60)
        EXPECT_EQ(row.at("LA90"), QStringLiteral("60,0"));
        EXPECT_EQ(row.at("LAE"), QString::fromLatin1(expected[i].exposure));
        EXPECT_EQ(row.at("Mark"), QString());
        EXPECT_EQ(row.count("LCeq"), 0u) << "no C column without C readings";
    }
    EXPECT_TRUE(window->Summary->text().contains(QStringLiteral("LAeq from 1 s SLOW readings: 67,4 dB")))
        << window->Summary->text().toStdString();
    EXPECT_TRUE(window->Summary->text().contains(QStringLiteral("150 s covered, 0 s missing")));

    // The recording goes on: one more second updates the open interval's row.
    Record(QTime(10, 3, 0), 1, {800});
    Settle();
    ASSERT_EQ(window->Model().rowCount(), 4);
    EXPECT_EQ(Rows()[3].at("LAeq"), QStringLiteral("80,0"));
}

TEST_F(StatisticsWindow, TheRecordFileGivesTheFiguresOfTheLiveRecordingThatMadeIt) {
    const std::vector<std::uint32_t> words = Record(QTime(23, 58, 50), 200, {652, 701, 588, 1302, 745});
    // One tick missed: a gap of 5 s.
    const std::vector<std::uint32_t> more = Record(QTime(0, 2, 15), 30, {640}, 1);
    Settle();
    const auto live = Rows();
    const QString liveSummary = window->Summary->text(), liveDose = window->Dose->text();
    ASSERT_EQ(live.size(), 5u);  // 23:58 to 00:02
    EXPECT_EQ(live[4].at("Seconds covered"), QStringLiteral("40"));
    EXPECT_EQ(live[4].at("Seconds missing"), QStringLiteral("5"));
    EXPECT_EQ(live[0].at("Mark"), QStringLiteral("over the range: A")) << "130,2 dB is over the 30-130 dB range";
    EXPECT_EQ(live[0].at("LAmax"), QStringLiteral("\u2265 130,2"));
    EXPECT_FALSE(live[0].at("LA90").startsWith(u'\u2265')) << "the loud seconds can't move L90";

    session.ClearTable();
    std::vector<std::uint32_t> file = words;
    file.insert(file.end(), more.begin(), more.end());
    session.AppendFileWords(file, Day);
    Settle();
    EXPECT_EQ(Rows(), live);
    EXPECT_EQ(window->Summary->text(), liveSummary);
    EXPECT_EQ(window->Dose->text(), liveDose);
}

TEST_F(StatisticsWindow, AFileLoadedOverAnotherWithAsManyIntervalsReplacesEveryRow) {
    auto words = [](int tenths) {
        std::vector<std::uint32_t> w;
        for (int s = 0; s < 120; ++s)
            w.push_back(Word(tenths) | (std::uint32_t((10 << 12) | ((s / 60) << 6) | (s % 60)) << 15));
        return w;
    };
    session.AppendFileWords(words(600), Day);
    Settle();
    ASSERT_EQ(Rows().size(), 2u);
    EXPECT_EQ(Rows()[0].at("LAeq"), QStringLiteral("60,0"));
    // Cleared and loaded in one go, as the open command does: one refresh,
    // which must tell the view that every row changed, not only the last.
    int resets = 0;
    QObject::connect(&window->Model(), &QAbstractItemModel::modelReset, [&] { ++resets; });
    session.ClearTable();
    session.AppendFileWords(words(700), Day);
    Settle();
    EXPECT_EQ(resets, 1);
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at("LAeq"), QStringLiteral("70,0"));
    EXPECT_EQ(rows[1].at("LAeq"), QStringLiteral("70,0"));
}

TEST_F(StatisticsWindow, TheChooserRecomputesForAnotherLength) {
    Record(QTime(10, 0, 30), 150, {600, 700});
    Settle();
    window->IntervalChooser->setCurrentIndex(1);  // 5 min
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("Start"), QStringLiteral("6/10/26 10:00:00 AM"));
    EXPECT_EQ(rows[0].at("Seconds covered"), QStringLiteral("150"));
    EXPECT_EQ(rows[0].at("LAeq"), QStringLiteral("67,4"));
}

TEST_F(StatisticsWindow, DoseSoFarAndProjectedForAShortRecording) {
    Record(QTime(9, 0, 0), 60, {900});
    Settle();
    const QString dose = window->Dose->text();
    // OSHA: 60 s of the 8 h allowed at 90 dBA; NIOSH: 60 s of 2,52 h.
    EXPECT_TRUE(dose.contains(QStringLiteral("dose so far 0,21 %, projected 8-hour dose 100,0 %, TWA 45,5 dBA")))
        << dose.toStdString();
    EXPECT_TRUE(dose.contains(QStringLiteral("dose so far 0,66 %, projected 8-hour dose 317,5 %, TWA 63,2 dBA")))
        << dose.toStdString();
}

// Rows whose times no form reads are left out, and said to be; a file
// written with other language settings is said to be read in its forms.
TEST_F(StatisticsWindow, TextRowsWithoutReadableTimesAreLeftOutAndOtherFormsAreSaid) {
    const QDate day(2026, 6, 10);
    QLocale::setDefault(QLocale::c());
    const QString time = reading::FormatLongTime(QTime(12, 0)), date = reading::FormatShortDate(day);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::vector<std::array<QString, 5>> rows = {
        {"1", "60,0", "A", "noon", "today"}, {"2", "61,0", "C", "", ""}, {"3", "62,0", "C", time, date}};
    records::LevelRule rule;
    rule.Apply(1, 60.0f);
    rule.Apply(2, 61.0f);
    rule.Apply(3, 62.0f);
    session.AppendTextRows(rows, rule, 3);
    Settle();
    const QString note = window->SourceNote->text();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_FALSE(window->SourceNote->isHidden());
    EXPECT_TRUE(note.contains(QStringLiteral("The date or time of 2 rows could not be read in any form the program "
                                             "writes: those readings are left out.")))
        << note.toStdString();
    EXPECT_TRUE(note.contains(QStringLiteral("The file was written with other language settings than these: it is "
                                             "read with its dates in the form d MMM yyyy.")))
        << note.toStdString();
    EXPECT_TRUE(note.contains(QStringLiteral("time weighting unknown")));
    EXPECT_TRUE(window->Summary->text().contains(QStringLiteral("LCeq from 1 s readings, time weighting unknown")));
    EXPECT_TRUE(window->Summary->text().contains(QStringLiteral("1 s covered")));
}

// A record file with a second written twice and its clock set back: the
// note says how many readings were left out, the summary names the jump.
TEST_F(StatisticsWindow, RepeatedSecondsAreLeftOutAndAClockSetBackIsNamed) {
    auto at = [](int tenths, int m, int s) { return Word(tenths) | (std::uint32_t((10 << 12) | (m << 6) | s) << 15); };
    std::vector<std::uint32_t> words;
    for (int s = 0; s < 10; ++s) words.push_back(at(600, 0, s));
    words.push_back(at(900, 0, 9));                              // 10:00:09 again
    for (int s = 5; s < 15; ++s) words.push_back(at(600, 0, s));  // set back to 10:00:05
    session.AppendFileWords(words, Day);
    Settle();
    EXPECT_FALSE(window->SourceNote->isHidden());
    EXPECT_TRUE(window->SourceNote->text().contains(
        QStringLiteral("6 readings fell on a second that was counted already and were left out")))
        << window->SourceNote->text().toStdString();
    const QString summary = window->Summary->text();
    EXPECT_TRUE(summary.contains(QStringLiteral("15 s covered, 0 s missing"))) << summary.toStdString();
    EXPECT_TRUE(summary.contains(QStringLiteral("Clock set back from 2026-06-10 10:00:09 "))) << summary.toStdString();
    EXPECT_TRUE(summary.contains(QStringLiteral("LAmax 60,0 dB"))) << summary.toStdString();
}

// A small CSV reader for the test: quoted fields, CRLF or LF.
QList<QStringList> ParseCsv(const QString& text) {
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') field += c, ++i;
            else if (c == u'"') quoted = false;
            else field += c;
        } else if (c == u'"') quoted = true;
        else if (c == u',') row << field, field.clear();
        else if (c == u'\n') row << field, rows << row, row.clear(), field.clear();
        else if (c != u'\r') field += c;
    }
    if (!field.isEmpty() || !row.isEmpty()) rows << (row << field);
    return rows;
}

TEST_F(StatisticsWindow, TheExportedCsvReadsBackInASpreadsheetProgramAsTheWindowShowsIt) {
    const QString ssconvert = QStandardPaths::findExecutable(QStringLiteral("ssconvert"));
    ASSERT_FALSE(ssconvert.isEmpty()) << "ssconvert (gnumeric) is needed; scripts/deps installs it";
    Record(QTime(10, 0, 30), 150, {600, 700, 655});
    Settle();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("statistics.csv"));
    seams.fileDialogs.answers.push_back({true, path, 1});
    window->ButtonExportCsv->click();
    ASSERT_EQ(seams.fileDialogs.asked.size(), 1u);
    EXPECT_TRUE(seams.fileDialogs.asked[0].save);
    EXPECT_TRUE(seams.messages.shown.empty());

    const QString again = dir.filePath(QStringLiteral("again.csv"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    p.setProcessEnvironment(env);
    p.start(ssconvert, {QStringLiteral("--export-type=Gnumeric_stf:stf_csv"), path, again});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QFile f(again);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QStringList> read = ParseCsv(QString::fromUtf8(f.readAll()));

    const auto shown = Rows();
    ASSERT_EQ(read.size(), int(shown.size()) + 1);
    const QStringList header = read[0];
    int compared = 0;
    for (std::size_t r = 0; r < shown.size(); ++r)
        for (const auto& [title, text] : shown[r]) {
            if (title == QStringLiteral("Start") || title == QStringLiteral("Mark")) continue;  // other forms in the file
            const qsizetype column = std::max(header.indexOf(title), header.indexOf(title + QStringLiteral(" (dB)")));
            ASSERT_GE(column, 0) << title.toStdString();
            bool ok = false;
            const double value = read[int(r) + 1].value(column).toDouble(&ok);
            ASSERT_TRUE(ok) << title.toStdString() << " row " << r;
            EXPECT_DOUBLE_EQ(value, QString(text).replace(u',', u'.').toDouble()) << title.toStdString();
            ++compared;
        }
    EXPECT_EQ(compared, 3 * (2 + 7));  // covered, missing and the seven A levels of three rows
    EXPECT_TRUE(read[1][0].startsWith(QStringLiteral("2026-06-10")));
}

TEST_F(StatisticsWindow, AFailedOrCancelledExportLeavesTheTargetAlone) {
    Record(QTime(10, 0, 0), 10, {600});
    Settle();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kept.csv"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("before");
    }
    window->ButtonExportCsv->click();  // the dialog is cancelled
    seams.fileDialogs.answers.push_back({true, dir.filePath(QStringLiteral("no such folder/x.csv")), 1});
    window->ButtonExportCsv->click();
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    EXPECT_TRUE(seams.messages.shown[0].text.contains(QStringLiteral("could not be written")));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("before"));
}

TEST_F(StatisticsWindow, IsAWindowOfItsOwnAndTakesMorePages) {
    EXPECT_TRUE(window->isWindow());
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Noise statistics"));
    const QStringList lengths = {"1 min", "5 min", "15 min", "30 min", "60 min"};
    ASSERT_EQ(window->IntervalChooser->count(), lengths.size());
    for (int i = 0; i < lengths.size(); ++i) EXPECT_EQ(window->IntervalChooser->itemText(i), lengths[i]);
    // Its own pages: the statistics, the alarms panel and the report's.
    ASSERT_EQ(window->Tabs->count(), 3);
    EXPECT_EQ(window->Tabs->tabText(0), QStringLiteral("Statistics"));
    EXPECT_EQ(window->Tabs->tabText(1), QStringLiteral("Alarms"));
    EXPECT_EQ(window->Tabs->tabText(2), QStringLiteral("Measurement report"));
    window->AddPage(new QLabel(QStringLiteral("more")), QStringLiteral("More"));
    EXPECT_EQ(window->Tabs->count(), 4);
    EXPECT_EQ(window->Tabs->tabText(3), QStringLiteral("More"));
}

}  // namespace
