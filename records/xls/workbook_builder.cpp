// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/xls/workbook_builder.h"

#include "records/xls/document.h"

#include <QSaveFile>

namespace xls {

using namespace detail;

namespace {

Record Make(std::uint16_t type, Bytes data) {
    Record r;
    r.type = type;
    r.data = std::move(data);
    return r;
}

Bytes BofData(std::uint16_t kind) {
    Bytes d;
    PutU16(d, 0x0600);  // BIFF8
    PutU16(d, kind);
    PutU16(d, 0x0DBB);
    PutU16(d, 0x07CC);
    PutU32(d, 0);
    PutU32(d, 6);
    return d;
}

Bytes FontData(const FontSpec& f) {
    Bytes d;
    PutU16(d, unsigned(f.heightTwips));
    PutU16(d, f.italic ? 0x0002 : 0);
    PutU16(d, f.colour);
    PutU16(d, f.bold ? 700 : 400);
    PutU16(d, 0);  // no super- or subscript
    PutU8(d, 0);   // not underlined
    PutU8(d, 0);
    PutU8(d, 0);
    PutU8(d, 0);
    PutShortString(d, f.name);
    return d;
}

constexpr unsigned kAlignBottom = 2 << 4;
constexpr unsigned kNoFillColours = 0x40 | (0x41 << 7);  // automatic foreground and background

Bytes StyleXfData() {
    Bytes d;
    PutU16(d, 0);
    PutU16(d, 0);
    PutU16(d, 0xFFF5);  // locked, a style, no parent
    PutU8(d, kAlignBottom);
    PutU8(d, 0);
    PutU8(d, 0);
    PutU8(d, 0);
    PutU16(d, 0);
    PutU16(d, 0);
    PutU32(d, 0);
    PutU16(d, kNoFillColours);
    return d;
}

Bytes CellXfData(const CellStyle& s) {
    constexpr unsigned kBlack = 8;
    Bytes d;
    PutU16(d, unsigned(s.font));
    PutU16(d, 0);       // the general number format
    PutU16(d, 0x0001);  // locked, a cell format based on the Normal style
    PutU8(d, unsigned(s.align) | kAlignBottom);
    PutU8(d, 0);
    PutU8(d, 0);
    PutU8(d, 0x7C);  // font, alignment, borders, fill and number format are its own
    PutU16(d, s.thinBorders ? 0x1111 : 0);
    PutU16(d, s.thinBorders ? (kBlack | (kBlack << 7)) : 0);
    std::uint32_t topBottom = s.thinBorders ? (kBlack | (kBlack << 7)) : 0;
    if (s.fillColour) topBottom |= 1u << 26;  // a solid fill
    PutU32(d, topBottom);
    PutU16(d, s.fillColour ? (s.fillColour | (0x41 << 7)) : kNoFillColours);
    return d;
}

void CheckPlace(int row, int column) {
    if (row < 1 || row > kSheetRows || column < 1 || column > kSheetColumns)
        throw Error("A template cell lies outside the sheet.");
}

}  // namespace

WorkbookBuilder::WorkbookBuilder(QString sheetName) : sheetName_(std::move(sheetName)) {}

int WorkbookBuilder::AddFont(const FontSpec& font) {
    fonts_.push_back(font);
    // Font number 4 does not exist in this format: the fifth FONT record is number 5.
    return int(fonts_.size()) + 4;
}

int WorkbookBuilder::AddStyle(const CellStyle& style) {
    styles_.push_back(style);
    return DefaultStyle + int(styles_.size());
}

void WorkbookBuilder::SetColumn(int column, int width256, int style) {
    CheckPlace(1, column);
    columns_[column] = {width256, style};
}

void WorkbookBuilder::SetRowHeight(int row, int twips) {
    CheckPlace(row, 1);
    rowHeights_[row] = twips;
}

void WorkbookBuilder::SetCell(int row, int column, const QString& text, int style) {
    CheckPlace(row, column);
    cells_[{row, column}] = {text, style};
}

void WorkbookBuilder::Merge(int firstRow, int firstColumn, int lastRow, int lastColumn) {
    CheckPlace(firstRow, firstColumn);
    CheckPlace(lastRow, lastColumn);
    merges_.push_back({firstRow, firstColumn, lastRow, lastColumn});
}

void WorkbookBuilder::FreezeRowsAbove(int row) { frozenRows_ = row - 1; }

void WorkbookBuilder::Save(const QString& path) const {
    Document doc;

    // Globals: BOF, code page, window, fonts, formats (XF), the Normal style, the sheet.
    doc.globals.push_back(Make(rt::Bof, BofData(0x0005)));
    Bytes codepage;
    PutU16(codepage, 1200);  // UTF-16
    doc.globals.push_back(Make(rt::Codepage, codepage));
    Bytes window;
    for (unsigned v : {0x0000u, 0x0000u, 0x4000u, 0x2000u, 0x0038u, 0u, 0u, 1u, 0x0258u}) PutU16(window, v);
    doc.globals.push_back(Make(rt::Window1, window));
    for (int i = 0; i < 4; ++i) doc.globals.push_back(Make(rt::Font, FontData(FontSpec{})));
    for (const FontSpec& f : fonts_) doc.globals.push_back(Make(rt::Font, FontData(f)));
    for (int i = 0; i < 15; ++i) doc.globals.push_back(Make(rt::Xf, StyleXfData()));
    doc.globals.push_back(Make(rt::Xf, CellXfData(CellStyle{})));
    for (const CellStyle& s : styles_) doc.globals.push_back(Make(rt::Xf, CellXfData(s)));
    doc.globals.push_back(Make(rt::Style, Bytes{0x00, 0x80, 0x00, 0xFF}));
    Bytes sheetEntry;
    PutU32(sheetEntry, 0);  // its stream position, set when written
    PutU8(sheetEntry, 0);   // visible
    PutU8(sheetEntry, 0);   // a worksheet
    PutShortString(sheetEntry, sheetName_);
    SheetInfo sheet;
    sheet.name = sheetName_;
    sheet.boundSheetRecord = doc.globals.size();
    doc.globals.push_back(Make(rt::BoundSheet, sheetEntry));
    doc.sheets.push_back(sheet);
    doc.sstAt = doc.globals.size();
    doc.globals.push_back(Make(rt::Eof, {}));

    // The sheet.
    ActiveSheet& s = doc.activeSheet;
    auto keep = [&](std::uint16_t type, Bytes data) { s.items.push_back({Slot::None, Make(type, std::move(data))}); };
    keep(rt::Bof, BofData(0x0010));
    s.items.push_back({Slot::Index, {}});
    keep(rt::DefColWidth, Bytes{8, 0});
    for (const auto& [column, c] : columns_) {
        Bytes d;
        PutU16(d, unsigned(column - 1));
        PutU16(d, unsigned(column - 1));
        PutU16(d, unsigned(c.width256));
        PutU16(d, unsigned(c.style));
        PutU16(d, 0x0002);  // a width set by hand
        PutU16(d, 0);
        keep(rt::ColInfo, d);
        s.columnXf[column - 1] = std::uint16_t(c.style);
    }
    s.items.push_back({Slot::Dimensions, {}});
    s.items.push_back({Slot::CellTable, {}});
    Bytes window2;
    PutU16(window2, 0x06B6 | (frozenRows_ > 0 ? 0x0108 : 0));
    for (unsigned v : {0u, 0u, 0x40u, 0u, 0u, 0u, 0u, 0u}) PutU16(window2, v);
    keep(rt::Window2, window2);
    if (frozenRows_ > 0) {
        Bytes pane;
        PutU16(pane, 0);
        PutU16(pane, unsigned(frozenRows_));
        PutU16(pane, unsigned(frozenRows_));
        PutU16(pane, 0);
        PutU8(pane, 2);  // the lower pane is active
        PutU8(pane, 0);
        keep(rt::Pane, pane);
        Bytes selection;
        PutU8(selection, 2);
        PutU16(selection, unsigned(frozenRows_));
        PutU16(selection, 0);
        PutU16(selection, 0);
        PutU16(selection, 1);
        PutU16(selection, unsigned(frozenRows_));
        PutU16(selection, unsigned(frozenRows_));
        PutU8(selection, 0);
        PutU8(selection, 0);
        keep(rt::Selection, selection);
    }
    s.items.push_back({Slot::MergeCells, {}});
    keep(rt::Eof, {});

    for (const auto& [row, twips] : rowHeights_) {
        Bytes d;
        PutU16(d, unsigned(row - 1));
        PutU16(d, 0);
        PutU16(d, 0);
        PutU16(d, unsigned(twips));
        PutU16(d, 0);
        PutU16(d, 0);
        PutU16(d, 0x0140);  // the height was set by hand
        PutU16(d, kDefaultCellXf);
        s.rows[row - 1].rowRecord = Make(rt::Row, d);
    }
    for (const auto& [place, t] : cells_) {
        Cell cell;
        cell.column = std::uint16_t(place.second - 1);
        cell.fresh = true;
        cell.text = t.text;
        cell.xf = std::uint16_t(t.style);
        s.rows[place.first - 1].Put(std::move(cell));
    }
    for (const Merged& m : merges_)
        s.merges.push_back({std::uint16_t(m.firstRow - 1), std::uint16_t(m.lastRow - 1),
                            std::uint16_t(m.firstColumn - 1), std::uint16_t(m.lastColumn - 1)});

    CompoundFile container;
    container.entries.push_back({"Workbook", false, SerializeWorkbookStream(doc), {}});
    Bytes file = WriteCompoundFile(container);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(reinterpret_cast<const char*>(file.data()), qint64(file.size())) != qint64(file.size()) ||
        !out.commit())
        throw Error("The workbook cannot be written to " + path.toStdString() + ": " + out.errorString().toStdString());
}

}  // namespace xls
