// SPDX-License-Identifier: GPL-3.0-or-later
// Spreadsheets as another program writes and reads them: workbooks made by
// gnumeric's ssconvert (dates, times and date-times in several formats, a
// last row without an empty row after it) load as the table shows dates and
// times, and ssconvert reads our .xls and .xlsx exports' numbers as numbers
// and dates as dates.
#include "reading/reading_table.h"
#include "reading/reading_word.h"
#include "records/sheet_rows.h"
#include "records/xls/workbook.h"
#include "records/xlsx/workbook_reader.h"
#include "records/xlsx_export.h"
#include "tests/xls/xls_test_support.h"
#include "tools/xlstemplate/export_template.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace records;

namespace {

class SsconvertSheets : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (xlstest::SsconvertPath().isEmpty())
            GTEST_SKIP() << "ssconvert (Debian package gnumeric, see scripts/deps) is not installed";
        ASSERT_TRUE(dir.isValid());
        templatePath = dir.filePath("Export.vornic");
        xlstemplate::WriteExportTemplate(templatePath);
    }
    bool Xlsx() const { return QString::fromLatin1(GetParam()) == QLatin1String("xlsx"); }

    // A workbook of the given form that ssconvert makes from CSV lines.
    QString Convert(const QString& csv) {
        const QString in = dir.filePath("in.csv");
        xlstest::WriteUtf8(in, csv);
        const QString out = dir.filePath(QStringLiteral("made.") + QString::fromLatin1(GetParam()));
        QFile::remove(out);
        QString errors;
        EXPECT_EQ(xlstest::RunSsconvert({in, out}, &errors), 0) << errors.toStdString();
        return out;
    }

    ImportedRows Import(const QString& path) {
        if (Xlsx()) {
            const xlsx::Sheet sheet = xlsx::Sheet::Open(path);
            return ReadImportRows(sheet, ImportRowCount(sheet), 0, 0);
        }
        xls::Workbook book = xls::Workbook::Open(path);
        const xls::Sheet sheet = book.ActiveSheet();
        return ReadImportRows(sheet, ImportRowCount(sheet), 0, 0);
    }

    QTemporaryDir dir;
    QString templatePath;
};

const QString kHead = QStringLiteral("Title\n\n\nREC,dB,A/C,Time,Date\n");

}  // namespace

TEST_P(SsconvertSheets, DatesAndTimesLoadAsTheTableShowsThemAndTheLastRowIsKept) {
    const QString made = Convert(kHead + QStringLiteral("1,65.4,A,12:00:01,2024-05-01\n"
                                                        "2,70,C,1:02:03 PM,5/2/2024\n"
                                                        "3,55.5,A,23:59:59,2024-05-03 12:00:01\n"));
    const ImportedRows back = Import(made);
    EXPECT_FALSE(back.Failed());
    ASSERT_EQ(back.readingCount, 3);  // no empty row after the last one
    using reading::FormatLongTime;
    using reading::FormatShortDate;
    const std::vector<RowCells> expected = {
        {"1", "65,4", "A", FormatLongTime(QTime(12, 0, 1)), FormatShortDate(QDate(2024, 5, 1))},
        {"2", "70", "C", FormatLongTime(QTime(13, 2, 3)), FormatShortDate(QDate(2024, 5, 2))},
        {"3", "55,5", "A", FormatLongTime(QTime(23, 59, 59)),
         FormatShortDate(QDate(2024, 5, 3)) + " " + FormatLongTime(QTime(12, 0, 1))},
    };
    EXPECT_EQ(back.rows, expected);
    EXPECT_EQ(back.levels.Levels(), (std::vector<double>{65.4f, 70.0f, 55.5f}));
}

TEST_P(SsconvertSheets, ADateInTheLevelColumnStopsTheLoadAtItsRow) {
    const ImportedRows back = Import(Convert(kHead + QStringLiteral("1,65.4,A,12:00:01,2024-05-01\n"
                                                                    "2,2024-05-02,C,12:00:02,2024-05-01\n"
                                                                    "3,55.5,A,12:00:03,2024-05-01\n")));
    EXPECT_TRUE(back.Failed());
    EXPECT_EQ(back.badLevelRow, 2);
    EXPECT_EQ(back.badLevel, reading::FormatShortDate(QDate(2024, 5, 2)));
    EXPECT_EQ(back.readingCount, 1);
}

TEST_P(SsconvertSheets, OurExportsNumbersAreNumbersAndDatesAreDatesToIt) {
    ReadingTable table;
    table.SetRowCount(4);
    const QString rows[3][5] = {
        {"1", "65,4", "A", reading::FormatLongTime(QTime(23, 59, 58)), reading::FormatShortDate(QDate(2026, 12, 9))},
        {"2", "100,0", "C", reading::FormatLongTime(QTime(23, 59, 59)), reading::FormatShortDate(QDate(2026, 12, 9))},
        {"3", "7,5", "A", reading::FormatLongTime(QTime(0, 0, 0)), reading::FormatShortDate(QDate(2026, 12, 10))},
    };
    for (int r = 1; r <= 3; ++r)
        for (int k = 0; k < 5; ++k) table.SetCell(k, r, rows[r - 1][k]);
    const QString target = dir.filePath(QStringLiteral("ours.") + QString::fromLatin1(GetParam()));
    if (Xlsx()) {
        WriteWorkbookExport(target, ReadTemplateHead(templatePath), table, 4);
    } else {
        ASSERT_TRUE(QFile::copy(templatePath, target));
        xls::Workbook book = xls::Workbook::Open(target);
        xls::Sheet sheet = book.ActiveSheet();
        ClearExportRows(sheet);
        WriteExportRows(sheet, table, 4);
        book.Save();
    }
    // Written in ISO form, the CSV shows what ssconvert made of each cell.
    const QString csv = dir.filePath("ours.csv");
    QString errors;
    ASSERT_EQ(xlstest::RunSsconvert({"-T", "Gnumeric_stf:stf_assistant", "-O", "format=raw", target, csv}, &errors), 0)
        << errors.toStdString();
    const xlstest::Table theirs = xlstest::ParseCsv(xlstest::ReadUtf8(csv));
    ASSERT_GE(theirs.size(), 7u);
    const char* numbers[3][2] = {{"1", "65.4"}, {"2", "100"}, {"3", "7.5"}};
    const double serials[3][2] = {{46365, 86398 / 86400.0}, {46365, 86399 / 86400.0}, {46366, 0}};
    for (int r = 0; r < 3; ++r) {
        SCOPED_TRACE(r + 1);
        const QStringList& row = theirs[std::size_t(r + 4)];
        ASSERT_GE(row.size(), 5);
        // Raw values: numbers as numbers (a text would keep its comma), the
        // time and the date as the serials a date cell holds.
        EXPECT_EQ(row[0], QString::fromLatin1(numbers[r][0]));
        EXPECT_EQ(row[1].toDouble(), QString::fromLatin1(numbers[r][1]).toDouble());
        EXPECT_EQ(row[2], rows[r][2]);
        EXPECT_NEAR(row[3].toDouble(), serials[r][1], 1e-9);
        EXPECT_EQ(row[4].toDouble(), serials[r][0]);
    }
    // Its own CSV shows the date column as dates, not serials, and the time as a time.
    ASSERT_EQ(xlstest::RunSsconvert({"-T", "Gnumeric_stf:stf_csv", target, csv}, &errors), 0) << errors.toStdString();
    const xlstest::Table dates = xlstest::ParseCsv(xlstest::ReadUtf8(csv));
    ASSERT_GE(dates.size(), 7u);
    EXPECT_EQ(dates[4][4], QStringLiteral("2026/12/09"));
    EXPECT_EQ(dates[6][4], QStringLiteral("2026/12/10"));
    EXPECT_EQ(dates[4][3], QStringLiteral("23:59:58"));
    // Shown in the sheet's formats, the level has its one decimal.
    ASSERT_EQ(xlstest::RunSsconvert({"-T", "Gnumeric_stf:stf_assistant", "-O", "format=preserve", target, csv}, &errors), 0)
        << errors.toStdString();
    const xlstest::Table shown = xlstest::ParseCsv(xlstest::ReadUtf8(csv));
    ASSERT_GE(shown.size(), 7u);
    EXPECT_EQ(shown[4][1], QStringLiteral("65.4"));
    EXPECT_EQ(shown[5][1], QStringLiteral("100.0"));
}

INSTANTIATE_TEST_SUITE_P(Forms, SsconvertSheets, ::testing::Values("xls", "xlsx"));
