// SPDX-License-Identifier: GPL-3.0-or-later
// A spreadsheet the user opens: any bytes as an .xls file, opened by our
// engine, its active sheet read cell by cell in a bounded area and through
// the import's row reader.
#include "platform/testing/seam_doubles.h"
#include "records/sheet_rows.h"
#include "records/xls/workbook.h"
#include "tests/fuzz/fuzz_support.h"

#include <QFile>

namespace {
constexpr int MaxRowsRead = 300;     // the area read cell by cell
constexpr int MaxColumnsRead = 12;
constexpr int MaxImportRows = 2000;  // the import's reader, bounded so one input stays quick
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::testing::SeamDoubles seams;
    const QString path = fuzz::ScratchFolder() + QStringLiteral("/opened.xls");
    fuzz::WriteBytes(path, data, size);
    try {
        xls::Workbook book = xls::Workbook::Open(path);
        xls::Sheet sheet = book.ActiveSheet();
        (void)sheet.Name();
        const int used = sheet.UsedRowCount();
        if (used < 0 || used > xls::MaxSheetRows) fuzz::Fail("used rows outside the sheet");
        for (int row = 1; row <= std::min(used + 1, MaxRowsRead); ++row)
            for (int column = 1; column <= MaxColumnsRead; ++column) (void)sheet.CellText(row, column);
        (void)sheet.CellText(xls::MaxSheetRows, 256);
        const int importRows = records::ImportRowCount(sheet);
        const records::ImportedRows rows = records::ReadImportRows(sheet, std::min(importRows, MaxImportRows), 0, 0);
        if (rows.levels.Count() > rows.rows.size()) fuzz::Fail("more levels than rows");
    } catch (const xls::Error&) {
        // Not a workbook we can read: the open command shows this text.
    }
    QFile::remove(path);
    return 0;
}
