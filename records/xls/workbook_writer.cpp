// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a Document back as a BIFF8 workbook stream: globals with a rebuilt
// shared string table, the active sheet with a rebuilt cell table (ROW
// blocks, DBCELL, INDEX, DIMENSIONS, MERGECELLS) and the other sheets as they
// were, with their stream positions brought up to date.
#include "records/xls/document.h"

#include <QHash>

#include <algorithm>
#include <cstring>

namespace xls::detail {

namespace {

constexpr int kRowsPerBlock = 32;
constexpr std::size_t kMergesPerRecord = 1026;

// Gives every new text cell of the active sheet its shared-string index and
// brings the table's reference count up to date.
void AssignSharedStrings(Document& doc) {
    QHash<QString, std::uint32_t> known;
    bool knownBuilt = false;
    std::uint32_t refs = 0;
    for (auto& [rowNumber, row] : doc.activeSheet.rows) {
        for (Cell& cell : row.cells) {
            if (!cell.fresh) {
                if (cell.type == rt::LabelSst) ++refs;
                continue;
            }
            if (cell.text.isEmpty() || cell.isNumber) continue;
            if (!knownBuilt) {
                for (std::size_t i = doc.sst.entries.size(); i-- > 0;) {
                    const SstEntry& e = doc.sst.entries[i];
                    if (e.runs.empty() && e.ext.empty()) known.insert(e.text, std::uint32_t(i));
                }
                knownBuilt = true;
            }
            auto found = known.constFind(cell.text);
            if (found != known.constEnd()) {
                cell.sstIndex = found.value();
            } else {
                cell.sstIndex = std::uint32_t(doc.sst.entries.size());
                doc.sst.entries.push_back({cell.text, {}, {}});
                known.insert(cell.text, cell.sstIndex);
            }
            ++refs;
        }
    }
    std::uint32_t others = doc.sst.totalRefs >= doc.activeSheet.sharedStringRefsAtLoad
                               ? doc.sst.totalRefs - doc.activeSheet.sharedStringRefsAtLoad
                               : 0;
    doc.sst.totalRefs = others + refs;
    doc.activeSheet.sharedStringRefsAtLoad = refs;
}

struct Extent {
    int firstRow = 0, lastRowPlus1 = 0, firstColumn = 0, lastColumnPlus1 = 0;
};

Extent CellExtent(const ActiveSheet& sheet) {
    Extent e;
    bool any = false;
    for (const auto& [rowNumber, row] : sheet.rows) {
        if (row.cells.empty()) continue;
        if (!any) {
            e.firstRow = rowNumber;
            e.firstColumn = row.cells.front().column;
            e.lastColumnPlus1 = row.cells.back().column + 1;
            any = true;
        }
        e.lastRowPlus1 = rowNumber + 1;
        e.firstColumn = std::min<int>(e.firstColumn, row.cells.front().column);
        e.lastColumnPlus1 = std::max<int>(e.lastColumnPlus1, row.cells.back().column + 1);
    }
    return e;
}

void AppendRowRecord(Bytes& out, int rowNumber, const Row& row) {
    std::size_t at = out.size();
    if (row.rowRecord && row.rowRecord->data.size() >= 16) {
        AppendRecord(out, rt::Row, row.rowRecord->data);
    } else {
        // Default height, no row format.
        PutU16(out, rt::Row);
        PutU16(out, 16);
        PutU16(out, unsigned(rowNumber));
        PutU16(out, 0);
        PutU16(out, 0);
        PutU16(out, 0x00FF);
        PutU16(out, 0);
        PutU16(out, 0);
        PutU16(out, 0x0100);
        PutU16(out, kDefaultCellXf);
    }
    SetU16(out, at + 6, row.cells.empty() ? 0 : row.cells.front().column);
    SetU16(out, at + 8, row.cells.empty() ? 0 : row.cells.back().column + 1u);
}

void AppendCell(Bytes& out, int rowNumber, const Cell& cell) {
    if (!cell.fresh) {
        out.insert(out.end(), cell.raw.begin(), cell.raw.end());
        return;
    }
    if (cell.isNumber) {
        PutU16(out, rt::Number);
        PutU16(out, 14);
        PutU16(out, unsigned(rowNumber));
        PutU16(out, cell.column);
        PutU16(out, cell.xf);
        std::uint64_t bits;
        std::memcpy(&bits, &cell.number, sizeof bits);
        PutU32(out, std::uint32_t(bits));
        PutU32(out, std::uint32_t(bits >> 32));
        return;
    }
    bool blank = cell.text.isEmpty();
    PutU16(out, blank ? rt::Blank : rt::LabelSst);
    PutU16(out, blank ? 6 : 10);
    PutU16(out, unsigned(rowNumber));
    PutU16(out, cell.column);
    PutU16(out, cell.xf);
    if (!blank) PutU32(out, cell.sstIndex);
}

// Rows in blocks of 32: the blocks' ROW records, then their cells, then a
// DBCELL that points back at them. Returns the DBCELL positions.
std::vector<std::uint32_t> AppendCellTable(Bytes& out, const ActiveSheet& sheet) {
    std::vector<std::uint32_t> dbCells;
    auto it = sheet.rows.begin();
    while (it != sheet.rows.end()) {
        int block = it->first / kRowsPerBlock;
        auto blockEnd = it;
        while (blockEnd != sheet.rows.end() && blockEnd->first / kRowsPerBlock == block) ++blockEnd;

        std::size_t firstRowPos = out.size();
        std::size_t secondRowPos = 0;
        for (auto r = it; r != blockEnd; ++r) {
            AppendRowRecord(out, r->first, r->second);
            if (r == it) secondRowPos = out.size();
        }
        Bytes db;
        PutU32(db, 0);  // filled below
        std::size_t previous = secondRowPos;
        for (auto r = it; r != blockEnd; ++r) {
            std::size_t firstCell = out.size();
            PutU16(db, unsigned(std::min<std::size_t>(firstCell - previous, 0xFFFF)));
            previous = firstCell;
            for (const Cell& cell : r->second.cells) AppendCell(out, r->first, cell);
        }
        SetU32(db, 0, std::uint32_t(out.size() - firstRowPos));
        dbCells.push_back(std::uint32_t(out.size()));
        AppendRecord(out, rt::DbCell, db);
        it = blockEnd;
    }
    return dbCells;
}

std::size_t CountBlocks(const ActiveSheet& sheet) {
    std::size_t n = 0;
    int last = -1;
    for (const auto& [rowNumber, row] : sheet.rows) {
        if (rowNumber / kRowsPerBlock != last) ++n;
        last = rowNumber / kRowsPerBlock;
    }
    return n;
}

void AppendActiveSheet(Bytes& out, const ActiveSheet& sheet) {
    Extent extent = CellExtent(sheet);
    std::size_t indexPos = 0;
    bool hasIndex = false;
    std::size_t defColWidthPos = 0;
    std::vector<std::uint32_t> dbCells;
    for (const SheetItem& item : sheet.items) {
        switch (item.slot) {
        case Slot::Index:
            hasIndex = true;
            indexPos = out.size();
            AppendRecord(out, rt::Index, Bytes(16 + 4 * CountBlocks(sheet), 0));
            break;
        case Slot::Dimensions: {
            Bytes d;
            PutU32(d, std::uint32_t(extent.firstRow));
            PutU32(d, std::uint32_t(extent.lastRowPlus1));
            PutU16(d, unsigned(extent.firstColumn));
            PutU16(d, unsigned(extent.lastColumnPlus1));
            PutU16(d, 0);
            AppendRecord(out, rt::Dimensions, d);
            break;
        }
        case Slot::CellTable: dbCells = AppendCellTable(out, sheet); break;
        case Slot::MergeCells:
            for (std::size_t i = 0; i < sheet.merges.size(); i += kMergesPerRecord) {
                std::size_t n = std::min(kMergesPerRecord, sheet.merges.size() - i);
                Bytes m;
                PutU16(m, unsigned(n));
                for (std::size_t k = i; k < i + n; ++k) {
                    PutU16(m, sheet.merges[k].firstRow);
                    PutU16(m, sheet.merges[k].lastRow);
                    PutU16(m, sheet.merges[k].firstColumn);
                    PutU16(m, sheet.merges[k].lastColumn);
                }
                AppendRecord(out, rt::MergeCells, m);
            }
            break;
        case Slot::None:
            if (item.record.type == rt::DefColWidth) defColWidthPos = out.size();
            AppendRecord(out, item.record.type, item.record.data);
            break;
        }
    }
    if (hasIndex) {
        std::size_t at = indexPos + 4;
        SetU32(out, at + 4, std::uint32_t(extent.firstRow));
        SetU32(out, at + 8, std::uint32_t(extent.lastRowPlus1));
        SetU32(out, at + 12, std::uint32_t(defColWidthPos));
        for (std::size_t k = 0; k < dbCells.size(); ++k) SetU32(out, at + 16 + 4 * k, dbCells[k]);
    }
}

// A sheet written unchanged except its INDEX, whose stream positions move with it.
void AppendKeptSheet(Bytes& out, const SheetInfo& sheet) {
    std::uint32_t delta = std::uint32_t(out.size()) - std::uint32_t(sheet.oldStart);
    bool indexPatched = false;
    for (const Record& r : sheet.records) {
        if (r.type == rt::Index && !indexPatched && r.data.size() >= 16 && r.data.size() % 4 == 0) {
            Bytes data = r.data;
            if (GetU32(data, 12) != 0) SetU32(data, 12, GetU32(data, 12) + delta);
            for (std::size_t at = 16; at < data.size(); at += 4) SetU32(data, at, GetU32(data, at) + delta);
            AppendRecord(out, r.type, data);
            indexPatched = true;
            continue;
        }
        AppendRecord(out, r.type, r.data);
    }
}

}  // namespace

Bytes SerializeWorkbookStream(Document& doc) {
    AssignSharedStrings(doc);
    Bytes out;
    out.reserve(1u << 20);

    std::vector<std::size_t> sheetOfRecord(doc.globals.size(), SIZE_MAX);
    for (std::size_t k = 0; k < doc.sheets.size(); ++k) sheetOfRecord[doc.sheets[k].boundSheetRecord] = k;
    std::vector<std::size_t> positionField(doc.sheets.size(), 0);

    for (std::size_t i = 0; i < doc.globals.size(); ++i) {
        if (i == doc.sstAt) WriteSst(out, doc.sst);
        const Record& r = doc.globals[i];
        if (sheetOfRecord[i] != SIZE_MAX) positionField[sheetOfRecord[i]] = out.size() + 4;
        AppendRecord(out, r.type, r.data);
    }
    for (std::size_t k = 0; k < doc.sheets.size(); ++k) {
        std::size_t start = out.size();
        SetU32(out, positionField[k], std::uint32_t(start));
        if (k == doc.active) AppendActiveSheet(out, doc.activeSheet);
        else AppendKeptSheet(out, doc.sheets[k]);
    }
    return out;
}

}  // namespace xls::detail
