// SPDX-License-Identifier: GPL-3.0-or-later
// Table texts as spreadsheet values and back: numbers, dates and times
// written as such, read back as the texts the table shows, in two locales.
#include "reading/reading_word.h"
#include "records/sheet_values.h"

#include <gtest/gtest.h>

#include <QLocale>

using namespace records;
using Kind = SheetValue::Kind;

namespace {

class SheetValues : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QString::fromLatin1(GetParam()))); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

xls::CellValue Cell(xls::CellKind kind, double number, const QString& format, const QString& text = {}) {
    xls::CellValue v;
    v.kind = kind;
    v.number = number;
    v.format = format;
    v.text = text;
    return v;
}

}  // namespace

TEST_P(SheetValues, ExportWritesNumbersDatesAndTimesAndKeepsTheRestAsText) {
    const QString time = reading::FormatLongTime(QTime(13, 25, 59));
    const QString date = reading::FormatShortDate(QDate(2024, 5, 1));
    const struct { int column; QString text; Kind kind; double number; const char* format; } cases[] = {
        {0, "1", Kind::Number, 1, "General"},
        {0, "65531", Kind::Number, 65531, "General"},
        {0, "007", Kind::Text, 0, ""},
        {0, "1,5", Kind::Text, 0, ""},
        {1, "65,4", Kind::Number, 65.4, "0.0"},
        {1, "100,0", Kind::Number, 100, "0.0"},
        {1, "65", Kind::Number, 65, "0"},
        {1, "-3,25", Kind::Number, -3.25, "0.00"},
        {1, "-0,0", Kind::Text, 0, ""},
        {1, "65.4", Kind::Text, 0, ""},
        {1, "n/a", Kind::Text, 0, ""},
        {2, "A", Kind::Text, 0, ""},
        {2, "1", Kind::Text, 0, ""},
        {3, time, Kind::Time, (13 * 3600 + 25 * 60 + 59) / 86400.0, "h:mm:ss"},
        {3, reading::FormatLongTime(QTime(0, 0, 0)), Kind::Time, 0, "h:mm:ss"},
        {3, "25:61:00", Kind::Text, 0, ""},
        {4, date, Kind::Date, 45413, "m/d/yy"},
        {4, "hello", Kind::Text, 0, ""},
        {4, "", Kind::Text, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("column %1: \"%2\"").arg(c.column).arg(c.text).toStdString());
        const SheetValue v = ExportValue(c.column, c.text);
        EXPECT_EQ(int(v.kind), int(c.kind));
        if (c.kind == Kind::Text) {
            EXPECT_EQ(v.text, c.text);
            continue;
        }
        EXPECT_DOUBLE_EQ(v.number, c.number);
        EXPECT_EQ(v.format, QString::fromLatin1(c.format));
        // What the export wrote reads back as the same text.
        const xls::CellKind kind = c.kind == Kind::Time   ? xls::CellKind::Time
                                   : c.kind == Kind::Date ? xls::CellKind::Date
                                                          : xls::CellKind::Number;
        EXPECT_EQ(ImportText(c.column, Cell(kind, v.number, v.format, QString::number(v.number))), c.text);
    }
}

TEST_P(SheetValues, ImportShowsDatesAndTimesAsTheTableDoesAndLevelsWithAComma) {
    const QString d = reading::FormatShortDate(QDate(2024, 5, 1));
    const QString t = reading::FormatLongTime(QTime(12, 0, 1));
    using xls::CellKind;
    const struct { int column; xls::CellValue value; QString text; } cases[] = {
        {3, Cell(CellKind::Time, 0.5000115740740, "hh:mm:ss", "0.500011574074"), t},
        {4, Cell(CellKind::Date, 45413, "yyyy-mm-dd", "45413"), d},
        {4, Cell(CellKind::DateTime, 45413.5000115740740, "m/d/yy h:mm", "45413.5"), d + " " + t},
        {1, Cell(CellKind::Date, 45413, "yyyy-mm-dd", "45413"), d},  // not a level: the level rule stops there
        {1, Cell(CellKind::Number, 65.4, "0.0", "65.4"), "65,4"},
        {1, Cell(CellKind::Number, 100, "0.0", "100"), "100,0"},
        {1, Cell(CellKind::Number, 65.43, "General", "65.43"), "65,43"},
        {0, Cell(CellKind::Number, 7, "General", "7"), "7"},
        {0, Cell(CellKind::Number, 7, "0.00", "7"), "7.00"},
        {4, Cell(CellKind::Date, -5, "yyyy-mm-dd", "-5"), "-5"},  // before the epoch: the number
        {2, Cell(CellKind::Text, 0, "General", "C"), "C"},
        {2, Cell(CellKind::Empty, 0, "General"), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(ImportText(c.column, c.value), c.text);
    }
    // A workbook that counts from 1904 shows its day 0 as the first of 1904.
    EXPECT_EQ(ImportText(4, Cell(CellKind::Date, 0, "yyyy-mm-dd", "0"), true), reading::FormatShortDate(QDate(1904, 1, 1)));
    EXPECT_DOUBLE_EQ(ExportValue(4, d, true).number, 45413 - 1462);
}

INSTANTIATE_TEST_SUITE_P(Locales, SheetValues, ::testing::Values("en_US", "de_DE", "C"));
