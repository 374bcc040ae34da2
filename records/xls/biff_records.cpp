// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/xls/biff_records.h"

#include <algorithm>

namespace xls::detail {

std::vector<RecordRef> IndexRecords(const Bytes& stream) {
    if (stream.size() > 0xFFFFFFF0u) throw Error("The workbook stream is too large.");
    std::vector<RecordRef> records;
    // Each record takes at least its 4-byte header, which bounds the count.
    records.reserve(std::min<std::size_t>(stream.size() / 4, 1u << 20));
    // Streams may be padded with zeros up to their allocation size; nothing
    // after the last non-zero byte is a record.
    std::size_t end = stream.size();
    while (end > 0 && stream[end - 1] == 0) --end;
    std::size_t pos = 0;
    while (pos + 4 <= stream.size() && pos < end) {
        std::uint16_t type = GetU16(stream, pos);
        std::uint16_t size = GetU16(stream, pos + 2);
        if (pos + 4 + size > stream.size())
            throw Error("The workbook is damaged: its last record is cut short.");
        records.push_back({type, size, std::uint32_t(pos)});
        pos += 4 + size;
    }
    return records;
}

Record Materialize(const Bytes& stream, const RecordRef& ref) {
    Record r;
    r.type = ref.type;
    r.offset = ref.offset;
    r.data.assign(ref.Data(stream), ref.Data(stream) + ref.size);
    return r;
}

std::vector<Record> SplitRecords(const Bytes& stream) {
    std::vector<Record> records;
    for (const RecordRef& ref : IndexRecords(stream)) records.push_back(Materialize(stream, ref));
    return records;
}

void AppendRecord(Bytes& out, std::uint16_t type, const Bytes& data) {
    std::size_t done = 0;
    do {
        std::size_t n = std::min(MaxRecordData, data.size() - done);
        PutU16(out, done == 0 ? type : rt::Continue);
        PutU16(out, unsigned(n));
        out.insert(out.end(), data.begin() + std::ptrdiff_t(done), data.begin() + std::ptrdiff_t(done + n));
        done += n;
    } while (done < data.size());
}

bool IsCellRecord(std::uint16_t type) {
    switch (type) {
    case rt::LabelSst: case rt::Label: case rt::RString: case rt::Number: case rt::Rk:
    case rt::MulRk: case rt::BoolErr: case rt::Formula: case rt::Blank: case rt::MulBlank:
        return true;
    default:
        return false;
    }
}

}  // namespace xls::detail
