// SPDX-License-Identifier: GPL-3.0-or-later
// Writes seed inputs for the fuzz targets, each made the way the program
// (or a meter) makes it: record files of a few words, text exports from our
// exporter, the export template and an export from it, and two small FAT32
// cards built sector by sector (one bare volume, one behind a partition
// table). Usage: fuzz_seeds <folder>; writes <folder>/<target>/<seed>.
#include "reading/reading_table.h"
#include "records/sheet_rows.h"
#include "records/text_export.h"
#include "records/xlsx_export.h"
#include "records/xls/workbook.h"
#include "tools/xlstemplate/export_template.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

QString out;

void Write(const QString& target, const QString& name, const QByteArray& bytes) {
    QDir().mkpath(out + u'/' + target);
    QFile file(out + u'/' + target + u'/' + name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "can't write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
}

void PutLe(QByteArray& bytes, int offset, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[offset + i] = char((value >> (8 * i)) & 0xFF);
}

QByteArray Words(const std::vector<std::uint32_t>& words) {
    QByteArray bytes(int(words.size()) * 4, '\0');
    for (std::size_t i = 0; i < words.size(); ++i) PutLe(bytes, int(i) * 4, words[i], 4);
    return bytes;
}

// A reading: level code, range, weightings and a time of day.
std::uint32_t Word(int code, int range, bool c, bool slow, int h, int m, int s) {
    return std::uint32_t(code) | std::uint32_t(range) << 10 | std::uint32_t(c) << 13 | std::uint32_t(slow) << 14 |
           std::uint32_t(s) << 15 | std::uint32_t(m) << 21 | std::uint32_t(h) << 27;
}

void RecordFiles() {
    const std::vector<std::uint32_t> run = {Word(223, 2, false, false, 14, 5, 9), Word(230, 2, false, false, 14, 5, 10),
                                            Word(1023, 6, true, true, 14, 5, 11), Word(0, 0, false, true, 14, 5, 12)};
    Write("fuzz_record_file", "run.qzx", Words(run));
    // The first eight bytes double as the file's name stem: a valid start date.
    Write("fuzz_record_file", "named.qzx", QByteArray("NGFO0509") + Words(run));
    Write("fuzz_record_file", "trailing.qzx", Words(run) + QByteArray("\x01\x02", 2));
    Write("fuzz_record_file", "extremes.qzx", Words({0xFFFFFFFFu, 0, Word(1023, 7, true, true, 31, 63, 63)}));
}

void TextExports() {
    ReadingTable table;
    const QDate day(2023, 7, 15);
    table.SetRowCount(8);
    for (int row = 1; row <= 6; ++row) table.SetFileRow(row, Word(200 + row * 37, 3, row % 2, row % 3 == 0, 9, 30, row), day);
    Write("fuzz_text_parser", "export.txt", records::TextExportBytes(table, 7));
    // Edited by hand: LF line ends, a last field without its tab, a level with ".".
    Write("fuzz_text_parser", "edited.txt", QByteArray("1\t52,3\tA\t09:30:01\t15.07.2023\t\n2\t61.5\tC\t09:30:02\t15.07.2023\n3\t\t"));
    Write("fuzz_text_parser", "bad_level.txt", QByteArray("1\t52,3\tA\tx\ty\t\r\n2\tloud\tA\tx\ty\t\r\n"));
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) std::exit(1);
    return file.readAll();
}

void Spreadsheets() {
    const QString templatePath = out + QStringLiteral("/template.tmp.xls");
    xlstemplate::WriteExportTemplate(templatePath);
    const QByteArray templateBytes = ReadAll(templatePath);

    ReadingTable table;
    table.SetRowCount(6);
    for (int row = 1; row <= 4; ++row) table.SetFileRow(row, Word(250 + row, 1, false, true, 10, 0, row), QDate(2024, 1, 2));
    xls::Workbook book = xls::Workbook::Open(templatePath);
    xls::Sheet sheet = book.ActiveSheet();
    records::ClearExportRows(sheet);
    records::WriteExportRows(sheet, table, 5);
    book.Save();
    const QByteArray exportBytes = ReadAll(templatePath);
    const records::WorkbookHead head = records::ReadTemplateHead(templatePath);
    QFile::remove(templatePath);

    Write("fuzz_xls_reader", "template.xls", templateBytes);
    Write("fuzz_xls_reader", "export.xls", exportBytes);
    Write("fuzz_xls_patcher", "template.xls", templateBytes);
    Write("fuzz_xls_patcher", "export.xls", exportBytes);

    // Workbooks (.xlsx): the export of the same rows, and one without rows.
    const QString workbookPath = out + QStringLiteral("/export.tmp.xlsx");
    records::WriteWorkbookExport(workbookPath, head, table, 5);
    Write("fuzz_xlsx_reader", "export.xlsx", ReadAll(workbookPath));
    ReadingTable empty;
    records::WriteWorkbookExport(workbookPath, head, empty, 1);
    Write("fuzz_xlsx_reader", "empty.xlsx", ReadAll(workbookPath));
    QFile::remove(workbookPath);
}

// A FAT32 volume of 64 one-sector clusters: boot sector, FSInfo, one FAT of
// one sector, then the data area with the root directory in cluster 2, a
// record file in clusters 3-4, a note in cluster 5 with a long name.
QByteArray SmallVolume() {
    constexpr int Reserved = 2, Clusters = 64, Total = Reserved + 1 + Clusters;
    QByteArray v(Total * 512, '\0');
    v[0] = char(0xEB); v[1] = 0x58; v[2] = char(0x90);
    std::memcpy(v.data() + 3, "QVSEED  ", 8);
    PutLe(v, 0x0B, 512, 2);
    v[0x0D] = 1;
    PutLe(v, 0x0E, Reserved, 2);
    v[0x10] = 1;
    PutLe(v, 0x15, 0xF8, 1);
    PutLe(v, 0x20, Total, 4);
    PutLe(v, 0x24, 1, 4);
    PutLe(v, 0x2C, 2, 4);
    PutLe(v, 0x30, 1, 2);
    std::memcpy(v.data() + 0x52, "FAT32   ", 8);
    PutLe(v, 0x1FE, 0xAA55, 2);
    // FSInfo: 60 clusters free, next free 6.
    const int info = 512;
    PutLe(v, info + 0x000, 0x41615252, 4);
    PutLe(v, info + 0x1E4, 0x61417272, 4);
    PutLe(v, info + 0x1E8, Clusters - 4, 4);
    PutLe(v, info + 0x1EC, 6, 4);
    PutLe(v, info + 0x1FC, 0xAA550000, 4);
    // FAT: media, end marks, root (2) alone, file 3 -> 4, note 5 alone.
    const int fat = Reserved * 512;
    PutLe(v, fat + 0, 0x0FFFFFF8, 4);
    PutLe(v, fat + 4, 0x0FFFFFFF, 4);
    PutLe(v, fat + 8, 0x0FFFFFFF, 4);
    PutLe(v, fat + 12, 4, 4);
    PutLe(v, fat + 16, 0x0FFFFFFF, 4);
    PutLe(v, fat + 20, 0x0FFFFFFF, 4);
    const auto clusterAt = [&](int cluster) { return (Reserved + 1 + cluster - 2) * 512; };
    int e = clusterAt(2);
    const auto entry = [&](const char* name11, std::uint8_t attributes, int cluster, std::uint32_t size) {
        std::memcpy(v.data() + e, name11, 11);
        v[e + 11] = char(attributes);
        PutLe(v, e + 20, std::uint32_t(cluster) >> 16, 2);
        PutLe(v, e + 26, std::uint32_t(cluster) & 0xFFFF, 2);
        PutLe(v, e + 28, size, 4);
        e += 32;
    };
    entry("METERCARD  ", 0x08, 0, 0);
    entry("NGFO0509QZX", 0x20, 3, 700);
    entry("\xE5LDFILE TXT", 0x20, 7, 5);
    // A long-name entry "note.txt" before its short entry.
    const char* shortName = "NOTE    TXT";
    std::uint8_t sum = 0;
    for (int i = 0; i < 11; ++i) sum = std::uint8_t(((sum & 1) << 7) + (sum >> 1) + std::uint8_t(shortName[i]));
    v[e] = 0x41;
    const char16_t longName[] = u"note.txt";
    const int nameSlots[] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    for (int i = 0; i < 13; ++i) PutLe(v, e + nameSlots[i], i < 8 ? longName[i] : (i == 8 ? 0 : 0xFFFF), 2);
    v[e + 11] = 0x0F;
    v[e + 13] = char(sum);
    e += 32;
    entry(shortName, 0x20, 5, 12);
    for (int i = 0; i < 700; ++i) v[clusterAt(3) + i] = char(i * 7);
    std::memcpy(v.data() + clusterAt(5), "hello, card\n", 12);
    return v;
}

void Cards() {
    const QByteArray volume = SmallVolume();
    Write("fuzz_fat32", "volume.img", volume);
    // The same volume behind a partition table whose first partition starts at sector 8.
    QByteArray card(8 * 512, '\0');
    PutLe(card, 0x1BE, 0x00, 1);
    card[0x1C2] = 0x0C;
    PutLe(card, 0x1C6, 8, 4);
    PutLe(card, 0x1CA, std::uint32_t(volume.size() / 512), 4);
    PutLe(card, 0x1FE, 0xAA55, 2);
    Write("fuzz_fat32", "partitioned.img", card + volume);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <folder>\n");
        return 2;
    }
    out = QString::fromLocal8Bit(argv[1]);
    RecordFiles();
    TextExports();
    Spreadsheets();
    Cards();
    return 0;
}
