// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Little-endian reading and writing of record fields. Reading is bounded: any
// read past the end of the data throws, so a short or corrupted record can
// never make the engine read outside its buffer.
#include "records/xls/error.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace xls::detail {

using Bytes = std::vector<std::uint8_t>;

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    explicit ByteReader(const Bytes& bytes) : ByteReader(bytes.data(), bytes.size()) {}

    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return size_ - pos_; }

    void Need(std::size_t n) const {
        if (n > size_ - pos_) throw Error("The workbook is damaged: a record is shorter than its contents.");
    }
    void Skip(std::size_t n) { Need(n); pos_ += n; }
    std::uint8_t U8() { Need(1); return data_[pos_++]; }
    std::uint16_t U16() {
        Need(2);
        std::uint16_t v = std::uint16_t(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    std::uint32_t U32() {
        std::uint32_t lo = U16();
        std::uint32_t hi = U16();
        return lo | (hi << 16);
    }
    double F64() {
        Need(8);
        std::uint64_t bits = 0;
        for (int i = 7; i >= 0; --i) bits = (bits << 8) | data_[pos_ + std::size_t(i)];
        pos_ += 8;
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    const std::uint8_t* Take(std::size_t n) {
        Need(n);
        const std::uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

inline void PutU8(Bytes& out, unsigned v) { out.push_back(std::uint8_t(v)); }
inline void PutU16(Bytes& out, unsigned v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
inline void PutU32(Bytes& out, std::uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}
inline void SetU16(Bytes& out, std::size_t at, unsigned v) {
    out[at] = std::uint8_t(v);
    out[at + 1] = std::uint8_t(v >> 8);
}
inline void SetU32(Bytes& out, std::size_t at, std::uint32_t v) {
    SetU16(out, at, v & 0xFFFF);
    SetU16(out, at + 2, v >> 16);
}
inline std::uint16_t GetU16(const Bytes& b, std::size_t at) {
    return std::uint16_t(b[at] | (b[at + 1] << 8));
}
inline std::uint32_t GetU32(const Bytes& b, std::size_t at) {
    return std::uint32_t(GetU16(b, at)) | (std::uint32_t(GetU16(b, at + 2)) << 16);
}

}  // namespace xls::detail
