// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The interval table as CSV for other programs (RFC 4180: comma-separated,
// CRLF line ends, fields quoted only when they hold a comma, quote or line
// break; UTF-8; one header row). Levels carry "." as decimal mark whatever
// the user's locale, one decimal (the meter's resolution); dates are ISO 8601
// local date-times with their UTC offset, so a repeated hour after the clock
// goes back stays unambiguous. A weighting absent from an interval leaves its
// cells empty; A- and C-weighted results sit in columns of their own.
#include "noise/noise_statistics.h"
#include <QIODevice>
#include <QString>
#include <vector>

namespace noisestats {

// "2026-12-10T14:05:00+01:00"
QString IsoLocalDateTime(std::int64_t epochSeconds, std::int32_t utcOffsetSeconds);

// Writes the header and one row per period. False when the device refuses a write.
bool WriteIntervalCsv(QIODevice& out, const std::vector<PeriodResult>& periods);
// The same in two parts, for a file that grows by rows as intervals close:
// the header once, then rows as they come; together they are WriteIntervalCsv.
bool WriteIntervalCsvHeader(QIODevice& out);
bool WriteIntervalCsvRows(QIODevice& out, const std::vector<PeriodResult>& periods);

}  // namespace noisestats
