// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report_ticks.h"

#include <QDateTime>
#include <QTimeZone>

#include <algorithm>

namespace noisestats {

namespace {

constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kSteps[] = {1,    2,    5,     10,    15,    30,    60,      120,     300,    600,
                                   900,  1800, 3600,  7200,  10800, 21600, 43200,   kDay,    2 * kDay, 7 * kDay};

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

}  // namespace

std::vector<TimeTick> ReportTimeTicks(std::int64_t firstEpoch, std::int64_t endEpoch, std::int32_t utcOffsetSeconds,
                                      int maxTicks) {
    std::vector<TimeTick> ticks;
    if (endEpoch < firstEpoch || maxTicks < 1) return ticks;
    // Round local times: the ticks are multiples of the step on the local
    // clock (for days: local midnights).
    const std::int64_t firstLocal = firstEpoch + utcOffsetSeconds, endLocal = endEpoch + utcOffsetSeconds;
    std::int64_t step = kSteps[std::size(kSteps) - 1];
    for (const std::int64_t s : kSteps) {
        const std::int64_t count = FloorDiv(endLocal, s) - FloorDiv(firstLocal + s - 1, s) + 1;
        if (count <= maxTicks) {
            step = s;
            break;
        }
    }
    const bool manyDays = FloorDiv(firstLocal, kDay) != FloorDiv(endLocal, kDay);
    const QString format = step >= kDay ? QStringLiteral("yyyy-MM-dd")
                           : step < 60  ? (manyDays ? QStringLiteral("MM-dd\nHH:mm:ss") : QStringLiteral("HH:mm:ss"))
                                        : (manyDays ? QStringLiteral("MM-dd\nHH:mm") : QStringLiteral("HH:mm"));
    const QTimeZone zone(utcOffsetSeconds);
    for (std::int64_t local = FloorDiv(firstLocal + step - 1, step) * step; local <= endLocal; local += step) {
        const std::int64_t epoch = local - utcOffsetSeconds;
        ticks.push_back({epoch, QDateTime::fromSecsSinceEpoch(epoch, zone).toString(format)});
    }
    return ticks;
}

}  // namespace noisestats
