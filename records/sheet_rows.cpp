// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/sheet_rows.h"

#include "reading/reading_table.h"
#include "reading/reading_word.h"
#include "records/sheet_values.h"
#include "records/xls/workbook.h"
#include "records/xlsx/workbook_reader.h"

namespace records {

void ClearExportRows(xls::Sheet& sheet) {
    const int used = sheet.UsedRowCount();
    for (int row = FirstDataSheetRow; row <= used + 1 && row <= xls::MaxSheetRows; ++row)
        sheet.ClearRow(row);
}

void WriteExportRows(xls::Sheet& sheet, const ReadingTable& table, int lastRow) {
    const bool dates1904 = sheet.DatesFrom1904();
    ExportValues values(dates1904);
    for (int r = 1; r <= lastRow; ++r) {
        for (int k = 1; k <= ReadingTable::Columns; ++k) {
            const int row = r + FirstDataSheetRow - 1;
            const SheetValue& v = values.Of(k - 1, table.Cell(k - 1, r));
            if (v.kind == SheetValue::Kind::Text) sheet.SetCellText(row, k, v.text);
            else sheet.SetCellNumber(row, k, v.number, v.format);
        }
    }
}

namespace {

template <class SheetT> int RowCountOf(const SheetT& sheet) {
    // The data end at the last row with any of its five cells filled: our
    // exports end with an empty row, other programs' with their last reading.
    for (int row = sheet.UsedRowCount(); row >= FirstDataSheetRow; --row)
        for (int k = 1; k <= ReadingTable::Columns; ++k)
            if (!sheet.CellText(row, k).isEmpty()) return row - FirstDataSheetRow + 1;
    return 0;
}

template <class SheetT>
ImportedRows ReadRowsOf(const SheetT& sheet, int rowCount, float runningMax, float runningMin) {
    ImportedRows result(runningMax, runningMin);
    result.rows.reserve(std::size_t(rowCount > 0 ? rowCount : 0));
    ImportTexts texts(sheet.DatesFrom1904());
    for (int i = 0; i < rowCount; ++i) {
        const int s = i + FirstDataSheetRow;
        RowCells cells;
        for (int k = 0; k < ReadingTable::Columns; ++k)
            cells[std::size_t(k)] = texts.Of(k, sheet.Value(s, k + 1));
        if (!cells[1].isEmpty()) {
            const std::optional<float> v = reading::LevelNumber(cells[1]);
            if (!v) {
                result.badLevel = cells[1];
                result.badLevelRow = i + 1;
                break;
            }
            result.levels.Apply(i + 1, *v);
        }
        result.rows.push_back(std::move(cells));
    }
    result.readingCount = int(result.rows.size());
    return result;
}

}  // namespace

int ImportRowCount(const xls::Sheet& sheet) { return RowCountOf(sheet); }
int ImportRowCount(const xlsx::Sheet& sheet) { return RowCountOf(sheet); }

ImportedRows ReadImportRows(const xls::Sheet& sheet, int rowCount, float runningMax, float runningMin) {
    return ReadRowsOf(sheet, rowCount, runningMax, runningMin);
}
ImportedRows ReadImportRows(const xlsx::Sheet& sheet, int rowCount, float runningMax, float runningMin) {
    return ReadRowsOf(sheet, rowCount, runningMax, runningMin);
}

}  // namespace records
