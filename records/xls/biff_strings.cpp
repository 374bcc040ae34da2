// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/xls/biff_strings.h"

#include <algorithm>

namespace xls::detail {

namespace {
constexpr std::uint8_t kWide = 0x01;
constexpr std::uint8_t kExt = 0x04;
constexpr std::uint8_t kRich = 0x08;

[[noreturn]] void Damaged() {
    throw Error("The workbook is damaged: a text runs past the end of its record.");
}
}  // namespace

SegmentReader::SegmentReader(std::vector<const Bytes*> segments) : segs_(std::move(segments)) {}

void SegmentReader::NextSegmentIfDone() {
    while (seg_ < segs_.size() && pos_ >= segs_[seg_]->size()) {
        ++seg_;
        pos_ = 0;
    }
}

bool SegmentReader::AtEnd() {
    NextSegmentIfDone();
    return seg_ >= segs_.size();
}

std::size_t SegmentReader::TotalRemaining() const {
    std::size_t n = 0;
    for (std::size_t i = seg_; i < segs_.size(); ++i) n += segs_[i]->size() - (i == seg_ ? pos_ : 0);
    return n;
}

std::uint8_t SegmentReader::U8() {
    NextSegmentIfDone();
    if (seg_ >= segs_.size()) Damaged();
    return (*segs_[seg_])[pos_++];
}

std::uint16_t SegmentReader::U16() {
    std::uint16_t lo = U8();
    return std::uint16_t(lo | (U8() << 8));
}

std::uint32_t SegmentReader::U32() {
    std::uint32_t lo = U16();
    return lo | (std::uint32_t(U16()) << 16);
}

void SegmentReader::ReadBytes(std::size_t n, Bytes* into) {
    if (n > TotalRemaining()) Damaged();
    while (n > 0) {
        NextSegmentIfDone();
        const Bytes& s = *segs_[seg_];
        std::size_t take = std::min(n, s.size() - pos_);
        if (into) into->insert(into->end(), s.begin() + std::ptrdiff_t(pos_), s.begin() + std::ptrdiff_t(pos_ + take));
        pos_ += take;
        n -= take;
    }
}

QString SegmentReader::ReadChars(std::size_t cch, bool wide) {
    // Every character takes at least one byte: a count beyond the bytes left is damage.
    if (cch > TotalRemaining()) Damaged();
    QString text;
    text.reserve(qsizetype(cch));
    while (cch > 0) {
        if (seg_ >= segs_.size()) Damaged();
        if (pos_ >= segs_[seg_]->size()) {
            // The characters continue in the next record, which repeats the option byte.
            ++seg_;
            pos_ = 0;
            if (seg_ >= segs_.size() || segs_[seg_]->empty()) Damaged();
            wide = ((*segs_[seg_])[pos_++] & kWide) != 0;
            continue;
        }
        const Bytes& s = *segs_[seg_];
        if (wide) {
            if (pos_ + 2 > s.size()) Damaged();  // a character is never split
            text.append(QChar(char16_t(s[pos_] | (s[pos_ + 1] << 8))));
            pos_ += 2;
        } else {
            text.append(QChar(char16_t(s[pos_])));
            pos_ += 1;
        }
        --cch;
    }
    return text;
}

QString ReadUnicodeString(SegmentReader& in, std::size_t cch) {
    std::uint8_t flags = in.U8();
    std::uint16_t runs = (flags & kRich) ? in.U16() : 0;
    std::uint32_t ext = (flags & kExt) ? in.U32() : 0;
    QString text = in.ReadChars(cch, flags & kWide);
    in.ReadBytes(std::size_t(runs) * 4, nullptr);
    in.ReadBytes(ext, nullptr);
    return text;
}

SharedStrings ParseSst(const std::vector<const Bytes*>& segments) {
    SegmentReader in(segments);
    SharedStrings sst;
    sst.totalRefs = in.U32();
    std::uint32_t unique = in.U32();
    // Each string takes at least three bytes; a larger count is damage, not a reason to allocate.
    if (unique > in.TotalRemaining() / 3 + 1)
        throw Error("The workbook is damaged: its string table counts more strings than it holds.");
    sst.entries.reserve(unique);
    for (std::uint32_t i = 0; i < unique; ++i) {
        if (in.AtEnd()) break;  // some writers count more than they store
        std::uint16_t cch = in.U16();
        std::uint8_t flags = in.U8();
        std::uint16_t runs = (flags & kRich) ? in.U16() : 0;
        std::uint32_t ext = (flags & kExt) ? in.U32() : 0;
        SstEntry e;
        e.text = in.ReadChars(cch, flags & kWide);
        in.ReadBytes(std::size_t(runs) * 4, &e.runs);
        in.ReadBytes(ext, &e.ext);
        sst.entries.push_back(std::move(e));
    }
    return sst;
}

bool FitsInOneByte(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

namespace {

// Lays out SST data over records of at most MaxRecordData bytes.
class SstLayout {
public:
    explicit SstLayout(Bytes& out) : out_(out) {}

    void Begin(const SharedStrings& sst) {
        StartRecord(rt::Sst);
        PutU32(out_, sst.totalRefs);
        PutU32(out_, std::uint32_t(sst.entries.size()));
    }
    std::size_t Room() const { return MaxRecordData - (out_.size() - dataStart_); }
    void StartRecord(std::uint16_t type) {
        Finish();
        recordStart_ = out_.size();
        PutU16(out_, type);
        PutU16(out_, 0);
        dataStart_ = out_.size();
    }
    void Finish() {
        if (dataStart_ != 0) SetU16(out_, recordStart_ + 2, unsigned(out_.size() - dataStart_));
    }
    // Stream position and offset within its record where the next byte goes.
    std::size_t StreamPos() const { return out_.size(); }
    std::size_t OffsetInRecord() const { return out_.size() - recordStart_; }

    void PutString(const SstEntry& e) {
        bool wide = !FitsInOneByte(e.text);
        std::size_t charSize = wide ? 2 : 1;
        std::size_t header = 3 + (e.runs.empty() ? 0 : 2) + (e.ext.empty() ? 0 : 4);
        // The header and the first character stay together in one record.
        if (Room() < header + (e.text.isEmpty() ? 0 : charSize)) StartRecord(rt::Continue);
        positions.push_back({StreamPos(), OffsetInRecord()});
        PutU16(out_, unsigned(e.text.size()));
        PutU8(out_, (wide ? kWide : 0) | (e.runs.empty() ? 0 : kRich) | (e.ext.empty() ? 0 : kExt));
        if (!e.runs.empty()) PutU16(out_, unsigned(e.runs.size() / 4));
        if (!e.ext.empty()) PutU32(out_, std::uint32_t(e.ext.size()));
        for (QChar c : e.text) {
            if (Room() < charSize) {
                StartRecord(rt::Continue);
                PutU8(out_, wide ? kWide : 0);  // the option byte is repeated
            }
            if (wide) PutU16(out_, c.unicode());
            else PutU8(out_, c.unicode());
        }
        for (std::size_t i = 0; i < e.runs.size(); i += 4) {
            if (Room() < 4) StartRecord(rt::Continue);  // a run is never split
            out_.insert(out_.end(), e.runs.begin() + std::ptrdiff_t(i), e.runs.begin() + std::ptrdiff_t(i + 4));
        }
        for (std::uint8_t b : e.ext) {
            if (Room() < 1) StartRecord(rt::Continue);
            out_.push_back(b);
        }
    }

    struct Position { std::size_t stream; std::size_t inRecord; };
    std::vector<Position> positions;

private:
    Bytes& out_;
    std::size_t recordStart_ = 0;
    std::size_t dataStart_ = 0;
};

}  // namespace

void WriteSst(Bytes& out, const SharedStrings& sst) {
    SstLayout layout(out);
    layout.Begin(sst);
    for (const SstEntry& e : sst.entries) layout.PutString(e);
    layout.Finish();

    // EXTSST: every dsst-th string's stream position, so readers can seek.
    std::size_t count = sst.entries.size();
    std::size_t perBucket = std::max<std::size_t>(8, (count + 127) / 128);
    Bytes ext;
    PutU16(ext, unsigned(perBucket));
    for (std::size_t i = 0; i < count; i += perBucket) {
        PutU32(ext, std::uint32_t(layout.positions[i].stream));
        PutU16(ext, unsigned(layout.positions[i].inRecord));
        PutU16(ext, 0);
    }
    AppendRecord(out, rt::ExtSst, ext);
}

QString ReadShortString(ByteReader& in) {
    std::uint8_t cch = in.U8();
    std::uint8_t flags = in.U8();
    QString text;
    for (unsigned i = 0; i < cch; ++i) text.append(QChar(char16_t((flags & kWide) ? in.U16() : in.U8())));
    return text;
}

void PutShortString(Bytes& out, const QString& text) {
    QString t = text.left(255);
    bool wide = !FitsInOneByte(t);
    PutU8(out, unsigned(t.size()));
    PutU8(out, wide ? kWide : 0);
    for (QChar c : t) wide ? PutU16(out, c.unicode()) : PutU8(out, c.unicode());
}

void PutUnicodeString(Bytes& out, const QString& text) {
    bool wide = !FitsInOneByte(text);
    PutU16(out, unsigned(text.size()));
    PutU8(out, wide ? kWide : 0);
    for (QChar c : text) wide ? PutU16(out, c.unicode()) : PutU8(out, c.unicode());
}

}  // namespace xls::detail
