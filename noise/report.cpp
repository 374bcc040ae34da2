// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/report.h"
#include "noise/labels.h"

#include <QDateTime>
#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#ifndef QUORVANE_VERSION
#define QUORVANE_VERSION "unknown"
#endif

namespace noisestats {

namespace {

// The chart's line of one weighting: the counted readings (`counted[i]` for
// readings[i]), broken where StepBetween finds a gap or a clock set back.
void AddChart(MeasurementReport& report, const std::vector<Reading>& readings, const std::vector<char>& counted,
              Weighting w) {
    ChartSeries series;
    series.weighting = w;
    const double span = double(std::max<std::int64_t>(report.lastEpoch - report.firstEpoch + 1, 1));
    const int slices = kChartPoints / 2;
    const double perSlice = std::max(1.0, span / slices);
    const double nan = std::numeric_limits<double>::quiet_NaN();
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
    auto breakAt = [&](double epoch) {
        flush();
        series.epochs.push_back(epoch);
        series.levels.push_back(nan);
    };
    std::optional<std::int64_t> previous;   // the latest reading of this weighting, counted or not
    std::int64_t lastDrawn = 0;             // the latest one drawn ...
    bool drawn = false;                     // ... since the line last broke
    // The chart sorts its points by time: after a clock set back the line
    // also breaks before the first point and after the last of each stretch.
    bool breakBefore = false, setBack = false;
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const Reading& r = readings[i];
        if (r.weighting != w || !IsClassedLevel(r.tenths)) continue;
        const ReadingStep step = previous ? StepBetween(*previous, r.epochSeconds) : ReadingStep::Next;
        if (step == ReadingStep::Repeated) continue;
        previous = r.epochSeconds;
        if (step == ReadingStep::Gap || step == ReadingStep::SetBack) {
            if (drawn) breakAt(double(lastDrawn) + 0.5);
            drawn = false;
            if (step == ReadingStep::SetBack) breakBefore = setBack = true;
        }
        if (!counted[i]) continue;
        if (breakBefore) {
            breakAt(double(r.epochSeconds) - 0.5);
            breakBefore = false;
        }
        const long s = long((r.epochSeconds - report.firstEpoch) / perSlice);
        if (s != slice) {
            flush();
            slice = s;
        }
        if (!low || r.tenths < low->tenths) low = &r;
        if (!high || r.tenths > high->tenths) high = &r;
        lastDrawn = r.epochSeconds;
        drawn = true;
    }
    flush();
    if (setBack && drawn) breakAt(double(lastDrawn) + 0.5);
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
    std::vector<char> counted(readings.size(), 0);
    std::optional<std::int64_t> previous;  // the reading before, counted or not
    std::int32_t previousOffset = 0;
    std::optional<std::int64_t> lastAtEnd;  // the latest reading of the open range-end stretch
    std::optional<RangeStretch> exceedance;
    auto endExceedance = [&] {
        if (exceedance) report.rangeExceedances.push_back(*exceedance);
        exceedance.reset();
    };
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const Reading& r = readings[i];
        counted[i] = stats.Add(r);
        if (!IsClassedLevel(r.tenths)) continue;
        const ReadingStep step = previous ? StepBetween(*previous, r.epochSeconds) : ReadingStep::Next;
        if (step == ReadingStep::Repeated) continue;
        if (step == ReadingStep::Gap) report.gaps.push_back({*previous + 1, r.epochSeconds, previousOffset});
        if (step == ReadingStep::Gap || step == ReadingStep::SetBack) endExceedance();
        previous = r.epochSeconds;
        previousOffset = r.utcOffsetSeconds;
        if (!counted[i]) continue;
        // Readings beyond an end of their range, one stretch per run of
        // them on the same side.
        if (r.rangeEnd != RangeEnd::Inside) {
            if (exceedance && exceedance->side == r.rangeEnd &&
                StepBetween(*lastAtEnd, r.epochSeconds) == ReadingStep::Next) {
                exceedance->end = r.epochSeconds + 1;
            } else {
                endExceedance();
                exceedance = RangeStretch{{r.epochSeconds, r.epochSeconds + 1, r.utcOffsetSeconds}, r.rangeEnd};
            }
            lastAtEnd = r.epochSeconds;
        }
        report.responses |= r.timeWeighting == TimeWeighting::Slow   ? SeenSlow
                            : r.timeWeighting == TimeWeighting::Fast ? SeenFast
                                                                     : SeenUnknown;
        (r.weighting == Weighting::A ? report.hasA : report.hasC) = true;
        if (report.readings == 0 || r.epochSeconds >= report.lastEpoch) {
            report.lastEpoch = r.epochSeconds;
            report.lastOffset = r.utcOffsetSeconds;
        }
        ++report.readings;
    }
    endExceedance();
    report.whole = stats.Whole();
    report.intervals = stats.AllIntervals();
    report.setBacks = stats.SetBacks();
    if (report.readings > 0) {
        report.firstEpoch = report.whole.startEpoch;
        report.firstOffset = report.whole.utcOffsetSeconds;
    }
    if (report.hasA) AddChart(report, readings, counted, Weighting::A);
    if (report.hasC) AddChart(report, readings, counted, Weighting::C);
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

QString ReportSetBacks(const std::vector<ClockSetBack>& setBacks) {
    if (setBacks.empty()) return {};
    const ClockSetBack& first = setBacks.front();
    const QString fromTo = QStringLiteral("from %1 to %2")
                               .arg(ReportDateTime(first.fromEpoch, first.fromOffset),
                                    ReportDateTime(first.toEpoch, first.toOffset));
    if (setBacks.size() == 1) return QStringLiteral("Clock set back ") + fromTo;
    return QStringLiteral("Clock set back %1 times, first %2").arg(setBacks.size()).arg(fromTo);
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
