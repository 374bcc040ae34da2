// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a BIFF8 workbook stream into a Document.
#include "records/xls/document.h"
#include "records/xls/number_text.h"

#include <algorithm>

namespace xls::detail {

namespace {

[[noreturn]] void Damaged(const char* what) {
    throw Error(std::string("The workbook is damaged: ") + what);
}

constexpr std::uint16_t kWorkbookGlobals = 0x0005;
constexpr std::uint16_t kWorksheet = 0x0010;

void CheckBof(const Record& bof, std::uint16_t expectedKind) {
    ByteReader in(bof.data);
    std::uint16_t version = in.U16();
    std::uint16_t kind = in.U16();
    if (version != 0x0600)
        throw Error("The workbook is in an old spreadsheet format; only the Excel 97-2003 format (BIFF8) is read.");
    if (kind != expectedKind) {
        if (expectedKind == kWorksheet) throw Error("The active sheet of the workbook is not a worksheet.");
        Damaged("its workbook globals are missing.");
    }
}

QString ErrorCodeText(std::uint8_t code) {
    switch (code) {
    case 0x00: return QStringLiteral("#NULL!");
    case 0x07: return QStringLiteral("#DIV/0!");
    case 0x0F: return QStringLiteral("#VALUE!");
    case 0x17: return QStringLiteral("#REF!");
    case 0x1D: return QStringLiteral("#NAME?");
    case 0x24: return QStringLiteral("#NUM!");
    case 0x2A: return QStringLiteral("#N/A");
    default: return QStringLiteral("#N/A");
    }
}

QString BoolErrText(std::uint8_t value, bool isError) {
    if (isError) return ErrorCodeText(value);
    return value ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

// A string stored after the 6-byte cell header (LABEL, RSTRING) or at the
// start of a STRING record, continued by any CONTINUE records given.
QString StringAt(const Record& r, std::size_t at, const std::vector<const Bytes*>& continues) {
    if (r.data.size() < at + 2) Damaged("a text cell is cut short.");
    Bytes tail(r.data.begin() + std::ptrdiff_t(at + 2), r.data.end());
    std::vector<const Bytes*> segs{&tail};
    segs.insert(segs.end(), continues.begin(), continues.end());
    SegmentReader in(segs);
    return ReadUnicodeString(in, GetU16(r.data, at));
}

bool FollowsFormula(std::uint16_t type) {
    return type == rt::String || type == rt::Array || type == rt::ShrFmla || type == rt::Table;
}

// Appends a record with its header to a cell's raw bytes.
void AppendRaw(std::string& raw, std::uint16_t type, const std::uint8_t* data, std::size_t size) {
    const char header[4] = {char(type & 0xFF), char(type >> 8), char(size & 0xFF), char(size >> 8)};
    raw.append(header, 4);
    raw.append(reinterpret_cast<const char*>(data), size);
}

class ActiveSheetParser {
public:
    ActiveSheetParser(Document& doc, const Bytes& stream) : doc_(doc), s_(doc.activeSheet), stream_(stream) {}

    void Parse(const std::vector<RecordRef>& records, std::size_t begin, std::size_t end) {
        CheckBof(Materialize(stream_, records[begin]), kWorksheet);
        int nested = 0;
        for (std::size_t j = begin; j < end; ++j) {
            const RecordRef& r = records[j];
            if (nested > 0 || (r.type == rt::Bof && j != begin)) {
                // An embedded chart: kept as it is.
                if (r.type == rt::Bof) ++nested;
                if (r.type == rt::Eof) --nested;
                Keep(r);
                continue;
            }
            if (IsCellRecord(r.type)) {
                std::size_t last = j;
                while (last + 1 < end && (FollowsFormula(records[last + 1].type) ||
                                          (records[last + 1].type == rt::Continue && records[last].type == rt::String)))
                    ++last;
                AddCell(records, j, last);
                j = last;
                continue;
            }
            switch (r.type) {
            case rt::Index: Place(Slot::Index); break;
            case rt::Dimensions: Place(Slot::Dimensions); break;
            case rt::DbCell: break;  // rebuilt when written
            case rt::Row: {
                PlaceCellTable();
                Record row = Materialize(stream_, r);
                int number = ByteReader(row.data).U16();
                s_.rows[number].rowRecord = std::move(row);
                break;
            }
            case rt::MergeCells: AddMerges(Materialize(stream_, r)); break;
            case rt::ColInfo: NoteColumnFormat(Materialize(stream_, r)); Keep(r); break;
            default: Keep(r); break;
            }
        }
        FinishSlots();
    }

private:
    void Keep(const RecordRef& r) { s_.items.push_back({Slot::None, Materialize(stream_, r)}); }
    bool HasSlot(Slot slot) const {
        return std::any_of(s_.items.begin(), s_.items.end(), [&](const SheetItem& i) { return i.slot == slot; });
    }
    void Place(Slot slot) {
        if (!HasSlot(slot)) s_.items.push_back({slot, {}});
    }
    void PlaceCellTable() {
        if (cellTablePlaced_) return;
        Place(Slot::Dimensions);
        Place(Slot::CellTable);
        cellTablePlaced_ = true;
    }

    void FinishSlots() {
        if (HasSlot(Slot::CellTable)) return;
        // No cells at all: the table goes after DIMENSIONS, or before the window settings.
        auto at = std::find_if(s_.items.begin(), s_.items.end(), [](const SheetItem& i) { return i.slot == Slot::Dimensions; });
        if (at != s_.items.end()) {
            s_.items.insert(at + 1, {Slot::CellTable, {}});
            return;
        }
        at = std::find_if(s_.items.begin(), s_.items.end(), [](const SheetItem& i) {
            return i.slot == Slot::None && (i.record.type == rt::Window2 || i.record.type == rt::Eof);
        });
        at = s_.items.insert(at, {Slot::CellTable, {}});
        s_.items.insert(at, {Slot::Dimensions, {}});
    }

    void NoteColumnFormat(const Record& r) {
        ByteReader in(r.data);
        int first = in.U16(), last = in.U16();
        in.U16();
        std::uint16_t xf = in.U16();
        if (first > last || last > kSheetColumns) return;  // Excel writes 256 as the last; ignore nonsense
        for (int c = first; c <= std::min(last, kSheetColumns - 1); ++c) s_.columnXf[c] = xf;
    }

    void AddMerges(const Record& r) {
        Place(Slot::MergeCells);
        ByteReader in(r.data);
        std::uint16_t count = in.U16();
        in.Need(std::size_t(count) * 8);
        for (unsigned i = 0; i < count; ++i) {
            MergedRange m;
            m.firstRow = in.U16();
            m.lastRow = in.U16();
            m.firstColumn = in.U16();
            m.lastColumn = in.U16();
            s_.merges.push_back(m);
        }
    }

    static std::uint16_t CheckedColumn(std::uint32_t column) {
        if (column >= std::uint32_t(kSheetColumns)) Damaged("a cell lies beyond the last column.");
        return std::uint16_t(column);
    }

    void AddCell(const std::vector<RecordRef>& records, std::size_t first, std::size_t last) {
        PlaceCellTable();
        const RecordRef& r = records[first];
        const std::uint8_t* data = r.Data(stream_);
        ByteReader in(data, r.size);
        int row = in.U16();
        std::uint16_t column = in.U16();
        Row& target = s_.rows[row];
        if (r.type == rt::MulRk || r.type == rt::MulBlank) {
            // Spread into single cells so each can be replaced on its own.
            std::size_t each = r.type == rt::MulRk ? 6 : 2;
            if (r.size < 6 || (r.size - 6u) % each != 0) Damaged("a row of cells is malformed.");
            std::size_t n = (r.size - 6u) / each;
            for (std::size_t k = 0; k < n; ++k) {
                Cell cell;
                cell.column = CheckedColumn(column + k);
                cell.xf = in.U16();
                cell.type = r.type == rt::MulRk ? rt::Rk : rt::Blank;
                Bytes single;
                PutU16(single, unsigned(row));
                PutU16(single, cell.column);
                PutU16(single, cell.xf);
                if (r.type == rt::MulRk) {
                    std::uint32_t rk = in.U32();
                    PutU32(single, rk);
                    cell.isNumber = true;
                    cell.number = DecodeRk(rk);
                    cell.text = GeneralNumberText(cell.number);
                }
                AppendRaw(cell.raw, cell.type, single.data(), single.size());
                target.Put(std::move(cell));
            }
            return;
        }
        Cell cell;
        cell.column = CheckedColumn(column);
        cell.xf = in.U16();
        cell.type = r.type;
        std::vector<Record> follow;
        for (std::size_t k = first + 1; k <= last; ++k) follow.push_back(Materialize(stream_, records[k]));
        cell.text = CellRecordText(r.type, ByteReader(data, r.size), follow, doc_.sst);
        NoteNumber(cell, ByteReader(data, r.size));
        if (r.type == rt::LabelSst) ++s_.sharedStringRefsAtLoad;
        for (std::size_t k = first; k <= last; ++k) AppendRaw(cell.raw, records[k].type, records[k].Data(stream_), records[k].size);
        target.Put(std::move(cell));
    }

    // The number of a number cell (or a formula's number result), which its
    // format may show as a date or time.
    static void NoteNumber(Cell& cell, ByteReader in) {
        in.Skip(6);
        if (cell.type == rt::Number) {
            cell.number = in.F64();
        } else if (cell.type == rt::Rk) {
            cell.number = DecodeRk(in.U32());
        } else if (cell.type == rt::Formula) {
            const std::uint8_t* v = in.Take(8);
            if (v[6] == 0xFF && v[7] == 0xFF) return;
            cell.number = ByteReader(v, 8).F64();
        } else {
            return;
        }
        cell.isNumber = true;
    }

    Document& doc_;
    ActiveSheet& s_;
    const Bytes& stream_;
    bool cellTablePlaced_ = false;
};

}  // namespace

QString CellRecordText(std::uint16_t type, ByteReader in, const std::vector<Record>& follow, const SharedStrings& sst) {
    in.Skip(6);
    switch (type) {
    case rt::LabelSst: {
        std::uint32_t index = in.U32();
        if (index >= sst.entries.size()) Damaged("a cell refers to a missing shared text.");
        return sst.entries[index].text;
    }
    case rt::Label:
    case rt::RString: {
        Record label;
        std::size_t n = in.Remaining();
        const std::uint8_t* text = in.Take(n);
        label.data.assign(text, text + n);
        return StringAt(label, 0, {});
    }
    case rt::Number: return GeneralNumberText(in.F64());
    case rt::Rk: return GeneralNumberText(DecodeRk(in.U32()));
    case rt::BoolErr: {
        std::uint8_t value = in.U8();
        return BoolErrText(value, in.U8() != 0);
    }
    case rt::Formula: {
        const std::uint8_t* v = in.Take(8);
        if (v[6] != 0xFF || v[7] != 0xFF) {
            ByteReader number(v, 8);
            return GeneralNumberText(number.F64());
        }
        switch (v[0]) {
        case 0: {  // a text result, stored in the STRING record that follows
            for (std::size_t i = 0; i < follow.size(); ++i) {
                if (follow[i].type != rt::String) continue;
                std::vector<const Bytes*> continues;
                for (std::size_t k = i + 1; k < follow.size() && follow[k].type == rt::Continue; ++k)
                    continues.push_back(&follow[k].data);
                return StringAt(follow[i], 0, continues);
            }
            return QString();
        }
        case 1: return BoolErrText(v[2], false);
        case 2: return BoolErrText(v[2], true);
        default: return QString();
        }
    }
    default: return QString();  // BLANK
    }
}

Document ParseWorkbookStream(const Bytes& stream) {
    std::vector<RecordRef> records = IndexRecords(stream);
    if (records.empty() || records[0].type != rt::Bof)
        throw Error("The file holds no spreadsheet workbook.");
    CheckBof(Materialize(stream, records[0]), kWorkbookGlobals);

    Document doc;
    std::vector<Record> sstRecords;
    std::size_t itabCur = 0;
    bool sawEof = false;
    std::size_t i = 0;
    for (; i < records.size() && !sawEof; ++i) {
        Record r = Materialize(stream, records[i]);
        if (r.type == rt::Sst) {
            doc.sstAt = doc.globals.size();
            sstRecords.push_back(std::move(r));
            while (i + 1 < records.size() && records[i + 1].type == rt::Continue)
                sstRecords.push_back(Materialize(stream, records[++i]));
            continue;
        }
        if (r.type == rt::ExtSst) continue;  // rebuilt when written
        if (r.type == rt::BoundSheet) {
            ByteReader in(r.data);
            SheetInfo sheet;
            sheet.oldStart = in.U32();
            in.U8();
            in.U8();
            sheet.name = ReadShortString(in);
            sheet.boundSheetRecord = doc.globals.size();
            doc.sheets.push_back(std::move(sheet));
        }
        if (r.type == rt::Window1 && r.data.size() >= 12) itabCur = GetU16(r.data, 10);
        if (r.type == rt::Xf) doc.xfFormat.push_back(r.data.size() >= 4 ? GetU16(r.data, 2) : 0);
        if (r.type == rt::DateMode && r.data.size() >= 2) doc.dates1904 = GetU16(r.data, 0) != 0;
        if (r.type == rt::Format && r.data.size() >= 5) {
            Bytes tail(r.data.begin() + 4, r.data.end());
            std::vector<const Bytes*> segs{&tail};
            SegmentReader in(segs);
            doc.formats[GetU16(r.data, 0)] = ReadUnicodeString(in, GetU16(r.data, 2));
        }
        sawEof = r.type == rt::Eof;
        doc.globals.push_back(std::move(r));
    }
    if (!sawEof) Damaged("its workbook globals have no end.");
    if (sstRecords.empty()) {
        doc.sstAt = doc.globals.size() - 1;
    } else {
        std::vector<const Bytes*> segments;
        for (const Record& r : sstRecords) segments.push_back(&r.data);
        doc.sst = ParseSst(segments);
    }
    if (doc.sheets.empty()) throw Error("The workbook has no sheets.");
    doc.active = itabCur < doc.sheets.size() ? itabCur : 0;

    for (std::size_t k = 0; k < doc.sheets.size(); ++k) {
        SheetInfo& sheet = doc.sheets[k];
        auto at = std::lower_bound(records.begin() + std::ptrdiff_t(i), records.end(), sheet.oldStart,
                                   [](const RecordRef& r, std::size_t pos) { return r.offset < pos; });
        if (at == records.end() || at->offset != sheet.oldStart || at->type != rt::Bof)
            Damaged("a sheet is not where the workbook says it is.");
        std::size_t begin = std::size_t(at - records.begin());
        std::size_t end = begin;
        int depth = 0;
        do {
            if (end >= records.size()) Damaged("a sheet has no end.");
            if (records[end].type == rt::Bof) ++depth;
            if (records[end].type == rt::Eof) --depth;
            ++end;
        } while (depth > 0);
        if (k == doc.active) {
            if (!doc.activeSheet.items.empty()) Damaged("two sheets share one place.");
            ActiveSheetParser(doc, stream).Parse(records, begin, end);
        } else {
            for (std::size_t j = begin; j < end; ++j) sheet.records.push_back(Materialize(stream, records[j]));
        }
    }
    return doc;
}

Cell* Row::Find(std::uint16_t column) {
    auto at = std::lower_bound(cells.begin(), cells.end(), column, [](const Cell& c, std::uint16_t col) { return c.column < col; });
    return at != cells.end() && at->column == column ? &*at : nullptr;
}

Cell& Row::Put(Cell cell) {
    // Rows mostly hold a handful of cells: one allocation instead of several.
    if (cells.capacity() == 0) cells.reserve(6);
    auto at = std::lower_bound(cells.begin(), cells.end(), cell.column, [](const Cell& c, std::uint16_t col) { return c.column < col; });
    if (at != cells.end() && at->column == cell.column) {
        *at = std::move(cell);
        return *at;
    }
    return *cells.insert(at, std::move(cell));
}

int ActiveSheet::UsedRowCount() const {
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        if (!it->second.cells.empty()) return it->first + 1;
    return 0;
}

}  // namespace xls::detail
