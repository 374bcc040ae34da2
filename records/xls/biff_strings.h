// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// BIFF8 text: Unicode strings whose characters are stored either "compressed"
// (one byte each, the low byte of UTF-16) or as UTF-16LE, possibly split over
// CONTINUE records; and the shared string table (SST) with its index (EXTSST).
#include "records/xls/biff_records.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace xls::detail {

// Reads across the data of a record and its CONTINUE records as one run of
// bytes, except that characters of a string split at a record boundary are
// preceded in the next record by a fresh option byte (8- or 16-bit).
class SegmentReader {
public:
    explicit SegmentReader(std::vector<const Bytes*> segments);

    bool AtEnd();
    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();
    void ReadBytes(std::size_t n, Bytes* into);  // into may be null: skip
    // cch characters, 16-bit if wide; a boundary inside re-reads the option byte.
    QString ReadChars(std::size_t cch, bool wide);
    std::size_t TotalRemaining() const;

private:
    void NextSegmentIfDone();
    std::vector<const Bytes*> segs_;
    std::size_t seg_ = 0;
    std::size_t pos_ = 0;
};

struct SstEntry {
    QString text;
    Bytes runs;  // formatting runs, 4 bytes each, kept as they were
    Bytes ext;   // extended (phonetic) data, kept as it was
};

// The option byte followed by characters, as in LABEL, STRING and SST.
QString ReadUnicodeString(SegmentReader& in, std::size_t cch);

// SST body: total references, unique count, then the strings.
struct SharedStrings {
    std::uint32_t totalRefs = 0;
    std::vector<SstEntry> entries;
};
SharedStrings ParseSst(const std::vector<const Bytes*>& segments);

// Appends SST (+ CONTINUE) and EXTSST to the stream being written; `out` is
// the whole stream so far, so out.size() is the stream position.
void WriteSst(Bytes& out, const SharedStrings& sst);

// A ShortXLUnicodeString (8-bit count), as in BOUNDSHEET and FONT.
QString ReadShortString(ByteReader& in);
void PutShortString(Bytes& out, const QString& text);
// An XLUnicodeString (16-bit count) in one record.
void PutUnicodeString(Bytes& out, const QString& text);

bool FitsInOneByte(const QString& text);

}  // namespace xls::detail
