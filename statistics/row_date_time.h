// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the Date and Time texts of rows opened from a text file or a
// spreadsheet, in the user's locale (the program writes them that way:
// reading::FormatShortDate and reading::FormatLongTime).
#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>
#include <optional>

namespace noisestats {

// A date in the locale's short or long format. A four-digit year is taken
// as it stands; a two-digit year (most short formats) gets the century that
// brings the date nearest to `today` (Qt alone would give 19xx).
std::optional<QDate> ReadRowDate(const QString& text, const QLocale& locale, QDate today);

// A time of day with seconds in the locale's long format without its time
// zone (as the program writes it), else "HH:mm:ss" or the short format.
std::optional<QTime> ReadRowTime(const QString& text, const QLocale& locale);
// The same with the formats worked out once (RowTimeFormats), for many rows.
QStringList RowTimeFormats(const QLocale& locale);
std::optional<QTime> ReadRowTime(const QString& text, const QLocale& locale, const QStringList& formats);

}  // namespace noisestats
