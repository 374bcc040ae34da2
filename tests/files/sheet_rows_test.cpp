// SPDX-License-Identifier: GPL-3.0-or-later
// The spreadsheet rows of the export and the import, on the generated
// export template: what is written from sheet row 5 on comes back row for
// row, and only the rows exported.
#include "reading/reading_table.h"
#include "reading/reading_word.h"
#include "records/sheet_rows.h"
#include "records/xls/workbook.h"
#include "tools/xlstemplate/export_template.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace records;

namespace {

class SheetRows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        templatePath = dir.filePath("Export.vornic");
        xlstemplate::WriteExportTemplate(templatePath);
    }

    static std::vector<RowCells> SampleRows(int n) {
        std::vector<RowCells> rows;
        for (int i = 1; i <= n; ++i)
            rows.push_back({QString::number(i), QStringLiteral("%1,%2").arg(50 + i % 40).arg(i % 10),
                            i % 3 ? "A" : "C", QStringLiteral("14:%1:09").arg(i % 60, 2, 10, QChar('0')),
                            "05.03.2024"});
        return rows;
    }

    // Exports the rows as the save command does: the template copied, the
    // old data rows emptied, table rows 1 to n + 1 written, saved.
    void Export(const QString& target, const std::vector<RowCells>& rows, bool fromTemplate = true) {
        ReadingTable table;
        table.SetRowCount(int(rows.size()) + 1);
        for (int r = 1; r <= int(rows.size()); ++r)
            for (int k = 0; k < 5; ++k) table.SetCell(k, r, rows[std::size_t(r - 1)][std::size_t(k)]);
        if (fromTemplate) {
            QFile::remove(target);
            ASSERT_TRUE(QFile::copy(templatePath, target));
        }
        xls::Workbook book = xls::Workbook::Open(target);
        xls::Sheet sheet = book.ActiveSheet();
        ClearExportRows(sheet);
        WriteExportRows(sheet, table, int(rows.size()) + 1);
        book.Save();
    }

    ImportedRows Import(const QString& path) {
        xls::Workbook book = xls::Workbook::Open(path);
        const xls::Sheet sheet = book.ActiveSheet();
        return ReadImportRows(sheet, ImportRowCount(sheet), 0, 0);
    }

    QTemporaryDir dir;
    QString templatePath;
};

}  // namespace

TEST_F(SheetRows, AnExportReadsBackAsExactlyItsRows) {
    for (int n : {1, 3, 250}) {
        SCOPED_TRACE(n);
        const auto rows = SampleRows(n);
        Export(dir.filePath("out.xls"), rows);
        const ImportedRows back = Import(dir.filePath("out.xls"));
        EXPECT_FALSE(back.Failed());
        EXPECT_EQ(back.rows, rows);
        EXPECT_EQ(back.readingCount, n);
        EXPECT_EQ(back.levels.Count(), std::size_t(n));
    }
}

TEST_F(SheetRows, AnExportOverAnOlderLongerOneLeavesNoneOfItsRows) {
    const QString target = dir.filePath("out.xls");
    Export(target, SampleRows(40));
    const auto rows = SampleRows(3);
    Export(target, rows, /*fromTemplate=*/false);
    EXPECT_EQ(Import(target).rows, rows);
}

TEST_F(SheetRows, TheTemplateAloneHoldsNoRows) {
    xls::Workbook book = xls::Workbook::Open(templatePath);
    const xls::Sheet sheet = book.ActiveSheet();
    EXPECT_LE(sheet.UsedRowCount(), 5);
    EXPECT_EQ(ImportRowCount(sheet), 0);
    EXPECT_TRUE(ReadImportRows(sheet, ImportRowCount(sheet), 0, 0).rows.empty());
}

TEST_F(SheetRows, ALevelThatIsNoNumberStopsTheImportAtItsRow) {
    auto rows = SampleRows(5);
    rows[3][1] = QStringLiteral("n/a");
    rows[1][1] = QString();  // a row without a level is read and adds no point
    Export(dir.filePath("out.xls"), rows);
    const ImportedRows back = Import(dir.filePath("out.xls"));
    EXPECT_TRUE(back.Failed());
    EXPECT_EQ(back.badLevelRow, 4);
    EXPECT_EQ(back.badLevel, QStringLiteral("n/a"));
    EXPECT_EQ(back.rows, std::vector<RowCells>(rows.begin(), rows.begin() + 3));
    EXPECT_EQ(back.readingCount, 3);
    EXPECT_EQ(back.levels.Count(), 2u);
}

TEST_F(SheetRows, AnExportStoresNumbersDatesAndTimesThatReadBackAsTheTableShowsThem) {
    std::vector<RowCells> rows;
    for (int i = 1; i <= 40; ++i)
        rows.push_back({QString::number(i), reading::FormatLevel(500 + i * 7), i % 2 ? "A" : "C",
                        reading::FormatLongTime(QTime(23, 59, 50).addSecs(i)),
                        reading::FormatShortDate(QDate(2026, 12, 9))});
    const QString target = dir.filePath("out.xls");
    Export(target, rows);
    {
        xls::Workbook book = xls::Workbook::Open(target);
        const xls::Sheet sheet = book.ActiveSheet();
        const xls::CellKind kinds[] = {xls::CellKind::Number, xls::CellKind::Number, xls::CellKind::Text,
                                       xls::CellKind::Time, xls::CellKind::Date};
        for (int k = 1; k <= 5; ++k) EXPECT_EQ(int(sheet.Value(5, k).kind), int(kinds[k - 1])) << k;
        EXPECT_DOUBLE_EQ(sheet.Value(5, 2).number, 50.7);
        EXPECT_EQ(sheet.Value(5, 2).format, QStringLiteral("0.0"));
        EXPECT_DOUBLE_EQ(sheet.Value(5, 5).number, 46365);  // 2026-12-09
    }
    EXPECT_EQ(Import(target).rows, rows);
    // Saved again over itself, the formats are found, not added twice.
    const qint64 size = QFileInfo(target).size();
    Export(target, rows, /*fromTemplate=*/false);
    EXPECT_EQ(QFileInfo(target).size(), size);
    EXPECT_EQ(Import(target).rows, rows);
}

TEST_F(SheetRows, AWorkbookWithoutAnEmptyRowAfterItsDataKeepsItsLastRow) {
    const QString target = dir.filePath("foreign.xls");
    ASSERT_TRUE(QFile::copy(templatePath, target));
    {
        xls::Workbook book = xls::Workbook::Open(target);
        xls::Sheet sheet = book.ActiveSheet();
        for (int r = 5; r <= 7; ++r) {
            sheet.SetCellNumber(r, 1, r - 4, "General");
            sheet.SetCellNumber(r, 2, 60 + r, "0.0");
        }
        sheet.SetCellText(8, 3, QStringLiteral("A"));  // a last row with one cell filled
        sheet.SetCellText(10, 1, QString());           // empty rows after it end the data
        book.Save();
    }
    ImportedRows back = Import(target);
    ASSERT_EQ(back.readingCount, 4);
    EXPECT_EQ(back.rows[2][1], QStringLiteral("67,0"));
    EXPECT_EQ(back.rows[3][2], QStringLiteral("A"));
    EXPECT_EQ(back.levels.Count(), 3u);

    // A date in the level column is no level: the reading stops at its row.
    {
        xls::Workbook book = xls::Workbook::Open(target);
        book.ActiveSheet().SetCellNumber(6, 2, 45413, QStringLiteral("yyyy-mm-dd"));
        book.Save();
    }
    back = Import(target);
    EXPECT_TRUE(back.Failed());
    EXPECT_EQ(back.badLevelRow, 2);
    EXPECT_EQ(back.badLevel, reading::FormatShortDate(QDate(2024, 5, 1)));
    EXPECT_EQ(back.readingCount, 1);
}

class SheetRowsSizes : public SheetRows, public ::testing::WithParamInterface<int> {};

TEST_P(SheetRowsSizes, ARecordingsRowsComeBackUnchangedWithRealNumbersDatesAndTimes) {
    const int n = GetParam();
    std::vector<RowCells> rows;
    rows.reserve(std::size_t(n));
    const QString date = reading::FormatShortDate(QDate(2026, 12, 9));
    for (int i = 1; i <= n; ++i)
        rows.push_back({QString::number(i), reading::FormatLevel(300 + (i * 37) % 900), i % 3 ? "A" : "C",
                        reading::FormatLongTime(QTime(0, 0).addSecs(i % 86400)), date});
    const QString target = dir.filePath("out.xls");
    Export(target, rows);
    const ImportedRows back = Import(target);
    EXPECT_FALSE(back.Failed());
    ASSERT_EQ(back.readingCount, n);
    EXPECT_TRUE(back.rows == rows);
    if (n > 0) {
        xls::Workbook book = xls::Workbook::Open(target);
        EXPECT_EQ(book.ActiveSheet().Value(4 + n, 5).kind, xls::CellKind::Date);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, SheetRowsSizes, ::testing::Values(0, 1, 3, xls::MaxDataRows));
