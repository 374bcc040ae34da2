// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small reader of Office Open XML workbooks (.xlsx): the active sheet's
// cells in columns A to E with their number formats, read over libzip with
// Qt's XML stream reader (the sheet's plain cell markup with a quicker
// scanner, sheet_scan.h). Untrusted input: every part is read in bounded
// pieces, no part may inflate beyond its limit (a zip bomb is refused, not
// unpacked), and damage of any kind gives xls::Error.
#include "records/xls/workbook.h"
#include "records/xlsx/sheet_scan.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace xlsx {

// The most bytes any part (sheet, shared strings, styles, ...) may inflate to.
inline constexpr std::int64_t MaxSheetBytes = 512ll << 20;
inline constexpr std::int64_t MaxOtherPartBytes = 64ll << 20;

// How the active sheet's cells are read: by the quick scanner where the
// sheet keeps to plain cell markup (else by the XML reader), or always by
// the XML reader (which tests compare the scanner with).
enum class CellReading { Quick, XmlReaderOnly };

class Sheet {
public:
    // Reads the workbook's active sheet. Throws xls::Error.
    static Sheet Open(const QString& path) { return Open(path, CellReading::Quick); }
    static Sheet Open(const QString& path, CellReading reading);

    // The number of the last row holding any cell in columns A to E (0 for none).
    int UsedRowCount() const;
    // A cell of columns 1 to 5 as its number format shows it; Empty elsewhere.
    xls::CellValue Value(int row, int column) const;
    QString CellText(int row, int column) const { return Value(row, column).text; }
    bool DatesFrom1904() const { return dates1904_; }
    // Whether the quick scanner read the cells (false: the XML reader did).
    bool ReadQuickly() const { return readQuickly_; }

    struct Cell {
        std::int32_t row = 0;     // 1-based
        std::uint8_t column = 0;  // 1-based
        std::uint8_t kind = 0;    // 0 number, 1 text, 2 boolean, 3 error
        std::uint16_t style = 0;
        double number = 0;
        std::int32_t text = -1;   // index into texts_
    };

private:
    friend class SheetParser;
    std::vector<Cell> cells_;  // ordered by row, then column
    std::vector<QString> texts_;
    std::vector<QString> styleFormats_;  // the number format of every cell style
    std::vector<xls::FormatKind> styleKinds_;  // and what it makes of a number
    bool dates1904_ = false;
    bool readQuickly_ = false;
};

}  // namespace xlsx
