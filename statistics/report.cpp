// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/report.h"
#include "statistics/labels.h"

#include <QDateTime>
#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <limits>

#ifndef QUORVANE_VERSION
#define QUORVANE_VERSION "unknown"
#endif

namespace noisestats {

namespace {

// Readings further apart than this leave a gap in the report and break the
// chart's line (the same second the alarms tolerate).
constexpr std::int64_t kLongestStep = 1;

void AddChart(MeasurementReport& report, const std::vector<Reading>& readings, Weighting w) {
    ChartSeries series;
    series.weighting = w;
    const double span = double(std::max<std::int64_t>(report.lastEpoch - report.firstEpoch + 1, 1));
    const int slices = kChartPoints / 2;
    const double perSlice = std::max(1.0, span / slices);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::int64_t previous = std::numeric_limits<std::int64_t>::min();
    long slice = -1;
    // The open slice's extremes, written when the next slice begins.
    const Reading* low = nullptr;
    const Reading* high = nullptr;
    auto flush = [&] {
        if (!low) return;
        const Reading* first = low->epochSeconds <= high->epochSeconds ? low : high;
        const Reading* second = first == low ? high : low;
        series.epochs.push_back(double(first->epochSeconds));
        series.levels.push_back(first->tenths / 10.0);
        if (second != first) {
            series.epochs.push_back(double(second->epochSeconds));
            series.levels.push_back(second->tenths / 10.0);
        }
        low = high = nullptr;
    };
    for (const Reading& r : readings) {
        if (r.weighting != w || !IsClassedLevel(r.tenths)) continue;
        const long s = long((r.epochSeconds - report.firstEpoch) / perSlice);
        const bool gap = previous != std::numeric_limits<std::int64_t>::min() &&
                         (r.epochSeconds - previous > kLongestStep + 1 || r.epochSeconds < previous);
        if (s != slice || gap) {
            flush();
            slice = s;
        }
        if (gap) {
            series.epochs.push_back(double(previous) + 0.5);
            series.levels.push_back(nan);
        }
        if (!low || r.tenths < low->tenths) low = &r;
        if (!high || r.tenths > high->tenths) high = &r;
        previous = r.epochSeconds;
    }
    flush();
    if (!series.epochs.empty()) report.chart.push_back(std::move(series));
}

}  // namespace

MeasurementReport BuildReport(const std::vector<Reading>& readings, IntervalLength length,
                              std::vector<AlarmRow> alarms, const QString& note) {
    MeasurementReport report;
    report.note = note;
    report.intervalLength = length;
    report.alarms = std::move(alarms);
    report.program = QStringLiteral("Quorvane");
    report.version = QStringLiteral(QUORVANE_VERSION);

    NoiseStatistics stats(length);
    const Reading* previous = nullptr;
    std::optional<RangeStretch> exceedance;
    for (const Reading& r : readings) {
        if (!stats.Add(r)) continue;
        if (!previous) {
            report.firstEpoch = r.epochSeconds;
            report.firstOffset = r.utcOffsetSeconds;
        } else if (r.epochSeconds > previous->epochSeconds + kLongestStep) {
            report.gaps.push_back({previous->epochSeconds + 1, r.epochSeconds, previous->utcOffsetSeconds});
        }
        // Readings beyond an end of their range, one stretch per run of
        // them on the same side.
        if (r.rangeEnd != RangeEnd::Inside) {
            if (exceedance && exceedance->side == r.rangeEnd && r.epochSeconds <= exceedance->end + kLongestStep) {
                exceedance->end = r.epochSeconds + 1;
            } else {
                if (exceedance) report.rangeExceedances.push_back(*exceedance);
                exceedance = RangeStretch{{r.epochSeconds, r.epochSeconds + 1, r.utcOffsetSeconds}, r.rangeEnd};
            }
        }
        report.responses |= r.timeWeighting == TimeWeighting::Slow   ? SeenSlow
                            : r.timeWeighting == TimeWeighting::Fast ? SeenFast
                                                                     : SeenUnknown;
        (r.weighting == Weighting::A ? report.hasA : report.hasC) = true;
        report.lastEpoch = r.epochSeconds;
        report.lastOffset = r.utcOffsetSeconds;
        ++report.readings;
        previous = &r;
    }
    if (exceedance) report.rangeExceedances.push_back(*exceedance);
    report.whole = stats.Whole();
    report.intervals = stats.AllIntervals();
    if (report.hasA) AddChart(report, readings, Weighting::A);
    if (report.hasC) AddChart(report, readings, Weighting::C);
    return report;
}

QString ReportDateTime(std::int64_t epoch, std::int32_t utcOffsetSeconds) {
    const QDateTime t = QDateTime::fromSecsSinceEpoch(epoch, QTimeZone(utcOffsetSeconds));
    const int minutes = std::abs(utcOffsetSeconds) / 60;
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" %1%2:%3")
               .arg(utcOffsetSeconds < 0 ? '-' : '+')
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString ReportDuration(std::int64_t seconds) {
    seconds = std::max<std::int64_t>(seconds, 0);
    const std::int64_t d = seconds / 86400, h = seconds / 3600 % 24, m = seconds / 60 % 60, s = seconds % 60;
    auto two = [](std::int64_t v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    if (d > 0) return QStringLiteral("%1 d %2 h %3 min %4 s").arg(d).arg(two(h), two(m), two(s));
    if (h > 0) return QStringLiteral("%1 h %2 min %3 s").arg(h).arg(two(m), two(s));
    if (m > 0) return QStringLiteral("%1 min %2 s").arg(m).arg(two(s));
    return QStringLiteral("%1 s").arg(s);
}

QString ReportWeightings(const MeasurementReport& report) {
    const QString weightings = report.hasA && report.hasC ? QStringLiteral("A- and C-weighted")
                               : report.hasC              ? QStringLiteral("C-weighted")
                                                          : QStringLiteral("A-weighted");
    QString responses = ResponsesText(report.responses);
    if (report.responses == SeenUnknown) responses = QStringLiteral("time weighting unknown");
    return QStringLiteral("%1, %2 (one reading a second)").arg(weightings, responses);
}

}  // namespace noisestats
