// SPDX-License-Identifier: GPL-3.0-or-later
// The workbook reader's quick cell scanner against its XML reader: over a
// table of worksheets (plain ones it must read itself, unusual or damaged
// ones it must hand to the XML reader) and over our own exports and
// workbooks ssconvert makes, both give the same cells, or the same error.
#include "reading/reading_table.h"
#include "reading/reading_word.h"
#include "records/sheet_rows.h"
#include "records/xlsx/workbook_reader.h"
#include "records/xlsx_export.h"
#include "tests/xls/xls_test_support.h"
#include "tools/xlstemplate/export_template.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <zip.h>

#include <optional>

namespace {

// A workbook of one sheet with the given worksheet part, three shared
// texts and a date style (style 1).
void WriteWorkbook(const QString& path, const QByteArray& worksheet) {
    int error = 0;
    zip_t* z = zip_open(path.toLocal8Bit().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    const std::pair<const char*, QByteArray> parts[] = {
        {"xl/workbook.xml",
         "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
         "<sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
         "<Relationship Id=\"rId2\" Target=\"sharedStrings.xml\"/><Relationship Id=\"rId3\" Target=\"styles.xml\"/>"
         "</Relationships>"},
        {"xl/sharedStrings.xml",
         "<?xml version=\"1.0\"?><sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
         "<si><t>A</t></si><si><t>C</t></si><si><t>\xc3\x9c ber</t></si></sst>"},
        {"xl/styles.xml",
         "<?xml version=\"1.0\"?><styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
         "<numFmts><numFmt numFmtId=\"164\" formatCode=\"dd.mm.yyyy\"/></numFmts>"
         "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/></cellXfs></styleSheet>"},
        {"xl/worksheets/sheet1.xml", worksheet},
    };
    for (const auto& [name, bytes] : parts) {
        // The source copies nothing: `parts` lives until zip_close.
        zip_source_t* source = zip_source_buffer(z, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        ASSERT_NE(source, nullptr);
        ASSERT_GE(zip_file_add(z, name, source, ZIP_FL_OVERWRITE), 0);
    }
    ASSERT_EQ(zip_close(z), 0) << zip_strerror(z);
}

QByteArray InSheet(const QByteArray& cells) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><dimension ref=\"A1\"/>"
           "<sheetData>" +
           cells + "</sheetData><pageMargins left=\"0.7\"/></worksheet>";
}

// The sheet read one way, or its error.
struct Reading {
    std::optional<xlsx::Sheet> sheet;
    std::string error;
};
Reading Read(const QString& path, xlsx::CellReading how) {
    Reading r;
    try {
        r.sheet = xlsx::Sheet::Open(path, how);
    } catch (const xls::Error& e) {
        r.error = e.what();
    }
    return r;
}

// Both readings agree on every cell of the sheet (and one column past
// those kept, one row past the last); returns whether the scanner read it.
bool ExpectSameCells(const QString& path, const std::string& label) {
    const Reading quick = Read(path, xlsx::CellReading::Quick);
    const Reading xml = Read(path, xlsx::CellReading::XmlReaderOnly);
    EXPECT_EQ(quick.error, xml.error) << label;
    if (!quick.sheet || !xml.sheet) return false;
    EXPECT_FALSE(xml.sheet->ReadQuickly()) << label;
    EXPECT_EQ(quick.sheet->UsedRowCount(), xml.sheet->UsedRowCount()) << label;
    for (int row = 1; row <= xml.sheet->UsedRowCount() + 1; ++row)
        for (int column = 1; column <= xlsx::KeptColumns + 1; ++column) {
            const xls::CellValue a = quick.sheet->Value(row, column);
            const xls::CellValue b = xml.sheet->Value(row, column);
            EXPECT_EQ(a.kind, b.kind) << label << " at " << row << "," << column;
            EXPECT_EQ(a.text, b.text) << label << " at " << row << "," << column;
            EXPECT_EQ(a.format, b.format) << label << " at " << row << "," << column;
            if (a.kind != xls::CellKind::Text && a.kind != xls::CellKind::Empty) {
                EXPECT_EQ(a.number, b.number) << label << " at " << row << "," << column;
            }
        }
    return quick.sheet->ReadQuickly();
}

enum class Expect { Quick, XmlReader, Error };

struct Case {
    const char* name;
    QByteArray worksheet;
    Expect expect;
};

}  // namespace

TEST(SheetScan, ReadsPlainSheetsItselfAndHandsEverythingElseToTheXmlReader) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Case cases[] = {
        {"numbers, shared and inline texts, a date style",
         InSheet("<row r=\"1\" spans=\"1:5\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" s=\"1\"><v>45413.25</v></c>"
                 "<c r=\"C1\" t=\"inlineStr\"><is><t>x y</t></is></c><c r=\"D1\" t=\"s\"><v>2</v></c></row>"),
         Expect::Quick},
        {"rows and cells without references, self-closing tags, single quotes, whitespace",
         InSheet("\n <row><c><v>1</v></c><c/><c t='b' ><v> 1 </v></c><c t=\"b\"><v>0</v></c></row>\n"
                 "<row r='3' ht=\"20\" customHeight=\"1\"/>\r\n<row>\t<c r=\"E4\" t=\"e\"><v>#N/A</v></c>"
                 "<c r=\"F4\"><v>9</v></c><c><v>7</v></c></row >"),
         Expect::Quick},
        {"empty values, Unicode texts, styles out of range, signs and exponents",
         InSheet("<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t xml:space=\"preserve\">  M\xc3\xa4rz \xe2\x80\x94 \xf0\x9f\x94\x8a </t></is></c>"
                 "<c r=\"B2\" t=\"e\"><v/></c><c r=\"C2\" t=\"str\"><v></v></c><c r=\"D2\" s=\"70000\"><v>+5</v></c>"
                 "<c r=\"E2\" s=\"007\"><v>\n1E-3\t</v></c></row><row r=\"7\"><c r=\"A7\" t=\"inlineStr\"><is/></c>"
                 "<c r=\"B7\" t=\"inlineStr\"><is><t/></is></c><c r=\"C7\" t=\"n\"><v>-0.5</v></c><c r=\"AB7\"><v>3</v></c></row>"),
         Expect::Quick},
        {"a control character of Latin-1 in a text",
         InSheet("<row r=\"1\"><c r=\"A1\" t=\"str\"><v>a\xc2\x85" "b</v></c></row>"), Expect::Quick},
        {"the last of two values", InSheet("<row r=\"1\"><c r=\"A1\"><v>1</v><v>2</v></c></row>"), Expect::Quick},
        {"an entity", InSheet("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>a &amp; b</t></is></c></row>"), Expect::XmlReader},
        {"CDATA", InSheet("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t><![CDATA[<x>]]></t></is></c></row>"), Expect::XmlReader},
        {"a comment among rows", InSheet("<!-- r --><row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"), Expect::XmlReader},
        {"a formula", InSheet("<row r=\"1\"><c r=\"A1\"><f>1+1</f><v>2</v></c></row>"), Expect::XmlReader},
        {"rich text", InSheet("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><r><t>a</t></r><r><t>b</t></r></is></c></row>"),
         Expect::XmlReader},
        {"a row number with a leading zero", InSheet("<row r=\"01\"><c r=\"A1\"><v>1</v></c></row>"), Expect::XmlReader},
        {"a reference in small letters", InSheet("<row r=\"1\"><c r=\"b1\"><v>1</v></c></row>"), Expect::XmlReader},
        {"a carriage return in a text",
         InSheet("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>a\r\nb</t></is></c></row>"), Expect::XmlReader},
        {"an unknown cell type", InSheet("<row r=\"1\"><c r=\"A1\" t=\"x\"><v>4</v></c></row>"), Expect::XmlReader},
        {"a no-break space around a truth value",
         InSheet("<row r=\"1\"><c r=\"A1\" t=\"b\"><v>1\xc2\xa0</v></c></row>"), Expect::XmlReader},
        {"a prefixed attribute", InSheet("<row r=\"1\" x:r=\"2\"><c r=\"A1\"><v>1</v></c></row>"), Expect::XmlReader},
        {"namespace prefixes",
         "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><x:sheetData>"
         "<x:row r=\"1\"><x:c r=\"A1\"><x:v>1</x:v></x:c></x:row></x:sheetData></x:worksheet>",
         Expect::XmlReader},
        {"cells hidden in a comment before the sheet's",
         "<worksheet><!-- <sheetData><row r=\"1\"><c r=\"A1\"><v>5</v></c></row></sheetData> -->"
         "<sheetData><row r=\"2\"><c r=\"A2\"><v>6</v></c></row></sheetData></worksheet>",
         Expect::XmlReader},
        {"cells only in a comment before an empty sheet data",
         "<worksheet><!-- <sheetData><row r=\"1\"><c r=\"A1\"><v>5</v></c></row></sheetData> --><sheetData/></worksheet>",
         Expect::XmlReader},
        {"cells only in an instruction before an empty sheet data",
         "<worksheet><?pi <sheetData><row r=\"1\"><c r=\"A1\"><v>5</v></c></row></sheetData> ?><sheetData></sheetData>"
         "</worksheet>",
         Expect::XmlReader},
        {"cells after the sheet data",
         InSheet("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData><sheetData><row r=\"3\"><c r=\"A3\"><v>3</v></c></row>"),
         Expect::XmlReader},
        {"another encoding declared",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><worksheet><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
         "</sheetData></worksheet>",
         Expect::XmlReader},
        {"row 0", InSheet("<row r=\"0\"><c r=\"A1\"><v>1</v></c></row>"), Expect::Error},
        {"a row beyond the sheet", InSheet("<row r=\"1048577\"/>"), Expect::Error},
        {"a cell in another row", InSheet("<row r=\"2\"><c r=\"A1\"><v>1</v></c></row>"), Expect::Error},
        {"a missing shared text", InSheet("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>3</v></c></row>"), Expect::Error},
        {"a number that is none", InSheet("<row r=\"1\"><c r=\"A1\"><v>1.5x</v></c></row>"), Expect::Error},
        {"markup in a value", InSheet("<row r=\"1\"><c r=\"A1\"><v>1<b/></v></c></row>"), Expect::Error},
        {"a cell left open", InSheet("<row r=\"1\"><c r=\"A1\"><v>1</v></row>"), Expect::Error},
        {"a bad byte in a text", InSheet("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>\xc3(</t></is></c></row>"),
         Expect::Error},
        {"a cut-off part", InSheet("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>").chopped(30), Expect::Error},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath("case.xlsx");
        WriteWorkbook(path, c.worksheet);
        const bool quick = ExpectSameCells(path, c.name);
        EXPECT_EQ(quick, c.expect == Expect::Quick) << c.name;
        if (c.expect == Expect::Error) {
            EXPECT_FALSE(Read(path, xlsx::CellReading::Quick).error.empty()) << c.name;
        } else {
            const Reading r = Read(path, xlsx::CellReading::Quick);
            EXPECT_TRUE(r.error.empty()) << c.name << ": " << r.error;
            if (c.expect == Expect::Quick) {
                EXPECT_GT(r.sheet ? r.sheet->UsedRowCount() : 0, 0) << c.name;
            }
        }
    }
}

TEST(SheetScan, ReadsOurExportsItselfAndAgreesOnWorkbooksSsconvertMakes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString templatePath = dir.filePath("Export.vornic");
    xlstemplate::WriteExportTemplate(templatePath);
    ReadingTable table;
    constexpr int rows = 300;
    table.SetRowCount(rows + 1);
    for (int i = 1; i <= rows; ++i) {
        table.SetCell(0, i, QString::number(i));
        table.SetCell(1, i, reading::FormatLevel(300 + (i * 37) % 900));
        table.SetCell(2, i, i % 3 ? QStringLiteral("A") : QStringLiteral("C"));
        table.SetCell(3, i, reading::FormatLongTime(QTime(23, 59, 0).addSecs(i)));
        table.SetCell(4, i, reading::FormatShortDate(QDate(2026, 12, 9).addDays(i / 61)));
    }
    const QString ours = dir.filePath("ours.xlsx");
    records::WriteWorkbookExport(ours, records::ReadTemplateHead(templatePath), table, rows + 1);
    EXPECT_TRUE(ExpectSameCells(ours, "our export"));
    const xlsx::Sheet sheet = xlsx::Sheet::Open(ours);
    EXPECT_EQ(records::ReadImportRows(sheet, records::ImportRowCount(sheet), 0, 0).readingCount, rows);

    if (xlstest::SsconvertPath().isEmpty()) GTEST_SKIP() << "ssconvert (Debian package gnumeric) is not installed";
    const QString csv = dir.filePath("in.csv");
    xlstest::WriteUtf8(csv, QStringLiteral("Title \u00e4 & <x>\n\n\nREC,dB,A/C,Time,Date\n"
                                           "1,\"65,4\",A,12:00:01,09.12.2026\n2,71.5,C,23:59:59,2026-12-10 06:30\n"
                                           "3,TRUE,A,0.5,=1+2\n"));
    const QString made = dir.filePath("made.xlsx");
    QString errors;
    ASSERT_EQ(xlstest::RunSsconvert({csv, made}, &errors), 0) << errors.toStdString();
    ExpectSameCells(made, "ssconvert's workbook");
    ASSERT_EQ(xlstest::RunSsconvert({ours, dir.filePath("again.xlsx")}, &errors), 0) << errors.toStdString();
    ExpectSameCells(dir.filePath("again.xlsx"), "our export as ssconvert writes it");
}
