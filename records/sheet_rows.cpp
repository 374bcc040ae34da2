#include "records/sheet_rows.h"

#include "monitor/reading_table.h"
#include "monitor/reading_word.h"
#include "records/xls/workbook.h"

namespace records {

void ClearExportRows(xls::Sheet& sheet) {
    const int used = sheet.UsedRowCount();
    for (int row = FirstDataSheetRow; row <= used + 1 && row <= xls::MaxSheetRows; ++row)
        sheet.ClearRow(row);
}

void WriteExportRows(xls::Sheet& sheet, const ReadingTable& table, int lastRow) {
    for (int r = 1; r <= lastRow; ++r)
        for (int k = 1; k <= ReadingTable::Columns; ++k)
            sheet.SetCellText(r + FirstDataSheetRow - 1, k, table.Cell(k - 1, r));
}

int ImportRowCount(const xls::Sheet& sheet) {
    const int n = sheet.UsedRowCount() - FirstDataSheetRow;
    return n > 0 ? n : 0;
}

ImportedRows ReadImportRows(const xls::Sheet& sheet, int rowCount, float runningMax, float runningMin) {
    ImportedRows result(runningMax, runningMin);
    result.rows.reserve(std::size_t(rowCount > 0 ? rowCount : 0));
    for (int i = 0; i < rowCount; ++i) {
        const int s = i + FirstDataSheetRow;
        RowCells cells;
        for (int k = 0; k < ReadingTable::Columns; ++k) cells[std::size_t(k)] = sheet.CellText(s, k + 1);
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

}  // namespace records
