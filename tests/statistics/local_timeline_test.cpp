// SPDX-License-Identifier: GPL-3.0-or-later
// Local dates and times of readings placed on the real time line, through
// midnight and the clock changes of a zone with daylight saving.
#include "noise/local_timeline.h"
#include "noise/noise_statistics.h"
#include <QDateTime>
#include <gtest/gtest.h>
#include <vector>

namespace noisestats {
namespace {

QTimeZone Berlin() {
    // Debian's tzdata (priority "required") is always installed.
    const QTimeZone zone("Europe/Berlin");
    EXPECT_TRUE(zone.isValid()) << "the time zone database is missing";
    return zone;
}

std::int64_t Utc(int y, int mo, int d, int h, int mi, int s) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone::utc()).toSecsSinceEpoch();
}

TEST(LocalTimeline, FullDateTimesTakeTheOffsetInForce) {
    struct Case { const char* name; QDate date; QTime time; std::int64_t epoch; int offset; };
    const Case cases[] = {
        {"winter", QDate(2026, 1, 15), QTime(12, 0, 0), Utc(2026, 1, 15, 11, 0, 0), 3600},
        {"summer", QDate(2026, 7, 1), QTime(12, 0, 0), Utc(2026, 7, 1, 10, 0, 0), 7200},
        {"a skipped time reads as before the change", QDate(2026, 3, 29), QTime(2, 30, 0),
         Utc(2026, 3, 29, 1, 30, 0), 7200},
        {"a repeated time, first reading: the earlier moment", QDate(2026, 10, 25), QTime(2, 30, 0),
         Utc(2026, 10, 25, 0, 30, 0), 7200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LocalTimeline line(Berlin());
        const Reading r = line.Stamp(c.date, c.time, Reading{});
        EXPECT_EQ(r.epochSeconds, c.epoch);
        EXPECT_EQ(r.utcOffsetSeconds, c.offset);
    }
}

// A record file's times of day, one second apart in real time, through
// midnight and both clock changes.
TEST(LocalTimeline, TimesOfDayFollowTheRealTimeLine) {
    struct Case {
        const char* name; QDate start; std::vector<QTime> times;
        std::int64_t firstEpoch; std::vector<int> steps; std::vector<int> offsets;
    };
    const Case cases[] = {
        {"midnight", QDate(2026, 12, 10), {QTime(23, 59, 59), QTime(0, 0, 0), QTime(0, 0, 1)},
         Utc(2026, 12, 10, 22, 59, 59), {1, 1}, {3600, 3600, 3600}},
        {"clock goes back", QDate(2026, 10, 25),
         {QTime(2, 59, 58), QTime(2, 59, 59), QTime(2, 0, 0), QTime(2, 0, 1), QTime(3, 0, 0)},
         Utc(2026, 10, 25, 0, 59, 58), {1, 1, 1, 3599}, {7200, 7200, 3600, 3600, 3600}},
        {"clock goes forward", QDate(2026, 3, 29), {QTime(1, 59, 59), QTime(3, 0, 0), QTime(3, 0, 1)},
         Utc(2026, 3, 29, 0, 59, 59), {1, 1}, {3600, 7200, 7200}},
        {"a gap of ten hours stays on the same day", QDate(2026, 6, 1), {QTime(8, 0, 0), QTime(18, 0, 0)},
         Utc(2026, 6, 1, 6, 0, 0), {36000}, {7200, 7200}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LocalTimeline line(Berlin());
        line.StartDay(c.start);
        std::vector<Reading> got;
        for (QTime t : c.times) got.push_back(line.StampTimeOfDay(t, Reading{}));
        EXPECT_EQ(got.front().epochSeconds, c.firstEpoch);
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].utcOffsetSeconds, c.offsets[i]) << "reading " << i;
            if (i > 0) {
                EXPECT_EQ(got[i].epochSeconds - got[i - 1].epochSeconds, c.steps[i - 1]) << "reading " << i;
            }
        }
    }
}

TEST(LocalTimeline, UnreadableRowsFollowOneSecondApart) {
    LocalTimeline line(Berlin());
    line.StartDay(QDate(2026, 10, 25));
    const Reading first = line.StampNextSecond(Reading{});  // nothing read yet: midnight of the start day
    EXPECT_EQ(first.epochSeconds, Utc(2026, 10, 24, 22, 0, 0));
    const Reading read = line.Stamp(QDate(2026, 10, 25), QTime(2, 59, 59), Reading{});
    const Reading next = line.StampNextSecond(Reading{});
    EXPECT_EQ(next.epochSeconds, read.epochSeconds + 1);
    EXPECT_EQ(read.utcOffsetSeconds, 7200);
    EXPECT_EQ(next.utcOffsetSeconds, 3600);  // 02:00:00 again, in winter time
}

// A recording through the night the clock goes back, in hour intervals:
// the repeated hour appears twice, told apart by its offset, nothing missing.
TEST(LocalTimeline, ARecordingThroughTheClockChangeKeepsEverySecond) {
    LocalTimeline line(Berlin());
    line.StartDay(QDate(2026, 10, 25));
    NoiseStatistics stats(IntervalLength::Minutes60);
    QDateTime wall(QDate(2026, 10, 25), QTime(1, 30, 0), Berlin());
    for (int i = 0; i < 3 * 3600; ++i, wall = wall.addSecs(1)) {
        Reading r;
        r.tenths = 600;
        ASSERT_TRUE(stats.Add(line.StampTimeOfDay(wall.time(), r)));
    }
    const std::vector<PeriodResult> all = stats.AllIntervals();
    ASSERT_EQ(all.size(), 4u);  // 01:00+02, 02:00+02, 02:00+01, 03:00+01
    const int offsets[] = {7200, 7200, 3600, 3600};
    const std::int64_t covered[] = {1800, 3600, 3600, 1800};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(all[i].utcOffsetSeconds, offsets[i]) << "interval " << i;
        EXPECT_EQ(all[i].coveredSeconds, covered[i]) << "interval " << i;
    }
    EXPECT_EQ(all[1].startEpoch + all[1].utcOffsetSeconds, all[2].startEpoch + all[2].utcOffsetSeconds);
    EXPECT_EQ(stats.Whole().missingSeconds, 0);
    EXPECT_EQ(stats.Whole().lengthSeconds, 3 * 3600);
}

}  // namespace
}  // namespace noisestats
