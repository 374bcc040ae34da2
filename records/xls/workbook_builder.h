// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Builds a new one-sheet workbook from scratch: fonts, cell styles (font,
// alignment, fill, thin borders), column widths, row heights, text cells,
// merged cells and rows frozen at the top. Used to make the export template
// at build time; the workbook is written by the same engine as exports.
#include "records/xls/error.h"

#include <QString>

#include <cstdint>
#include <map>
#include <vector>

namespace xls {

enum class HAlign : std::uint8_t { General = 0, Left = 1, Center = 2, Right = 3 };

// Colours are indexes of the standard 56-colour palette (8 = black,
// 9 = white, 22 = silver, 44 = pale blue, ...).
struct FontSpec {
    QString name = QStringLiteral("Arial");
    int heightTwips = 200;  // 10 pt
    bool bold = false;
    bool italic = false;
    std::uint16_t colour = 0x7FFF;  // the automatic text colour
};

struct CellStyle {
    int font = 0;  // 0 = the default font, else a value from AddFont
    HAlign align = HAlign::General;
    std::uint8_t fillColour = 0;  // 0 = no fill
    bool thinBorders = false;     // a thin black line on all four sides
};

class WorkbookBuilder {
public:
    static constexpr int DefaultStyle = 15;

    explicit WorkbookBuilder(QString sheetName);

    int AddFont(const FontSpec& font);        // a font number for CellStyle::font
    int AddStyle(const CellStyle& style);     // a style number for cells and columns
    // Width in 1/256 of a character; the style applies to new cells of the column.
    void SetColumn(int column, int width256, int style = DefaultStyle);
    void SetRowHeight(int row, int twips);
    void SetCell(int row, int column, const QString& text, int style = DefaultStyle);
    void Merge(int firstRow, int firstColumn, int lastRow, int lastColumn);
    // Rows above `row` stay in view while the rest scrolls.
    void FreezeRowsAbove(int row);

    // Writes the workbook (through a temporary file in the same folder). Throws Error.
    void Save(const QString& path) const;

private:
    struct Column { int width256; int style; };
    struct Text { QString text; int style; };
    struct Merged { int firstRow, firstColumn, lastRow, lastColumn; };

    QString sheetName_;
    std::vector<FontSpec> fonts_;
    std::vector<CellStyle> styles_;
    std::map<int, Column> columns_;
    std::map<int, int> rowHeights_;
    std::map<std::pair<int, int>, Text> cells_;
    std::vector<Merged> merges_;
    int frozenRows_ = 0;
};

}  // namespace xls
