// SPDX-License-Identifier: GPL-3.0-or-later
// A workbook the user opens: any bytes as an .xlsx file, read by our reader,
// its active sheet read cell by cell in a bounded area and through the
// import's row reader. Bytes that are no zip archive are a worksheet part
// instead: put in a workbook, read by the quick cell scanner and by the XML
// reader alone, which must give the same cells or the same error.
#include "platform/testing/seam_doubles.h"
#include "records/sheet_rows.h"
#include "records/xlsx/workbook_reader.h"
#include "tests/fuzz/fuzz_support.h"

#include <QFile>

#include <zip.h>

#include <cstring>
#include <optional>
#include <string>

namespace {
constexpr int MaxRowsRead = 300;     // the area read cell by cell
constexpr int MaxColumnsRead = 6;    // one past the columns the reader keeps
constexpr int MaxImportRows = 2000;  // the import's reader, bounded so one input stays quick

// A workbook of one sheet, `worksheet`, with two shared texts and a date style.
void WriteWorkbook(const QString& path, const std::uint8_t* worksheet, std::size_t size) {
    int error = 0;
    zip_t* z = zip_open(path.toLocal8Bit().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) fuzz::Fail("scratch workbook not made");
    static const char* const parts[][2] = {
        {"xl/workbook.xml", "<workbook><sheets><sheet r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
        {"xl/sharedStrings.xml", "<sst><si><t>A</t></si><si><t>C</t></si></sst>"},
        {"xl/styles.xml", "<styleSheet><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>"},
    };
    for (const auto& part : parts)
        zip_file_add(z, part[0], zip_source_buffer(z, part[1], std::strlen(part[1]), 0), 0);
    zip_file_add(z, "xl/worksheets/sheet1.xml", zip_source_buffer(z, worksheet, size, 0), 0);
    if (zip_close(z) != 0) fuzz::Fail("scratch workbook not written");
}

std::optional<xlsx::Sheet> Open(const QString& path, xlsx::CellReading how, std::string* error) {
    try {
        return xlsx::Sheet::Open(path, how);
    } catch (const xls::Error& e) {
        *error = e.what();
        return std::nullopt;
    }
}

void CompareReadings(const QString& path) {
    std::string quickError, xmlError;
    const auto quick = Open(path, xlsx::CellReading::Quick, &quickError);
    const auto xml = Open(path, xlsx::CellReading::XmlReaderOnly, &xmlError);
    if (quickError != xmlError) fuzz::Fail("the quick scanner and the XML reader disagree on an error");
    if (!quick || !xml) return;
    if (quick->UsedRowCount() != xml->UsedRowCount()) fuzz::Fail("the quick scanner and the XML reader disagree on rows");
    for (int row = 1; row <= std::min(xml->UsedRowCount() + 1, MaxRowsRead); ++row)
        for (int column = 1; column <= MaxColumnsRead; ++column) {
            const xls::CellValue a = quick->Value(row, column);
            const xls::CellValue b = xml->Value(row, column);
            if (a.kind != b.kind || a.text != b.text || a.format != b.format || (a.number != b.number && a.number == a.number))
                fuzz::Fail("the quick scanner and the XML reader disagree on a cell");
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::testing::SeamDoubles seams;
    const QString path = fuzz::ScratchFolder() + QStringLiteral("/opened.xlsx");
    if (size >= 2 && data[0] == 'P' && data[1] == 'K') {
        fuzz::WriteBytes(path, data, size);
    } else {
        WriteWorkbook(path, data, size);
        CompareReadings(path);
    }
    try {
        const xlsx::Sheet sheet = xlsx::Sheet::Open(path);
        const int used = sheet.UsedRowCount();
        if (used < 0 || used > xlsx::MaxSheetRows) fuzz::Fail("used rows outside the sheet");
        for (int row = 1; row <= std::min(used + 1, MaxRowsRead); ++row)
            for (int column = 1; column <= MaxColumnsRead; ++column) {
                const xls::CellValue v = sheet.Value(row, column);
                if (column > xlsx::KeptColumns && v.kind != xls::CellKind::Empty) fuzz::Fail("a column not kept has a value");
            }
        const int importRows = records::ImportRowCount(sheet);
        if (importRows > used) fuzz::Fail("more import rows than used rows");
        const records::ImportedRows rows = records::ReadImportRows(sheet, std::min(importRows, MaxImportRows), 0, 0);
        if (rows.levels.Count() > rows.rows.size()) fuzz::Fail("more levels than rows");
    } catch (const xls::Error&) {
        // Not a workbook we can read: the open command shows this text.
    }
    QFile::remove(path);
    return 0;
}
