// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The OLE2 compound file that holds a workbook's streams, read and written
// through libgsf. Kept free of Qt so the GLib headers meet no Qt macros.
#include "records/xls/byte_io.h"

#include <array>
#include <string>
#include <vector>

namespace xls::detail {

struct StorageEntry {
    std::string name;
    bool isStorage = false;
    Bytes data;                          // a stream's bytes
    std::vector<StorageEntry> children;  // a storage's entries, in file order
};

struct CompoundFile {
    std::array<std::uint8_t, 16> classId{};
    std::vector<StorageEntry> entries;  // the root storage's entries

    StorageEntry* FindStream(const std::string& name);
};

// Streams larger than this are refused rather than read into memory.
inline constexpr std::size_t MaxStreamBytes = 256u << 20;

// `path` is in the file system's encoding. Throws Error.
CompoundFile ReadCompoundFile(const std::string& path);

// Builds the compound file in memory. Throws Error.
Bytes WriteCompoundFile(const CompoundFile& file);

}  // namespace xls::detail
