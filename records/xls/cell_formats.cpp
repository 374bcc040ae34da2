// SPDX-License-Identifier: GPL-3.0-or-later
// Number formats of the workbook globals: the format an XF gives its cells,
// and new XFs (with their FORMAT records) for the numbers, dates and times
// the program writes.
#include "records/xls/document.h"
#include "records/xls/number_format.h"

#include <algorithm>

namespace xls::detail {

namespace {

// A BIFF8 workbook holds at most this many XF records.
constexpr std::size_t kMaxXfs = 4050;
// Formats numbered from here on are the workbook's own.
constexpr std::uint16_t kFirstCustomFormat = 164;

// Inserts a globals record before `at`, keeping the places that point into
// the globals (the SST slot, the BOUNDSHEET records) on their records.
void InsertGlobal(Document& doc, std::size_t at, Record record) {
    doc.globals.insert(doc.globals.begin() + std::ptrdiff_t(at), std::move(record));
    if (doc.sstAt >= at) ++doc.sstAt;
    for (SheetInfo& sheet : doc.sheets)
        if (sheet.boundSheetRecord >= at) ++sheet.boundSheetRecord;
}

std::size_t AfterLast(const Document& doc, std::uint16_t type, std::size_t fallback) {
    for (std::size_t i = doc.globals.size(); i-- > 0;)
        if (doc.globals[i].type == type) return i + 1;
    return fallback;
}

std::size_t FirstOf(const Document& doc, std::uint16_t type) {
    for (std::size_t i = 0; i < doc.globals.size(); ++i)
        if (doc.globals[i].type == type) return i;
    return doc.globals.empty() ? 0 : doc.globals.size() - 1;  // before EOF
}

std::uint16_t FormatNumber(Document& doc, const QString& format) {
    for (const auto& [number, text] : doc.formats)
        if (text == format) return number;
    for (int id = 0; id < 50; ++id)
        if (!doc.formats.count(std::uint16_t(id)) && BuiltInNumberFormat(id) == format) return std::uint16_t(id);
    std::uint16_t number = kFirstCustomFormat;
    if (!doc.formats.empty()) number = std::max<std::uint16_t>(number, std::uint16_t(doc.formats.rbegin()->first + 1));
    Record r;
    r.type = rt::Format;
    PutU16(r.data, number);
    PutUnicodeString(r.data, format);
    // FORMAT records sit after the fonts and before the XFs.
    InsertGlobal(doc, AfterLast(doc, rt::Format, FirstOf(doc, rt::Xf)), std::move(r));
    doc.formats[number] = format;
    return number;
}

}  // namespace

std::uint16_t NewDerivedXf(Document& doc, std::uint16_t base, const QString& format);

QString FormatOfXf(const Document& doc, std::uint16_t xf) {
    if (xf >= doc.xfFormat.size()) return QStringLiteral("General");
    const std::uint16_t number = doc.xfFormat[xf];
    auto found = doc.formats.find(number);
    if (found != doc.formats.end()) return found->second;
    const QString builtIn = BuiltInNumberFormat(number);
    return builtIn.isEmpty() ? QStringLiteral("General") : builtIn;
}

std::uint16_t DerivedXf(Document& doc, std::uint16_t base, const QString& format) {
    const auto key = std::make_pair(base, format);
    if (auto known = doc.derivedXfs.find(key); known != doc.derivedXfs.end()) return known->second;
    const std::uint16_t xf = NewDerivedXf(doc, base, format);
    doc.derivedXfs[key] = xf;
    return xf;
}

std::uint16_t NewDerivedXf(Document& doc, std::uint16_t base, const QString& format) {
    const std::uint16_t number = FormatNumber(doc, format);
    // The XF records in order; an XF that differs from `base` only in its
    // format (and the flag that says so) is used again.
    std::vector<std::size_t> xfAt;
    for (std::size_t i = 0; i < doc.globals.size(); ++i)
        if (doc.globals[i].type == rt::Xf) xfAt.push_back(i);
    if (base >= xfAt.size() || doc.globals[xfAt[base]].data.size() < 10)
        throw Error("The workbook is damaged: a cell format is missing.");
    Bytes wanted = doc.globals[xfAt[base]].data;
    if (GetU16(wanted, 2) == number) return base;
    SetU16(wanted, 2, number);
    wanted[9] = std::uint8_t(wanted[9] | 0x04);  // the number format is the cell's own
    for (std::size_t k = 0; k < xfAt.size(); ++k)
        if (doc.globals[xfAt[k]].data == wanted) return std::uint16_t(k);
    if (xfAt.size() >= kMaxXfs) throw Error("The workbook holds too many cell formats to add another.");
    Record r;
    r.type = rt::Xf;
    r.data = std::move(wanted);
    InsertGlobal(doc, xfAt.back() + 1, std::move(r));
    doc.xfFormat.push_back(number);
    return std::uint16_t(xfAt.size());
}

}  // namespace xls::detail
