#include "records/xls/compound_file.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <memory>
#include <mutex>

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

}  // namespace

StorageEntry* CompoundFile::FindStream(const std::string& name) {
    for (StorageEntry& e : entries)
        if (!e.isStorage && e.name == name) return &e;
    return nullptr;
}

CompoundFile ReadCompoundFile(const std::string& path) {
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
