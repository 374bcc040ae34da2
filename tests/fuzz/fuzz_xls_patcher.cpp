// SPDX-License-Identifier: GPL-3.0-or-later
// The export with a damaged or foreign template: the bytes are the
// template, which is copied, opened, emptied from row 5, given N rows of
// five cells, saved and opened again. What was written must read back.
#include "platform/testing/seam_doubles.h"
#include "records/file_io.h"
#include "records/xls/workbook.h"
#include "tests/fuzz/fuzz_support.h"

#include <QFile>
#include <cstdio>

namespace {

constexpr int FirstDataRow = xls::HeadRows + 1;

QString CellFor(int row, int column) {
    return column == 1 ? QString::number(row) : QStringLiteral("%1,%2").arg(row * 7 % 1000).arg(column);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::testing::SeamDoubles seams;
    const QString templatePath = fuzz::ScratchFolder() + QStringLiteral("/template.xls");
    const QString exportPath = fuzz::ScratchFolder() + QStringLiteral("/export.xls");
    fuzz::WriteBytes(templatePath, data, size);
    if (!records::CopyFileReplacing(templatePath, exportPath)) fuzz::Fail("copy of the template failed");
    // The number of rows written comes from the last byte, so it varies without moving the template's bytes.
    const int rowsWritten = size > 0 ? 1 + data[size - 1] % 40 : 1;

    bool saved = false;
    try {
        xls::Workbook book = xls::Workbook::Open(exportPath);
        xls::Sheet sheet = book.ActiveSheet();
        const int used = sheet.UsedRowCount();
        for (int row = FirstDataRow; row <= used + 1; ++row) sheet.ClearRow(row);
        for (int i = 0; i < rowsWritten; ++i)
            for (int column = 1; column <= 5; ++column)
                sheet.SetCellText(FirstDataRow + i, column, CellFor(FirstDataRow + i, column));
        book.Save();
        saved = true;
    } catch (const xls::Error&) {
        // A template we can't use: the save command shows this text.
    }

    if (saved) {
        // A workbook we saved must open again and hold what we wrote.
        try {
            xls::Workbook again = xls::Workbook::Open(exportPath);
            xls::Sheet sheet = again.ActiveSheet();
            const int lastRow = FirstDataRow + rowsWritten - 1;
            if (sheet.UsedRowCount() != lastRow) fuzz::Fail("used rows after the export are not its last row");
            for (int row = FirstDataRow; row <= lastRow; ++row)
                for (int column = 1; column <= 5; ++column)
                    if (sheet.CellText(row, column) != CellFor(row, column)) fuzz::Fail("a written cell reads back changed");
        } catch (const xls::Error& error) {
            std::fprintf(stderr, "%s\n", error.what());
            fuzz::Fail("a saved workbook does not open again");
        }
    }
    QFile::remove(templatePath);
    QFile::remove(exportPath);
    return 0;
}
