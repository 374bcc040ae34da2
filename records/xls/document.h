// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The engine's in-memory picture of a workbook stream: globals and other
// sheets as raw records (written back unchanged), the active sheet split
// into its non-cell records and its cell table, which can be edited.
#include "records/xls/biff_strings.h"
#include "records/xls/compound_file.h"

#include <QString>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace xls::detail {

inline constexpr int kSheetRows = 65536;
inline constexpr int kSheetColumns = 256;
inline constexpr std::uint16_t kDefaultCellXf = 15;

struct Cell {
    std::uint16_t column = 0;
    std::uint16_t type = 0;       // of the record as read
    std::string raw;              // as read: the cell record and its follow-ons (STRING, ARRAY, ...), headers included
    bool fresh = false;           // written by the program: stored as a shared string (or BLANK if empty)
    QString text;                 // what the cell shows
    std::uint16_t xf = kDefaultCellXf;
    std::uint32_t sstIndex = 0;   // assigned while saving
    bool isNumber = false;        // a number (or a formula's number result)
    double number = 0;
};

struct Row {
    std::optional<Record> rowRecord;
    std::vector<Cell> cells;  // ordered by column

    Cell* Find(std::uint16_t column);
    Cell& Put(Cell cell);  // inserts or replaces by column
};

struct MergedRange {
    std::uint16_t firstRow, lastRow, firstColumn, lastColumn;
};

// Where in the active sheet's record sequence the rebuilt parts go.
enum class Slot { None, Index, Dimensions, CellTable, MergeCells };

struct SheetItem {
    Slot slot = Slot::None;
    Record record;  // for Slot::None
};

struct ActiveSheet {
    std::vector<SheetItem> items;          // BOF .. EOF
    std::map<int, Row> rows;               // 0-based row number
    std::vector<MergedRange> merges;
    std::map<int, std::uint16_t> columnXf; // formats of whole columns (COLINFO)
    std::uint32_t sharedStringRefsAtLoad = 0;

    int UsedRowCount() const;
};

struct SheetInfo {
    QString name;
    std::size_t boundSheetRecord = 0;  // index in Document::globals
    std::vector<Record> records;       // a sheet other than the active one, BOF .. EOF
    std::size_t oldStart = 0;          // its stream position when read
};

struct Document {
    CompoundFile container;  // every stream of the file; the workbook stream is rebuilt on save
    std::string streamName = "Workbook";
    std::vector<Record> globals;  // BOF .. EOF without SST, its CONTINUEs and EXTSST
    std::size_t sstAt = 0;        // index in globals before which SST is written
    SharedStrings sst;
    std::vector<SheetInfo> sheets;  // in BOUNDSHEET order
    std::size_t active = 0;
    ActiveSheet activeSheet;
    std::map<std::uint16_t, QString> formats;  // FORMAT records: number -> format text
    std::vector<std::uint16_t> xfFormat;       // the format number of every XF, in XF order
    bool dates1904 = false;                    // DATEMODE: days counted from 1904-01-01
    std::map<std::pair<std::uint16_t, QString>, std::uint16_t> derivedXfs;  // DerivedXf's answers
};

// The format text of an XF (a built-in one when the file leaves it out).
QString FormatOfXf(const Document& doc, std::uint16_t xf);
// The XF to give a new number cell: `base` with `format` as its number
// format, added to the globals (with a FORMAT record) when the workbook has
// none such yet. Throws Error when the workbook holds no more formats.
std::uint16_t DerivedXf(Document& doc, std::uint16_t base, const QString& format);

// Parses a workbook stream. Throws Error.
Document ParseWorkbookStream(const Bytes& stream);
// Writes the document as a workbook stream (assigns shared strings to new cells).
Bytes SerializeWorkbookStream(Document& doc);

// The text a cell record shows; `follow` are the records after a FORMULA.
QString CellRecordText(std::uint16_t type, ByteReader data, const std::vector<Record>& follow, const SharedStrings& sst);

}  // namespace xls::detail
