// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/session_feed.h"

#include "platform/clock.h"
#include "reading/readings_session.h"
#include "reading/reading_word.h"
#include "statistics/row_date_time.h"

#include <algorithm>
#include <QMetaMethod>
#include <QSet>
#include <array>
#include <cmath>

namespace noisestats {

namespace {

// Each range's ends in tenths of a dB, read once from the range table's
// scale labels (the check runs for every reading of an opened file).
struct RangeEnds {
    int lower, upper;
};
using RangeEndTable = std::array<RangeEnds, reading::LevelRange.size()>;
const RangeEndTable& RangeTable() {
    static const auto table = [] {
        std::array<RangeEnds, reading::LevelRange.size()> t{};
        for (std::size_t i = 0; i < t.size(); ++i)
            t[i] = {QString::fromLatin1(reading::LevelRange[i].lower).trimmed().toInt() * 10,
                    QString::fromLatin1(reading::LevelRange[i].upper).trimmed().toInt() * 10};
        return t;
    }();
    return table;
}

// The scale labels themselves lie inside the range: 80,0 dB is a level the
// 30-80 dB range shows.
RangeEnd RangeEndOf(std::uint32_t word, const RangeEndTable& table) {
    const int range = reading::RangeIndex(word);
    if (range < 0 || range >= int(table.size())) return RangeEnd::Inside;  // names no range
    const RangeEnds& ends = table[std::size_t(range)];
    const int tenths = reading::LevelTenths(word);
    return tenths < ends.lower ? RangeEnd::Under : tenths > ends.upper ? RangeEnd::Over : RangeEnd::Inside;
}

}  // namespace

RangeEnd RangeEndOf(std::uint32_t word) { return RangeEndOf(word, RangeTable()); }

SessionFeed::SessionFeed(const reading::ReadingsSession& session, IntervalLength length, QTimeZone zone,
                         QObject* parent)
    : QObject(parent), session_(session), zone_(zone), stats_(length), timeline_(zone) {
    connect(&session, &reading::ReadingsSession::ReadingsAppended, this, &SessionFeed::OnAppended);
    connect(&session, &reading::ReadingsSession::DataReset, this, [this] {
        Restart();
        emit Changed();
    });
    Recompute();
}

SessionFeed::SessionFeed(const reading::ReadingsSession& session, IntervalLength length, QTimeZone zone,
                         std::vector<Reading>* collect, std::vector<int>* collectRows)
    : QObject(nullptr), session_(session), zone_(zone), stats_(length), timeline_(zone), collect_(collect),
      collectRows_(collectRows) {
    // A copy that reads the rows once and follows nothing.
    ResetRows();
    quiet_ = true;
    Feed(1, session_.Table().RowCount() - 1);
}

std::vector<Reading> SessionFeed::AllReadings() const {
    std::vector<Reading> readings;
    readings.reserve(std::size_t(std::max<std::int64_t>(readings_, 0)));
    SessionFeed copy(session_, stats_.Length(), zone_, &readings, nullptr);
    return readings;
}

std::vector<Reading> SessionFeed::AllReadings(std::vector<int>& rows) const {
    std::vector<Reading> readings;
    rows.clear();
    SessionFeed copy(session_, stats_.Length(), zone_, &readings, &rows);
    return readings;
}

void SessionFeed::SetLength(IntervalLength length) {
    // The same rows read the same way give the same readings: only the
    // statistics start over, and those who follow the readings are not
    // told them again.
    ++generation_;
    stats_.Restart(length);
    ResetRows();
    quiet_ = true;
    Feed(1, session_.Table().RowCount() - 1);
    quiet_ = false;
    emit Changed();
}

void SessionFeed::ResetRows() {
    timeline_ = LocalTimeline(zone_);
    day_ = {};
    lastDateText_.clear();
    lastDate_.reset();
    lastReadingRow_ = 0;
    readings_ = textReadings_ = unread_ = 0;
}

void SessionFeed::Restart() {
    ++generation_;
    stats_.Restart(stats_.Length());
    ResetRows();
    emit Restarted();
}

void SessionFeed::Recompute() {
    Restart();
    Feed(1, session_.Table().RowCount() - 1);
    emit Changed();
}

void SessionFeed::OnAppended(int firstRow, int count) {
    if (count <= 0) return;
    if (firstRow <= lastReadingRow_) {
        // A row that held a reading was written again (a file loaded over
        // the data without a reset): start over from the table as it stands.
        Recompute();
        return;
    }
    // From the row after the last reading: rows in between hold none, or
    // were not announced.
    liveRows_ = session_.Recording;
    Feed(lastReadingRow_ + 1, firstRow + count - 1);
    liveRows_ = false;
    emit Changed();
}

void SessionFeed::Feed(int firstRow, int lastRow) {
    if (lastReadingRow_ == 0) {
        // The first rows since the start: the locale and the day they are
        // read with are those of now, and stay for the rows that follow.
        today_ = platform::LocalNow().date();
        rowTimes_ = RowDateTimeReader(QLocale(), today_);
    }
    if (!rowTimes_.DateFormChosen() && firstRow <= lastRow && !session_.ReadingAt(firstRow).word) {
        // Rows of texts: the form their dates are read in is chosen from all
        // of them.
        QSet<QString> dates;
        for (int row = firstRow; row <= lastRow; ++row) dates.insert(session_.Table().Cell(4, row));
        rowTimes_.ChooseDateForm(dates.values());
    }
    // A record file's rows go in runs straight from their words (a month
    // is 2.6 million of them); every other row one at a time.
    constexpr int kRun = 4096;
    std::uint32_t words[kRun];
    tellFed_ = !quiet_ && isSignalConnected(QMetaMethod::fromSignal(&SessionFeed::ReadingsFed));
    for (int row = firstRow; row <= lastRow;) {
        QDate date;
        const int n = session_.Table().FileWordRun(row, std::min(kRun, lastRow - row + 1), words, &date);
        if (n > 0) {
            FeedFileWords(words, n, date, row);
            lastReadingRow_ = row + n - 1;
            row += n;
            TellFed();
            continue;
        }
        row_ = row;
        if (const auto r = RowReading(row)) {
            lastReadingRow_ = row;
            Take(*r);
            if (fed_.size() >= std::size_t(kRun)) TellFed();
        }
        ++row;
    }
    TellFed();
}

void SessionFeed::Take(const Reading& r) {
    if (stats_.Add(r))
        ++readings_;
    else if (!IsClassedLevel(r.tenths))
        return;
    // A reading the statistics skipped (its second counted already) goes to
    // the listeners too: the alarms and the report apply the same rule.
    if (tellFed_) fed_.push_back(r);
    if (collect_) collect_->push_back(r);
    if (collectRows_) collectRows_->push_back(row_);
}

void SessionFeed::TellFed() {
    if (fed_.empty()) return;
    emit ReadingsFed(fed_, liveRows_);
    fed_.clear();
}

namespace {
Reading WordReading(std::uint32_t w, const RangeEndTable& ends) {
    Reading r;
    r.tenths = reading::LevelTenths(w);
    r.weighting = reading::IsCWeighted(w) ? Weighting::C : Weighting::A;
    r.timeWeighting = reading::IsSlow(w) ? TimeWeighting::Slow : TimeWeighting::Fast;
    r.rangeEnd = RangeEndOf(w, ends);
    return r;
}
}  // namespace

void SessionFeed::FeedFileWords(const std::uint32_t* words, int count, QDate date, int firstRow) {
    if (date != day_) {
        day_ = date;
        timeline_.StartDay(day_);
    }
    const RangeEndTable& ends = RangeTable();
    for (int i = 0; i < count; ++i) {
        row_ = firstRow + i;
        Take(timeline_.StampSecondOfDay(reading::WordSecondOfDay(words[i]), WordReading(words[i], ends)));
    }
}

std::optional<Reading> SessionFeed::RowReading(int row) {
    const reading::ReadingsSession::StoredReading stored = session_.ReadingAt(row);
    if (stored.word) {
        const Reading r = WordReading(*stored.word, RangeTable());
        if (stored.date != day_) {
            // Live rows carry the PC date, which moves on at midnight; a
            // record file's rows all carry its start date.
            day_ = stored.date;
            timeline_.StartDay(day_);
        }
        return timeline_.StampTimeOfDay(stored.time, r);
    }
    if (!stored.level) return std::nullopt;  // an empty row, or one without a number
    Reading r;
    r.tenths = int(std::lround(double(*stored.level) * 10.0));
    r.weighting = stored.cWeighted ? Weighting::C : Weighting::A;
    r.timeWeighting = TimeWeighting::Unknown;
    const auto time = rowTimes_.Time(session_.Table().Cell(3, row));
    const QString dateText = session_.Table().Cell(4, row);
    if (dateText != lastDateText_) {
        // A file's rows mostly share their date: read each text once.
        lastDateText_ = dateText;
        lastDate_ = rowTimes_.Date(dateText);
    }
    if (!time || !lastDate_) {
        ++unread_;  // no made-up time: the reading is left out
        return std::nullopt;
    }
    ++textReadings_;
    return timeline_.Stamp(*lastDate_, *time, r);
}

}  // namespace noisestats
