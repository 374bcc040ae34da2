// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the one-page measurement report holds, gathered from the readings:
// the period and its coverage, the whole-data statistics, the interval
// table, the alarms, the gaps (meter unplugged) and the stretches of
// readings over or under their range, and a thinned copy of the
// levels for the chart. Plain data (Qt Core); report_pdf.h draws it.
//
// One gap rule for the list, the chart and the alarms (StepBetween,
// reading_sample.h): readings one or two seconds apart are continuous (one
// missing second is a slipped tick: no line in the gap list, no break in
// the chart, an alarm and a range-end stretch run on); more than two
// seconds apart is a gap (listed, the line breaks, an alarm and a range-end
// stretch end). A clock set back is no gap (no time is missing: the period
// names it), but the line breaks and an alarm and a range-end stretch end
// there. A second read twice counts once, as in the statistics. The chart
// and the alarms follow the readings of their weighting, the gap list and
// the range-end stretches those of both.
#include "noise/alarm_rule.h"
#include "noise/noise_statistics.h"
#include "noise/reading_sample.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace noisestats {

// Seconds [start, end) of the time line, with the UTC offset of its start.
struct TimeSpan {
    std::int64_t start = 0, end = 0;
    std::int32_t utcOffsetSeconds = 0;
    std::int64_t Seconds() const { return end - start; }
};

// A run of readings beyond one end of their range.
struct RangeStretch : TimeSpan {
    RangeEnd side = RangeEnd::Over;
};

// One weighting's levels for the chart, thinned to at most a few thousand
// points: each slice of time keeps its lowest and highest reading, so peaks
// survive; a NaN level breaks the line at a gap.
struct ChartSeries {
    Weighting weighting = Weighting::A;
    std::vector<double> epochs;
    std::vector<double> levels;  // dB
};

struct MeasurementReport {
    QString title = QStringLiteral("Measurement report");
    QString note;                                // the user's free text (location, purpose)
    // The span: the earliest and the latest second with a reading (the first
    // and the last reading, unless the clock was set back).
    std::int64_t firstEpoch = 0, lastEpoch = 0;
    std::int32_t firstOffset = 0, lastOffset = 0;
    std::vector<ClockSetBack> setBacks;
    std::uint8_t responses = 0;                  // ResponseBits of all readings
    bool hasA = false, hasC = false;
    PeriodResult whole;
    IntervalLength intervalLength = IntervalLength::Minutes15;
    std::vector<PeriodResult> intervals;
    std::vector<AlarmRow> alarms;
    std::optional<AlarmSettings> alarmRule;      // the rule the alarms were found with; none: alarms were off
    std::vector<TimeSpan> gaps;
    std::vector<RangeStretch> rangeExceedances;  // over or under the range, one stretch per run
    std::vector<ChartSeries> chart;
    QString program, version;                    // "Quorvane", "0.1.0"
    QDateTime written;                           // when the report was made (the caller's clock)
    std::int64_t readings = 0;                   // readings counted (one a second)
    bool Empty() const { return readings == 0; }
};

// Points per series at most (two per slice).
constexpr int kChartPoints = 2400;

// Gathers the report of `readings` (time order). The alarms are the
// caller's (live or from FindAlarms); the program's name and version are
// filled in.
MeasurementReport BuildReport(const std::vector<Reading>& readings, IntervalLength length,
                              std::vector<AlarmRow> alarms, const QString& note);

// "2026-03-14 08:00:00 +01:00"
QString ReportDateTime(std::int64_t epoch, std::int32_t utcOffsetSeconds);
// "2 h 05 min 09 s", "45 s", "3 d 02 h 00 min 00 s"
QString ReportDuration(std::int64_t seconds);
// The clock set back, for the period: "" without; "Clock set back from
// 2026-03-14 09:05:00 +01:00 to 2026-03-14 09:03:00 +01:00"; with more,
// "Clock set back 3 times, first from ... to ...".
QString ReportSetBacks(const std::vector<ClockSetBack>& setBacks);
// The weightings and time weighting: "A-weighted, SLOW (one reading a second)".
QString ReportWeightings(const MeasurementReport& report);

}  // namespace noisestats
