// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/xls/compound_file.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace xls::detail {

namespace {

void InitGsf() {
    static std::once_flag once;
    std::call_once(once, [] { gsf_init(); });
}

struct Unref {
    void operator()(void* object) const { if (object) g_object_unref(object); }
};
template <class T> using GPtr = std::unique_ptr<T, Unref>;

std::string TakeMessage(GError* err, const char* fallback) {
    std::string text = err && err->message ? err->message : fallback;
    if (err) g_error_free(err);
    return text;
}

constexpr int kMaxDepth = 16;
constexpr std::size_t kMaxTotalBytes = 512u << 20;

void ReadStorage(GsfInfile* storage, std::vector<StorageEntry>& into, int depth, std::size_t& total) {
    if (depth > kMaxDepth) throw Error("The workbook file is damaged: its storages nest too deep.");
    int n = gsf_infile_num_children(storage);
    for (int i = 0; i < n; ++i) {
        GPtr<GsfInput> child(gsf_infile_child_by_index(storage, i));
        if (!child) throw Error("The workbook file is damaged: one of its streams cannot be opened.");
        StorageEntry entry;
        const char* name = gsf_infile_name_by_index(storage, i);
        entry.name = name ? name : "";
        if (GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0) {
            entry.isStorage = true;
            ReadStorage(GSF_INFILE(child.get()), entry.children, depth + 1, total);
        } else {
            gsf_off_t size = gsf_input_size(child.get());
            if (size < 0 || std::size_t(size) > MaxStreamBytes || total + std::size_t(size) > kMaxTotalBytes)
                throw Error("The workbook file is too large or damaged.");
            total += std::size_t(size);
            entry.data.resize(std::size_t(size));
            if (size > 0 && !gsf_input_read(child.get(), std::size_t(size), entry.data.data()))
                throw Error("The workbook file is damaged: a stream cannot be read to its end.");
        }
        into.push_back(std::move(entry));
    }
}

void WriteEntries(GsfOutfile* storage, const std::vector<StorageEntry>& entries) {
    for (const StorageEntry& e : entries) {
        GPtr<GsfOutput> child(gsf_outfile_new_child(storage, e.name.c_str(), e.isStorage));
        if (!child) throw Error("The workbook cannot be written: a stream cannot be created.");
        if (e.isStorage) {
            WriteEntries(GSF_OUTFILE(child.get()), e.children);
        } else if (!e.data.empty() && !gsf_output_write(child.get(), e.data.size(), e.data.data())) {
            throw Error("The workbook cannot be written: a stream cannot be filled.");
        }
        if (!gsf_output_close(child.get())) throw Error("The workbook cannot be written: a stream cannot be closed.");
    }
}

// Reads compound file sectors for the layout check below.
class SectorFile {
public:
    explicit SectorFile(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
        if (!file_) throw Error("The workbook file cannot be opened.");
        std::fseek(file_.get(), 0, SEEK_END);
        size_ = std::ftell(file_.get());
    }
    long Size() const { return size_; }
    Bytes Read(long offset, std::size_t n) {
        Bytes data(n);
        if (offset < 0 || offset + long(n) > size_ || std::fseek(file_.get(), offset, SEEK_SET) != 0 ||
            std::fread(data.data(), 1, n, file_.get()) != n)
            throw Error("The workbook file is damaged: it is cut short.");
        return data;
    }

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    long size_ = 0;
};

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint32_t kFirstSpecial = 0xFFFFFFFA;

[[noreturn]] void BadLayout(const char* what) {
    throw Error(std::string("The workbook file is damaged: ") + what);
}

// Checks every sector number the compound file's header, sector tables and
// directory give before libgsf sees them: libgsf asserts (and prints) on a
// block number past the file's end instead of failing quietly.
void CheckLayout(const std::string& path) {
    SectorFile file(path);
    static const std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    // Not a compound file at all: libgsf says so without complaint.
    if (file.Size() < 8 || std::memcmp(file.Read(0, 8).data(), kSignature, 8) != 0) return;
    if (file.Size() < 512) BadLayout("it is too short for a compound file.");
    const Bytes header = file.Read(0, 512);
    const unsigned shift = GetU16(header, 0x1E);
    if ((shift != 9 && shift != 12) || GetU16(header, 0x20) != 6) BadLayout("its sector sizes are invalid.");
    const long sectorSize = 1L << shift;
    if (file.Size() < sectorSize) BadLayout("it is too short for its sector size.");
    // Sector i begins at (i + 1) * sectorSize.
    const std::uint32_t sectors = std::uint32_t((file.Size() - sectorSize) / sectorSize);
    auto inFile = [&](std::uint32_t s) { return s < sectors; };
    auto sectorAt = [&](std::uint32_t s) { return file.Read((long(s) + 1) * sectorSize, std::size_t(sectorSize)); };
    const std::size_t perSector = std::size_t(sectorSize / 4);

    // The sector table's own sectors: 109 in the header, the rest in a chain.
    const std::uint32_t fatSectors = GetU32(header, 0x2C);
    if (fatSectors > sectors) BadLayout("its sector table is larger than the file.");
    std::vector<std::uint32_t> fatAt;
    for (std::size_t i = 0; i < 109 && fatAt.size() < fatSectors; ++i) fatAt.push_back(GetU32(header, 0x4C + 4 * i));
    std::uint32_t difat = GetU32(header, 0x44);
    for (std::uint32_t steps = 0; fatAt.size() < fatSectors; ++steps) {
        if (!inFile(difat) || steps > sectors) BadLayout("the list of its sector table's sectors is broken.");
        const Bytes d = sectorAt(difat);
        for (std::size_t i = 0; i + 1 < perSector && fatAt.size() < fatSectors; ++i) fatAt.push_back(GetU32(d, 4 * i));
        difat = GetU32(d, 4 * (perSector - 1));
    }
    std::vector<std::uint32_t> fat;
    fat.reserve(fatAt.size() * perSector);
    for (std::uint32_t s : fatAt) {
        if (!inFile(s)) BadLayout("its sector table lies past the file's end.");
        const Bytes t = sectorAt(s);
        for (std::size_t i = 0; i < perSector; ++i) fat.push_back(GetU32(t, 4 * i));
    }
    for (std::uint32_t s = 0; s < sectors && s < fat.size(); ++s)
        if (fat[s] < kFirstSpecial && !inFile(fat[s])) BadLayout("a sector chain leads past the file's end.");
    // A chain from `start`: every link in the file, no loop; `limit` links at most.
    // A chain from `start`, followed for `enough` links at most: every link
    // in the file and covered by the table; longer than the file is a loop.
    auto chain = [&](std::uint32_t start, std::uint64_t enough) {
        std::vector<std::uint32_t> links;
        for (std::uint32_t s = start; s != kEndOfChain && links.size() < enough; s = fat[s]) {
            if (!inFile(s) || s >= fat.size() || links.size() >= sectors) BadLayout("a sector chain is broken.");
            links.push_back(s);
        }
        return links;
    };
    const std::uint32_t miniFatStart = GetU32(header, 0x3C);
    if (miniFatStart != kEndOfChain && miniFatStart != kFreeSector) chain(miniFatStart, std::uint64_t(sectors) + 1);
    const std::vector<std::uint32_t> directory = chain(GetU32(header, 0x30), std::uint64_t(sectors) + 1);
    if (directory.empty()) BadLayout("it has no directory.");
    const std::uint32_t cutoff = GetU32(header, 0x38);
    for (std::uint32_t s : directory) {
        const Bytes d = sectorAt(s);
        for (std::size_t at = 0; at + 128 <= d.size(); at += 128) {
            const std::uint8_t type = d[at + 0x42];
            if (type != 2 && type != 5) continue;  // only streams and the root own sectors
            const std::uint32_t start = GetU32(d, at + 0x74);
            const std::uint64_t size = GetU32(d, at + 0x78);
            if (size == 0 || (type == 2 && size < cutoff)) continue;  // empty, or in the mini stream
            if (start == kEndOfChain) continue;
            const std::uint64_t need = (size + std::uint64_t(sectorSize) - 1) / std::uint64_t(sectorSize);
            if (need > sectors) BadLayout("a stream is larger than the file.");
            if (chain(start, need).size() < need) BadLayout("a stream is cut short.");
        }
    }
}

}  // namespace

StorageEntry* CompoundFile::FindStream(const std::string& name) {
    for (StorageEntry& e : entries)
        if (!e.isStorage && e.name == name) return &e;
    return nullptr;
}

CompoundFile ReadCompoundFile(const std::string& path) {
    CheckLayout(path);
    InitGsf();
    GError* err = nullptr;
    GPtr<GsfInput> input(gsf_input_stdio_new(path.c_str(), &err));
    if (!input) throw Error("The workbook file cannot be opened: " + TakeMessage(err, "unknown error"));
    GPtr<GsfInfile> ole(gsf_infile_msole_new(input.get(), &err));
    if (!ole) throw Error("The file is not a spreadsheet workbook: " + TakeMessage(err, "no compound file"));
    CompoundFile file;
    gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(ole.get()), file.classId.data());
    std::size_t total = 0;
    ReadStorage(ole.get(), file.entries, 0, total);
    return file;
}

Bytes WriteCompoundFile(const CompoundFile& file) {
    InitGsf();
    GPtr<GsfOutput> sink(gsf_output_memory_new());
    {
        GPtr<GsfOutfile> ole(gsf_outfile_msole_new(sink.get()));
        if (!ole) throw Error("The workbook cannot be written: no compound file.");
        gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(ole.get()), file.classId.data());
        WriteEntries(ole.get(), file.entries);
        if (!gsf_output_close(GSF_OUTPUT(ole.get())))
            throw Error("The workbook cannot be written: the compound file cannot be closed.");
    }
    gsf_off_t size = gsf_output_size(sink.get());
    const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
    if (size <= 0 || !bytes) throw Error("The workbook cannot be written: the compound file is empty.");
    Bytes out(bytes, bytes + size);
    // Closing the compound file has closed its sink too.
    if (!gsf_output_is_closed(sink.get())) gsf_output_close(sink.get());
    return out;
}

}  // namespace xls::detail
