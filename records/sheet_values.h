// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The table's texts as spreadsheet values and back: numbers that a
// spreadsheet can chart, dates and times as real date and time cells, and
// on import the texts the table shows (the user's short date and long
// time, levels with a decimal comma). Shared by the .xls and .xlsx forms.
#include "records/xls/workbook.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

namespace records {

// Number formats the export gives its cells. Date and time are the built-in
// formats a spreadsheet shows in its reader's locale.
inline constexpr const char* SheetDateFormat = "m/d/yy";   // built-in 14
inline constexpr const char* SheetTimeFormat = "h:mm:ss";  // built-in 21
inline constexpr int SheetDateFormatId = 14;
inline constexpr int SheetTimeFormatId = 21;

struct SheetValue {
    enum class Kind { Text, Number, Date, Time };
    Kind kind = Kind::Text;
    double number = 0;  // for Number; days since the epoch for Date; day fraction for Time
    QString text;       // for Text
    QString format;     // for Number, Date, Time
};

// What table column `column` (0 REC, 1 dB, 2 A/C, 3 Time, 4 Date) writes
// for `text`: a whole number in REC, a level with a decimal comma in dB (as
// a number with as many decimals), a time or date that the table's own
// format gives back exactly; anything else (and A/C) as text, so that an
// import always gives back the same text.
SheetValue ExportValue(int column, const QString& text, bool dates1904 = false);

// The text table column `column` shows for a spreadsheet cell.
QString ImportText(int column, const xls::CellValue& value, bool dates1904 = false);

// ExportValue and ImportText over many rows: a column's value that equals
// the row before's (the date of a recording, mostly) is converted once.
class ExportValues {
public:
    explicit ExportValues(bool dates1904) : dates1904_(dates1904) {}
    const SheetValue& Of(int column, const QString& text);

private:
    bool dates1904_;
    QString last_[5];
    SheetValue value_[5];
    bool known_[5] = {};
};

class ImportTexts {
public:
    explicit ImportTexts(bool dates1904) : dates1904_(dates1904) {}
    QString Of(int column, const xls::CellValue& value);

private:
    bool dates1904_;
    double lastNumber_[5] = {};
    xls::CellKind lastKind_[5] = {};
    QString text_[5];
    QString lastFormat_;
    int decimals_ = -1;
};

// Days from the epoch to `date` and back; the epoch is 1899-12-30 (so day 1
// is 1900-01-01 for every date after February 1900), or 1904-01-01.
double DateSerial(const QDate& date, bool dates1904);
QDate SerialDate(long long days, bool dates1904);

// The table's time and date texts read back (nothing unless formatting the
// result gives the same text again).
std::optional<QTime> TableTime(const QString& text);
std::optional<QDate> TableDate(const QString& text);

}  // namespace records
