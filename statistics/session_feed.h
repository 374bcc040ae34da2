// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Feeds the readings session's rows to the noise statistics, as they come.
//
// Where each row's time comes from:
// - live rows: the PC date and time the reading was taken;
// - record-file rows: the word's time of day from the file's start date,
//   a day later each time the time of day runs past midnight;
// - text and spreadsheet rows: their Date and Time texts, in the form the
//   program writes them in with the user's language settings or, for a file
//   written with others, in the form of those (RowDateTimeReader); a row
//   whose texts no form reads is left out, never given a made-up time
//   (UnreadRows() counts them, so the window can say so).
// Weighting comes from the word or the A/C text; time weighting and the
// range-end mark only from a word (text rows: time weighting unknown, never
// marked). Gaps between times are left to the statistics as missing seconds.
//
// A live recording costs constant time per appended row; a reset, a row
// holding a reading written again, or another interval length recompute all.
// Another interval length recomputes the statistics only: it starts nothing
// over for those who follow the readings (ReadingsFed, Restarted).
#include "noise/local_timeline.h"
#include "noise/noise_statistics.h"
#include "noise/reading_sample.h"
#include "statistics/row_date_time.h"

#include <QLocale>
#include <QObject>
#include <QStringList>
#include <QTimeZone>
#include <cstdint>
#include <optional>
#include <vector>

namespace reading {
class ReadingsSession;
}

namespace noisestats {

// Where a word's level lies against its measuring range (the range table's
// scale labels, which are inside it): over, under or inside; inside for a
// word that names no range.
RangeEnd RangeEndOf(std::uint32_t word);

class SessionFeed : public QObject {
    Q_OBJECT
public:
    explicit SessionFeed(const reading::ReadingsSession& session,
                         IntervalLength length = IntervalLength::Minutes1,
                         QTimeZone zone = QTimeZone::systemTimeZone(), QObject* parent = nullptr);

    // Another interval length: recomputes the statistics from the session's
    // rows, quietly (no Restarted, no ReadingsFed).
    void SetLength(IntervalLength length);
    // Every reading of the session's rows as they stand, in order, as this
    // feed takes them: for those who need them all once (a report, alarms
    // run again), so nobody keeps a second copy of a month of readings.
    std::vector<Reading> AllReadings() const;
    // The same, with the table row each reading came from (1-based).
    std::vector<Reading> AllReadings(std::vector<int>& rows) const;
    // Starts over from the session's rows as they stand.
    void Recompute();

    const NoiseStatistics& Statistics() const { return stats_; }
    // Readings fed since the last start.
    std::int64_t Readings() const { return readings_; }
    // Readings that came from rows of texts (no time weighting, no range).
    std::int64_t TextReadings() const { return textReadings_; }
    // Text rows whose date or time no form reads, left out.
    std::int64_t UnreadRows() const { return unread_; }
    // How the text rows' dates and times were read.
    const RowDateTimeReader& RowTimes() const { return rowTimes_; }
    // Counts the starts over (a reset, a recomputation): results of one
    // generation only ever grow, so a view may keep what it has shown.
    std::uint64_t Generation() const { return generation_; }

signals:
    // The statistics changed (rows fed, a reset, a recomputation).
    void Changed();
    // Started over (a reset, a recomputation): the readings that follow are
    // all there are.
    void Restarted();
    // The readings the statistics were given, in order, in batches (an
    // opened file's in thousands, a live tick's one): levels they refused
    // left out, readings on a second counted already kept. `live`: rows the
    // running recording just appended (not a file's, nor ones fed again).
    void ReadingsFed(const std::vector<noisestats::Reading>& readings, bool live);

private:
    SessionFeed(const reading::ReadingsSession& session, IntervalLength length, QTimeZone zone,
                std::vector<Reading>* collect, std::vector<int>* collectRows);
    void ResetRows();
    void Restart();
    void Feed(int firstRow, int lastRow);
    std::optional<Reading> RowReading(int row);
    void FeedFileWords(const std::uint32_t* words, int count, QDate date, int firstRow);
    void Take(const Reading& r);
    void TellFed();
    void OnAppended(int firstRow, int count);

    const reading::ReadingsSession& session_;
    QTimeZone zone_;
    RowDateTimeReader rowTimes_;  // of the user's locale when the rows came
    NoiseStatistics stats_;
    LocalTimeline timeline_;
    QDate day_;        // the date word rows were last stamped from
    QDate today_;      // for two-digit years and rows placed in sequence
    QString lastDateText_;
    std::optional<QDate> lastDate_;
    int lastReadingRow_ = 0;  // the last row that held a reading; new rows continue after it
    std::int64_t readings_ = 0, textReadings_ = 0, unread_ = 0;
    std::uint64_t generation_ = 0;
    bool liveRows_ = false;  // the rows being fed are the recording's new ones
    bool tellFed_ = false;   // someone listens to ReadingsFed: collect the batch
    bool quiet_ = false;     // recomputing the statistics only: tell nobody of the readings
    std::vector<Reading> fed_;
    std::vector<Reading>* collect_ = nullptr;  // AllReadings' copy: every reading goes here too
    std::vector<int>* collectRows_ = nullptr;   // and the row it came from
    int row_ = 0;                               // the row being read
};

}  // namespace noisestats
