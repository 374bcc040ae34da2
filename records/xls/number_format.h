// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a cell's number format makes of its number: a plain number, a date,
// a time of day or both. Spreadsheets store dates and times as numbers
// (days since the epoch, the time as the day's fraction); only the format
// tells them apart.
#include <QString>

#include <cstdint>

namespace xls {

enum class FormatKind { Number, Date, Time, DateTime };

// Recognised as spreadsheet programs do: the date tokens (y, d, and m next
// to them) and time tokens (h, s, AM/PM, [h], [m], [s]) of the first section,
// outside quoted texts, escaped characters and [...] brackets other than the
// elapsed-time ones. "m" alone counts as a minute only next to h or s.
FormatKind ClassifyNumberFormat(const QString& format);

// The format of a built-in format number (0-49) as BIFF8 files leave them
// out; empty for numbers without one.
QString BuiltInNumberFormat(int id);
// The kind of a built-in format, including the locale-dependent date
// formats (27-36, 50-58) that have no fixed text.
FormatKind BuiltInFormatKind(int id);

// Decimals of a fixed-point format such as "0.0" (1) or "#,##0.000" (3);
// -1 for the general format and formats without a decimal point.
int FixedDecimals(const QString& format);

}  // namespace xls
