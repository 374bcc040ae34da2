// SPDX-License-Identifier: GPL-3.0-or-later
// Export into a copy of the template and read back, as the save and open
// commands do with our engine.
#include "records/xls/workbook.h"
#include "tests/xls/xls_test_support.h"
#include "tools/xlstemplate/export_template.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class RoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        templatePath = dir.filePath("Export.vornic");
        xlstemplate::WriteExportTemplate(templatePath);
        target = dir.filePath("out.xls");
    }
    QTemporaryDir dir;
    QString templatePath, target;
};

void ExpectTemplateHead(xls::Sheet sheet) {
    EXPECT_EQ(sheet.CellText(1, 1), QStringLiteral("Quorvane \u2014 sound level recording"));
    EXPECT_FALSE(sheet.CellText(2, 1).isEmpty());
    const char* header[] = {"REC", "dB", "A/C", "Time", "Date"};
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(sheet.CellText(4, k), QString::fromLatin1(header[k - 1])) << k;
}

TEST_F(RoundTrip, TemplateHasHeadAndNoData) {
    xls::Workbook book = xls::Workbook::Open(templatePath);
    ExpectTemplateHead(book.ActiveSheet());
    EXPECT_EQ(book.ActiveSheet().UsedRowCount(), 4);
    EXPECT_TRUE(xlstest::ImportRows(templatePath).empty());
}

class RoundTripRows : public RoundTrip, public ::testing::WithParamInterface<int> {};

TEST_P(RoundTripRows, ExportedRowsComeBackWithTheHead) {
    const int n = GetParam();
    xlstest::Table rows = xlstest::SampleRows(n);
    xlstest::ExportRows(templatePath, target, rows);

    xls::Workbook book = xls::Workbook::Open(target);
    xls::Sheet sheet = book.ActiveSheet();
    ExpectTemplateHead(sheet);
    // The empty row written after the data counts as used.
    EXPECT_EQ(sheet.UsedRowCount(), n + 5);
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(sheet.CellText(n + 5, k), QString());
    book.Close();

    xlstest::Table back = xlstest::ImportRows(target);
    ASSERT_EQ(back.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) ASSERT_EQ(back[i], rows[i]) << "row " << i + 1;
}

INSTANTIATE_TEST_SUITE_P(Sizes, RoundTripRows, ::testing::Values(0, 1, 3, 1000, xls::MaxDataRows));

TEST_F(RoundTrip, TooManyRowsAreRefusedBeforeAnythingIsWritten) {
    EXPECT_NO_THROW(xls::CheckExportRowCount(xls::MaxDataRows));
    try {
        xls::CheckExportRowCount(xls::MaxDataRows + 1);
        FAIL() << "no error for " << xls::MaxDataRows + 1 << " rows";
    } catch (const xls::Error& e) {
        EXPECT_STREQ(e.what(), xls::TooManyRowsText);
        EXPECT_NE(std::string(e.what()).find(std::to_string(xls::MaxDataRows)), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("text file"), std::string::npos);
    }
    EXPECT_THROW(xlstest::ExportRows(templatePath, target, xlstest::SampleRows(xls::MaxDataRows + 1)), xls::Error);
    EXPECT_FALSE(QFile::exists(target));
    // The last sheet row is the limit of the format itself.
    xls::Workbook book = xls::Workbook::Open(templatePath);
    EXPECT_NO_THROW(book.ActiveSheet().SetCellText(xls::MaxSheetRows, 256, "x"));
    EXPECT_THROW(book.ActiveSheet().SetCellText(xls::MaxSheetRows + 1, 1, "x"), xls::Error);
    EXPECT_THROW(book.ActiveSheet().SetCellText(1, 257, "x"), xls::Error);
    EXPECT_THROW(book.ActiveSheet().SetCellText(0, 1, "x"), xls::Error);
}

TEST_F(RoundTrip, ExportOverALongerOlderExportLeavesNoOldRows) {
    xlstest::ExportRows(templatePath, target, xlstest::SampleRows(50));
    // The template is gone; the save command then reuses the older file of the target's name.
    xlstest::ExportRows(target, dir.filePath("again.xls"), xlstest::SampleRows(3));
    xlstest::Table back = xlstest::ImportRows(dir.filePath("again.xls"));
    EXPECT_EQ(back, xlstest::SampleRows(3));
    xls::Workbook book = xls::Workbook::Open(dir.filePath("again.xls"));
    EXPECT_EQ(book.ActiveSheet().CellText(10, 1), QString());
    ExpectTemplateHead(book.ActiveSheet());
}

TEST_F(RoundTrip, TextsOutsideLatin1AndLongTextsSurvive) {
    xlstest::Table rows = {
        {"1", "52,3", "A", "12:00:00", QStringLiteral("Gr\u00f6\u00dfe \u6771\u4eac \u20ac")},
        {"2", QString(9000, QChar('x')), "C", QString(5000, QChar(0x4E2D)), "d\u00e9j\u00e0"},
        {"3", "", "", "", ""},
    };
    xlstest::ExportRows(templatePath, target, rows);
    EXPECT_EQ(xlstest::ImportRows(target), rows);
}

TEST_F(RoundTrip, SavingTwiceKeepsTheWorkbookReadable) {
    xls::Workbook book = xls::Workbook::Open(templatePath);
    book.ActiveSheet().SetCellText(5, 1, "first");
    book.Save();
    book.ActiveSheet().SetCellText(6, 1, "second");
    book.ActiveSheet().SetCellText(5, 2, "first");  // the same text twice shares one string
    book.Save();
    book.Close();
    EXPECT_THROW(book.ActiveSheet(), xls::Error);
    xls::Workbook again = xls::Workbook::Open(templatePath);
    EXPECT_EQ(again.ActiveSheet().CellText(5, 1), "first");
    EXPECT_EQ(again.ActiveSheet().CellText(5, 2), "first");
    EXPECT_EQ(again.ActiveSheet().CellText(6, 1), "second");
    EXPECT_EQ(again.ActiveSheet().UsedRowCount(), 6);
}

TEST_F(RoundTrip, ASaveThatCannotWriteReportsAnError) {
    QTemporaryDir gone;
    QString path = gone.filePath("book.xls");
    ASSERT_TRUE(QFile::copy(templatePath, path));
    xls::Workbook book = xls::Workbook::Open(path);
    book.ActiveSheet().SetCellText(5, 1, "new");
    ASSERT_TRUE(gone.remove());
    EXPECT_THROW(book.Save(), xls::Error);
}

TEST(Workbook, MissingOrForeignFilesGiveClearErrors) {
    QTemporaryDir dir;
    EXPECT_THROW(xls::Workbook::Open(dir.filePath("none.xls")), xls::Error);
    QString text = dir.filePath("text.xls");
    xlstest::WriteUtf8(text, "REC\tdB\n1\t52,3\n");
    try {
        xls::Workbook::Open(text);
        FAIL();
    } catch (const xls::Error& e) {
        EXPECT_NE(std::string(e.what()).find("not a spreadsheet workbook"), std::string::npos) << e.what();
    }
}

}  // namespace
