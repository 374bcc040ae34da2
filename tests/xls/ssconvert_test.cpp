// SPDX-License-Identifier: GPL-3.0-or-later
// An independent spreadsheet program (gnumeric's ssconvert) reads our files,
// and our engine reads files that ssconvert writes.
#include "records/xls/biff_records.h"
#include "records/xls/compound_file.h"
#include "records/xls/workbook.h"
#include "tests/xls/xls_test_support.h"
#include "tools/xlstemplate/export_template.h"

#include <QFile>

#include <algorithm>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class Ssconvert : public ::testing::Test {
protected:
    void SetUp() override {
        if (xlstest::SsconvertPath().isEmpty())
            GTEST_SKIP() << "ssconvert (Debian package gnumeric, see scripts/deps) is not installed";
        ASSERT_TRUE(dir.isValid());
        templatePath = dir.filePath("Export.vornic");
        xlstemplate::WriteExportTemplate(templatePath);
    }

    // The cells ssconvert reads from the workbook's active sheet.
    xlstest::Table ConvertToCsv(const QString& xls) {
        QString csv = dir.filePath("out.csv");
        QString errors;
        // The input format is named: the template's own file name has no .xls ending.
        EXPECT_EQ(xlstest::RunSsconvert({"-I", "Gnumeric_Excel:excel", "-T", "Gnumeric_stf:stf_csv", xls, csv}, &errors), 0)
            << errors.toStdString();
        return xlstest::ParseCsv(xlstest::ReadUtf8(csv));
    }

    xlstest::Table Ours(const QString& xls, int columns) {
        xls::Workbook book = xls::Workbook::Open(xls);
        xls::Sheet sheet = book.ActiveSheet();
        xlstest::Table rows;
        for (int r = 1; r <= sheet.UsedRowCount(); ++r) {
            QStringList row;
            for (int k = 1; k <= columns; ++k) row << sheet.CellText(r, k);
            rows.push_back(row);
        }
        return rows;
    }

    // ssconvert leaves out trailing empty rows and cells; compare what both show.
    static void ExpectSameCells(xlstest::Table theirs, xlstest::Table ours) {
        auto trim = [](xlstest::Table& t) {
            for (QStringList& row : t)
                while (!row.isEmpty() && row.last().isEmpty()) row.removeLast();
            while (!t.empty() && t.back().isEmpty()) t.pop_back();
        };
        trim(theirs);
        trim(ours);
        ASSERT_EQ(theirs.size(), ours.size());
        for (std::size_t i = 0; i < ours.size(); ++i) ASSERT_EQ(theirs[i], ours[i]) << "row " << i + 1;
    }

    QTemporaryDir dir;
    QString templatePath;
};

TEST_F(Ssconvert, ReadsTheTemplateAndOurExports) {
    ExpectSameCells(ConvertToCsv(templatePath), Ours(templatePath, 5));

    xlstest::Table rows = xlstest::SampleRows(2500);  // the string table spans many CONTINUE records
    rows[7][4] = QStringLiteral("Gr\u00f6\u00dfe \u6771\u4eac");
    rows[8][1] = QString(9000, QChar(0x4E2D));
    QString target = dir.filePath("export.xls");
    xlstest::ExportRows(templatePath, target, rows);
    xlstest::Table theirs = ConvertToCsv(target);
    ExpectSameCells(theirs, Ours(target, 5));
    ASSERT_EQ(theirs.size(), 2504u);  // ssconvert leaves out the empty last row
    EXPECT_EQ(theirs[3], QStringList({"REC", "dB", "A/C", "Time", "Date"}));
    EXPECT_EQ(theirs[4 + 2499], rows[2499]);
}

TEST_F(Ssconvert, OurEngineReadsACsvConvertedToXls) {
    xlstest::WriteUtf8(dir.filePath("in.csv"),
                       "REC,dB,A/C,Time,Date\n"
                       "head,2,3,4,5\n,,,,\nx,,,,\n"
                       "1,\"52,3\",A,at 12:00:01,text\n"
                       "2,61.25,C,-7,1e20\n"
                       "3,\"say \"\"hi\"\"\",\u00fcber,\u6771\u4eac,0.1\n");
    QString xls = dir.filePath("in.xls");
    QString errors;
    ASSERT_EQ(xlstest::RunSsconvert({"-T", "Gnumeric_Excel:excel_biff8", dir.filePath("in.csv"), xls}, &errors), 0)
        << errors.toStdString();
    xlstest::Table rows = xlstest::ImportRows(xls);
    ASSERT_EQ(rows.size(), 2u);  // rows 5 and 6; row 7 is the last used row
    EXPECT_EQ(rows[0], QStringList({"1", "52,3", "A", "at 12:00:01", "text"}));
    EXPECT_EQ(rows[1], QStringList({"2", "61.25", "C", "-7", "1E+20"}));
    xls::Workbook book = xls::Workbook::Open(xls);
    EXPECT_EQ(book.ActiveSheet().CellText(7, 2), "say \"hi\"");
    EXPECT_EQ(book.ActiveSheet().CellText(7, 3), QStringLiteral("\u00fcber"));
    EXPECT_EQ(book.ActiveSheet().CellText(7, 4), QStringLiteral("\u6771\u4eac"));
    EXPECT_EQ(book.ActiveSheet().CellText(7, 5), "0.1");
}

TEST_F(Ssconvert, ActiveSheetFormulasBooleansAndLongTexts) {
    // A long text of 8-bit and 16-bit characters crosses record boundaries.
    QString longText;
    for (int i = 0; i < 3000; ++i) longText += (i % 7 == 0) ? QChar(0x4E2D) : QChar('a' + i % 26);
    QString latinLong(12000, QChar('q'));
    QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<gnm:Workbook xmlns:gnm=\"http://www.gnumeric.org/v10.dtd\">\n"
        "<gnm:SheetNameIndex><gnm:SheetName>First</gnm:SheetName><gnm:SheetName>Data</gnm:SheetName>"
        "<gnm:SheetName>Last</gnm:SheetName></gnm:SheetNameIndex>\n<gnm:Sheets>\n"
        "<gnm:Sheet><gnm:Name>First</gnm:Name><gnm:Cells>"
        "<gnm:Cell Row=\"0\" Col=\"0\" ValueType=\"60\">not me</gnm:Cell></gnm:Cells></gnm:Sheet>\n"
        "<gnm:Sheet><gnm:Name>Data</gnm:Name><gnm:Cells>"
        "<gnm:Cell Row=\"0\" Col=\"0\" ValueType=\"60\">active</gnm:Cell>"
        "<gnm:Cell Row=\"1\" Col=\"0\" ValueType=\"40\">52.3</gnm:Cell>"
        "<gnm:Cell Row=\"1\" Col=\"1\" ValueType=\"30\">7</gnm:Cell>"
        "<gnm:Cell Row=\"1\" Col=\"2\" ValueType=\"30\">-123456</gnm:Cell>"
        "<gnm:Cell Row=\"1\" Col=\"3\" ValueType=\"40\">0.001</gnm:Cell>"
        "<gnm:Cell Row=\"2\" Col=\"0\" ValueType=\"20\">TRUE</gnm:Cell>"
        "<gnm:Cell Row=\"2\" Col=\"1\" ValueType=\"20\">FALSE</gnm:Cell>"
        "<gnm:Cell Row=\"3\" Col=\"0\">=CONCATENATE(\"ab\",\"cd\")</gnm:Cell>"
        "<gnm:Cell Row=\"3\" Col=\"1\">=A2*2</gnm:Cell>"
        "<gnm:Cell Row=\"3\" Col=\"2\">=1/0</gnm:Cell>"
        "<gnm:Cell Row=\"3\" Col=\"3\">=A2&gt;1</gnm:Cell>"
        "<gnm:Cell Row=\"3\" Col=\"4\">=\"\"</gnm:Cell>"
        "<gnm:Cell Row=\"4\" Col=\"0\" ValueType=\"60\">%1</gnm:Cell>"
        "<gnm:Cell Row=\"5\" Col=\"0\" ValueType=\"60\">%2</gnm:Cell>"
        "<gnm:Cell Row=\"5\" Col=\"1\" ValueType=\"60\">%3</gnm:Cell>"
        "<gnm:Cell Row=\"70\" Col=\"4\" ValueType=\"60\">far</gnm:Cell>"
        "</gnm:Cells></gnm:Sheet>\n"
        "<gnm:Sheet><gnm:Name>Last</gnm:Name><gnm:Cells>"
        "<gnm:Cell Row=\"0\" Col=\"0\" ValueType=\"60\">nor me</gnm:Cell></gnm:Cells></gnm:Sheet>\n"
        "</gnm:Sheets>\n<gnm:UIData SelectedTab=\"1\"/>\n</gnm:Workbook>\n")
                      .arg(longText, latinLong, QStringLiteral("short after long"));
    xlstest::WriteUtf8(dir.filePath("multi.gnumeric"), xml);
    QString xls = dir.filePath("multi.xls");
    QString errors;
    ASSERT_EQ(xlstest::RunSsconvert({"--recalc", "-T", "Gnumeric_Excel:excel_biff8", dir.filePath("multi.gnumeric"), xls},
                                    &errors),
              0)
        << errors.toStdString();

    xls::Workbook book = xls::Workbook::Open(xls);
    xls::Sheet sheet = book.ActiveSheet();
    EXPECT_EQ(sheet.Name(), "Data");
    struct Case { int row, column; QString text; };
    const Case cases[] = {
        {1, 1, "active"}, {2, 1, "52.3"}, {2, 2, "7"}, {2, 3, "-123456"}, {2, 4, "0.001"},
        {3, 1, "TRUE"}, {3, 2, "FALSE"},
        {4, 1, "abcd"}, {4, 2, "104.6"}, {4, 3, "#DIV/0!"}, {4, 4, "TRUE"}, {4, 5, ""},
        {5, 1, longText}, {6, 1, latinLong}, {6, 2, "short after long"}, {71, 5, "far"}, {70, 5, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(sheet.CellText(c.row, c.column), c.text) << c.row << "," << c.column;
    EXPECT_EQ(sheet.UsedRowCount(), 71);

    // Writing into the active sheet keeps the other sheets whole for ssconvert.
    sheet.ClearRow(71);
    sheet.SetCellText(8, 1, "added");
    book.Save();
    book.Close();
    // Every sheet's INDEX, moved or rebuilt, points at its DBCELL records.
    {
        using namespace xls::detail;
        CompoundFile file = ReadCompoundFile(QFile::encodeName(xls).toStdString());
        ASSERT_NE(file.FindStream("Workbook"), nullptr);
        const Bytes& stream = file.FindStream("Workbook")->data;
        std::vector<RecordRef> refs = IndexRecords(stream);
        auto typeAt = [&](std::uint32_t offset) {
            auto at = std::lower_bound(refs.begin(), refs.end(), offset,
                                       [](const RecordRef& r, std::uint32_t o) { return r.offset < o; });
            return at != refs.end() && at->offset == offset ? at->type : 0;
        };
        int indexes = 0;
        for (const RecordRef& r : refs) {
            if (r.type != rt::Index) continue;
            ++indexes;
            Bytes data(r.Data(stream), r.Data(stream) + r.size);
            if (GetU32(data, 12) != 0) {
                EXPECT_EQ(typeAt(GetU32(data, 12)), rt::DefColWidth);
            }
            for (std::size_t at = 16; at < data.size(); at += 4) EXPECT_EQ(typeAt(GetU32(data, at)), rt::DbCell);
        }
        EXPECT_EQ(indexes, 3);
    }
    QString csv = dir.filePath("sheets.csv");
    ASSERT_EQ(xlstest::RunSsconvert({"-S", "-T", "Gnumeric_stf:stf_csv", xls, csv + ".%n"}, &errors), 0) << errors.toStdString();
    EXPECT_EQ(xlstest::ParseCsv(xlstest::ReadUtf8(csv + ".0")).at(0).at(0), "not me");
    EXPECT_EQ(xlstest::ParseCsv(xlstest::ReadUtf8(csv + ".2")).at(0).at(0), "nor me");
    xlstest::Table data = xlstest::ParseCsv(xlstest::ReadUtf8(csv + ".1"));
    ASSERT_EQ(data.size(), 8u);
    EXPECT_EQ(data[7].at(0), "added");
    EXPECT_EQ(data[3].at(0), "abcd");
    EXPECT_EQ(data[4].at(0), longText);
}

}  // namespace
