// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// BIFF8 records: the type numbers the engine knows, the split of a workbook
// stream into records and the writing of records (with CONTINUE for data
// longer than one record may hold).
#include "records/xls/byte_io.h"

#include <cstdint>
#include <vector>

namespace xls::detail {

namespace rt {
inline constexpr std::uint16_t Formula = 0x0006;
inline constexpr std::uint16_t Eof = 0x000A;
inline constexpr std::uint16_t Selection = 0x001D;
inline constexpr std::uint16_t DateMode = 0x0022;
inline constexpr std::uint16_t Font = 0x0031;
inline constexpr std::uint16_t Continue = 0x003C;
inline constexpr std::uint16_t Window1 = 0x003D;
inline constexpr std::uint16_t Pane = 0x0041;
inline constexpr std::uint16_t Codepage = 0x0042;
inline constexpr std::uint16_t DefColWidth = 0x0055;
inline constexpr std::uint16_t ColInfo = 0x007D;
inline constexpr std::uint16_t BoundSheet = 0x0085;
inline constexpr std::uint16_t MulRk = 0x00BD;
inline constexpr std::uint16_t MulBlank = 0x00BE;
inline constexpr std::uint16_t RString = 0x00D6;
inline constexpr std::uint16_t DbCell = 0x00D7;
inline constexpr std::uint16_t Xf = 0x00E0;
inline constexpr std::uint16_t MergeCells = 0x00E5;
inline constexpr std::uint16_t Sst = 0x00FC;
inline constexpr std::uint16_t LabelSst = 0x00FD;
inline constexpr std::uint16_t ExtSst = 0x00FF;
inline constexpr std::uint16_t Dimensions = 0x0200;
inline constexpr std::uint16_t Blank = 0x0201;
inline constexpr std::uint16_t Number = 0x0203;
inline constexpr std::uint16_t Label = 0x0204;
inline constexpr std::uint16_t BoolErr = 0x0205;
inline constexpr std::uint16_t String = 0x0207;
inline constexpr std::uint16_t Row = 0x0208;
inline constexpr std::uint16_t Index = 0x020B;
inline constexpr std::uint16_t Array = 0x0221;
inline constexpr std::uint16_t Table = 0x0236;
inline constexpr std::uint16_t Window2 = 0x023E;
inline constexpr std::uint16_t Rk = 0x027E;
inline constexpr std::uint16_t Style = 0x0293;
inline constexpr std::uint16_t Format = 0x041E;
inline constexpr std::uint16_t ShrFmla = 0x04BC;
inline constexpr std::uint16_t Bof = 0x0809;
}  // namespace rt

// The most data one record may carry; longer data continues in CONTINUE records.
inline constexpr std::size_t MaxRecordData = 8224;

struct Record {
    std::uint16_t type = 0;
    Bytes data;
    std::size_t offset = 0;  // where the record began in the stream it was read from
};

// A record in place in its stream: no copy of its data.
struct RecordRef {
    std::uint16_t type = 0;
    std::uint16_t size = 0;
    std::uint32_t offset = 0;  // of the record header in the stream

    const std::uint8_t* Data(const Bytes& stream) const { return stream.data() + offset + 4; }
};

// Finds the records of a workbook stream. Throws Error if a record runs past
// the end of the stream. Trailing padding (zero bytes) is ignored.
std::vector<RecordRef> IndexRecords(const Bytes& stream);
Record Materialize(const Bytes& stream, const RecordRef& ref);
// The same with copies of the records' data.
std::vector<Record> SplitRecords(const Bytes& stream);

// Appends one record; data longer than MaxRecordData is split into CONTINUE
// records at plain byte boundaries (only right for records without strings).
void AppendRecord(Bytes& out, std::uint16_t type, const Bytes& data);

bool IsCellRecord(std::uint16_t type);

}  // namespace xls::detail
