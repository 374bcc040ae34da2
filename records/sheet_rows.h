// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The spreadsheet export and import on the active sheet of a workbook: the
// table's data sit from sheet row 5 on (rows 1 to 4 are the template's
// head), table column k in sheet column k + 1.
//
// An exported sheet ends with the row after the data written as five empty
// texts; the import reads up to the last row with any of its five cells
// filled, so it gets back exactly the rows exported, and a workbook saved
// by another program keeps its last row.
#include "records/imported_rows.h"

class ReadingTable;

namespace xls {
class Sheet;
}
namespace xlsx {
class Sheet;
}

namespace records {

inline constexpr int FirstDataSheetRow = 5;

// Empties sheet rows 5 to (used rows + 1), whatever an earlier export left.
void ClearExportRows(xls::Sheet& sheet);

// Writes table rows 1 to lastRow into sheet rows 5 to lastRow + 4: numbers,
// dates and times as such (ExportValue), the rest as texts. Throws xls::Error.
void WriteExportRows(xls::Sheet& sheet, const ReadingTable& table, int lastRow);

// The rows an import reads: sheet rows 5 to the last one with any of its
// five cells non-empty (0 when there is none).
int ImportRowCount(const xls::Sheet& sheet);
int ImportRowCount(const xlsx::Sheet& sheet);

// Reads sheet rows 5 to 4 + rowCount, columns 1 to 5, as the texts the
// table shows (ImportText: dates and times in the user's format); a level
// (column 2) that is not empty goes through the level rule, and one that is
// not a number stops the reading at its row. readingCount is the number
// of rows read.
ImportedRows ReadImportRows(const xls::Sheet& sheet, int rowCount, float runningMax, float runningMin);
ImportedRows ReadImportRows(const xlsx::Sheet& sheet, int rowCount, float runningMax, float runningMin);

}  // namespace records
