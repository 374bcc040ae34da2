// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Noise dose and time-weighted average of A-weighted one-second readings.
//
//   allowed time  T(L) = 8 h / 2^((L - criterion) / exchange rate)
//   dose          D = 100 % · Σ 1 s / T(Li), over readings at or above the threshold
//   TWA           = q · log10(D / 100) + criterion: it refers to 8 h, unmeasured
//                   time counts as no dose.
//
// OSHA: criterion 90 dBA, exchange rate 5 dB, threshold 80 dBA, q = 16.61.
// NIOSH: criterion 85 dBA, exchange rate 3 dB, threshold 80 dBA, q = 10.
// (q is each body's published constant: 16.61 is 5 / log10(2) rounded, NIOSH
// rounds 3 / log10(2) = 9.97 to 10.)
#include <cstdint>
#include <optional>

namespace noisestats {

struct DoseCriterion {
    double criterionDb;
    double exchangeRateDb;
    double thresholdDb;
    double twaFactor;  // q
};
inline constexpr DoseCriterion kOsha{90.0, 5.0, 80.0, 16.61};
inline constexpr DoseCriterion kNiosh{85.0, 3.0, 80.0, 10.0};

// Dose in % that one second at `tenths` adds.
double DosePerSecond(const DoseCriterion& c, int tenths);

struct DoseReport {
    double dosePercent = 0;                     // so far
    std::optional<double> twa;                  // dBA; none for a zero dose
    std::optional<double> projected8hPercent;   // for less than 8 h measured: the dose if the
                                                // same exposure went on for 8 h
};

DoseReport ReportDose(const DoseCriterion& c, double dosePercent, std::int64_t measuredSeconds);

}  // namespace noisestats
