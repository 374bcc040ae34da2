// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A quick scanner of a worksheet's cell rows: the plain markup spreadsheet
// writers emit for cells (<row r=..>, <c r=.. s=.. t=..>, <v>, <is><t>,
// self-closing tags, whitespace, either quote). It reads a sheet of a day's
// readings in a fraction of the time of a general XML reader. Anything else
// (entities, CDATA, comments, namespace prefixes, other elements, damage)
// makes it give up, and the caller reads the whole part with the XML reader,
// which then decides; so it never has to be right about unusual input.
#include <QByteArrayView>

#include <functional>

namespace xlsx {

// Columns kept of every row: the five the import reads.
inline constexpr int KeptColumns = 5;
// Rows a sheet can hold.
inline constexpr int MaxSheetRows = 1048576;

}  // namespace xlsx

namespace xlsx::scan {

enum class CellType { Number, Shared, Text, Boolean, Error };

struct Cell {
    int row = 0;     // 1-based, within the sheet
    int column = 0;  // 1-based, any size
    int style = 0;   // clamped to 0..65535
    CellType type = CellType::Number;
    bool hasValue = false;
    QByteArrayView value;  // UTF-8: the text of <v> or of the inline string
};

// Scans the contents of <sheetData> (without its tags), handing `keep`
// every cell with a value in the kept columns as it is read. Returns false
// when they hold anything beyond the plain subset or `keep` does.
bool ScanSheetData(QByteArrayView body, const std::function<bool(const Cell&)>& keep);

}  // namespace xlsx::scan
