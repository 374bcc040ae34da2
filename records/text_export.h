// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text export: one line per table row, its five cells each followed by
// a tab, the line ended by CR LF; 8-bit text in the local encoding. Written
// from table rows 1 to ReadingCount + 1 (the last, the row after the data,
// is normally five tabs alone) and read back by a tab-driven parser that
// also reads files edited by hand.
#include "records/imported_rows.h"

#include <QByteArray>

class ReadingTable;

namespace records {

// The bytes of the export of table rows 1 to lastRow.
QByteArray TextExportBytes(const ReadingTable& table, int lastRow);

// Parses text export bytes, one character at a time, with row r = 1,
// column k = 0 and a field text F:
//  - a tab ends a field: an empty F is skipped (k stays); otherwise F goes
//    into column k of row r, and when k is 4 the row is complete: its level
//    (column 1), if not empty, goes through the level rule and the row
//    becomes the reading count; the next field starts row r + 1, column 0;
//  - CR or LF sets k back to 0 but keeps F, so a line without a tab after
//    its fifth field runs on into the next line's first field;
//  - a NUL byte ends the text; other bytes are appended to F.
// The extremes start at runningMax and runningMin. A level that is not a
// number stops the parse at its row (ImportedRows::Failed).
ImportedRows ParseTextExport(const QByteArray& bytes, float runningMax, float runningMin);

}  // namespace records
