// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/session_feed.h"

#include "platform/clock.h"
#include "reading/readings_session.h"
#include "reading/reading_word.h"
#include "statistics/row_date_time.h"

#include <cmath>

namespace noisestats {

bool ReachesRangeEnd(std::uint32_t word) {
    const auto labels = reading::ScaleLabels(reading::RangeIndex(word));
    if (!labels) return false;
    const int lower = QString::fromLatin1(labels->lower).trimmed().toInt() * 10;
    const int upper = QString::fromLatin1(labels->upper).trimmed().toInt() * 10;
    const int tenths = reading::LevelTenths(word);
    return tenths <= lower || tenths >= upper;
}

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

void SessionFeed::SetLength(IntervalLength length) {
    stats_.Restart(length);
    Recompute();
}

void SessionFeed::Restart() {
    ++generation_;
    stats_.Restart(stats_.Length());
    timeline_ = LocalTimeline(zone_);
    locale_ = QLocale();
    day_ = {};
    today_ = platform::LocalNow().date();
    lastDateText_.clear();
    lastDate_.reset();
    nextRow_ = 1;
    readings_ = textReadings_ = sequenced_ = 0;
}

void SessionFeed::Recompute() {
    Restart();
    Feed(1, session_.Table().RowCount() - 1);
    emit Changed();
}

void SessionFeed::OnAppended(int firstRow, int count) {
    if (count <= 0) return;
    if (firstRow != nextRow_) {
        // Rows that do not continue the ones fed (a file loaded over the
        // data without a reset): start over from the table as it stands.
        Recompute();
        return;
    }
    Feed(firstRow, firstRow + count - 1);
    emit Changed();
}

void SessionFeed::Feed(int firstRow, int lastRow) {
    for (int row = firstRow; row <= lastRow; ++row)
        if (const auto r = RowReading(row)) {
            if (stats_.Add(*r)) ++readings_;
        }
    nextRow_ = std::max(nextRow_, lastRow + 1);
}

std::optional<Reading> SessionFeed::RowReading(int row) {
    const reading::ReadingsSession::StoredReading stored = session_.ReadingAt(row);
    if (stored.word) {
        const std::uint32_t w = *stored.word;
        Reading r;
        r.tenths = reading::LevelTenths(w);
        r.weighting = reading::IsCWeighted(w) ? Weighting::C : Weighting::A;
        r.timeWeighting = reading::IsSlow(w) ? TimeWeighting::Slow : TimeWeighting::Fast;
        r.atRangeEnd = ReachesRangeEnd(w);
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
    ++textReadings_;
    const auto time = ReadRowTime(session_.Table().Cell(3, row), locale_);
    const QString dateText = session_.Table().Cell(4, row);
    if (dateText != lastDateText_) {
        // A file's rows mostly share their date: read each text once.
        lastDateText_ = dateText;
        lastDate_ = ReadRowDate(dateText, locale_, today_);
    }
    if (time && lastDate_) return timeline_.Stamp(*lastDate_, *time, r);
    ++sequenced_;
    if (readings_ == 0 && sequenced_ == 1) timeline_.StartDay(today_);
    return timeline_.StampNextSecond(r);
}

}  // namespace noisestats
