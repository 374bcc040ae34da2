// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/dose.h"
#include <cmath>

namespace noisestats {

namespace {
constexpr double kEightHoursSeconds = 8 * 3600.0;
}

double DosePerSecond(const DoseCriterion& c, int tenths) {
    const double level = tenths / 10.0;
    // Compared in tenths so 80.0 dBA counts whatever the rounding of 80.0.
    if (tenths < std::lround(c.thresholdDb * 10)) return 0.0;
    // 1 s / T(L) with T(L) = 8 h / 2^((L - criterion) / q)
    return 100.0 * std::exp2((level - c.criterionDb) / c.exchangeRateDb) / kEightHoursSeconds;
}

DoseReport ReportDose(const DoseCriterion& c, double dosePercent, std::int64_t measuredSeconds) {
    DoseReport r;
    r.dosePercent = dosePercent;
    if (dosePercent > 0) r.twa = c.twaFactor * std::log10(dosePercent / 100.0) + c.criterionDb;
    if (measuredSeconds > 0 && measuredSeconds < kEightHoursSeconds)
        r.projected8hPercent = dosePercent * kEightHoursSeconds / double(measuredSeconds);
    return r;
}

}  // namespace noisestats
