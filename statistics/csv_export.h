// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Saving the interval table as a CSV file: written beside the target and
// put in its place only when complete, so a failed save leaves the file
// that was there untouched.
#include "noise/noise_statistics.h"
#include <QString>

namespace noisestats {

// True when `path` now holds the table; else `error` (if given) says why.
bool SaveIntervalCsv(const QString& path, const NoiseStatistics& stats, QString* error = nullptr);

}  // namespace noisestats
