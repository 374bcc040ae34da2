// SPDX-License-Identifier: GPL-3.0-or-later
// The workbook form (.xlsx): our export read back by our reader, the
// template's head in it, numbers and dates as such, and damaged or
// oversized workbooks refused with an error instead of a crash or an
// unbounded allocation.
#include "reading/reading_table.h"
#include "reading/reading_word.h"
#include "records/sheet_rows.h"
#include "records/xlsx/workbook_reader.h"
#include "records/xlsx_export.h"
#include "tools/xlstemplate/export_template.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>
#include <zip.h>

#include <cstring>

using namespace records;

namespace {

class WorkbookForm : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        templatePath = dir.filePath("Export.vornic");
        xlstemplate::WriteExportTemplate(templatePath);
    }

    // Rows as a recording fills the table, one second apart from 23:59:30.
    static std::vector<RowCells> RecordedRows(int n) {
        std::vector<RowCells> rows;
        rows.reserve(std::size_t(n));
        const QDate date(2026, 12, 9);
        const QTime start(23, 59, 30);
        const QString dateText = reading::FormatShortDate(date);
        for (int i = 1; i <= n; ++i)
            rows.push_back({QString::number(i), reading::FormatLevel(300 + (i * 37) % 900), i % 3 ? "A" : "C",
                            reading::FormatLongTime(start.addSecs(i)), dateText});
        return rows;
    }

    void Export(const QString& target, const std::vector<RowCells>& rows) {
        ReadingTable table;
        table.SetRowCount(int(rows.size()) + 1);
        for (int r = 1; r <= int(rows.size()); ++r)
            for (int k = 0; k < 5; ++k) table.SetCell(k, r, rows[std::size_t(r - 1)][std::size_t(k)]);
        WriteWorkbookExport(target, ReadTemplateHead(templatePath), table, int(rows.size()) + 1);
    }

    static ImportedRows Import(const QString& path) {
        const xlsx::Sheet sheet = xlsx::Sheet::Open(path);
        return ReadImportRows(sheet, ImportRowCount(sheet), 0, 0);
    }

    static QByteArray Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void Write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    QTemporaryDir dir;
    QString templatePath;
};

}  // namespace

TEST_F(WorkbookForm, AnExportReadsBackAsExactlyItsRows) {
    for (int n : {0, 1, 3, 65531, 86400}) {
        SCOPED_TRACE(n);
        const auto rows = RecordedRows(n);
        const QString target = dir.filePath("out.xlsx");
        Export(target, rows);
        const ImportedRows back = Import(target);
        EXPECT_FALSE(back.Failed());
        ASSERT_EQ(back.readingCount, n);
        EXPECT_TRUE(back.rows == rows);  // whole rows; a mismatch is found below
        for (std::size_t i = 0; i < rows.size() && back.rows[i] != rows[i]; ++i)
            ADD_FAILURE() << "row " << i + 1 << ": " << back.rows[i][3].toStdString() << " " << rows[i][3].toStdString();
        EXPECT_EQ(back.levels.Count(), std::size_t(n));
    }
}

TEST_F(WorkbookForm, AnExportHasTheTemplatesHeadAndStoresNumbersDatesAndTimes) {
    const auto rows = RecordedRows(3);
    Export(dir.filePath("out.xlsx"), rows);
    const xlsx::Sheet sheet = xlsx::Sheet::Open(dir.filePath("out.xlsx"));
    EXPECT_EQ(sheet.CellText(1, 1), QStringLiteral("Quorvane \u2014 sound level recording"));
    EXPECT_FALSE(sheet.CellText(2, 1).isEmpty());
    const char* header[] = {"REC", "dB", "A/C", "Time", "Date"};
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(sheet.CellText(4, k), QString::fromLatin1(header[k - 1])) << k;
    const xls::CellKind kinds[] = {xls::CellKind::Number, xls::CellKind::Number, xls::CellKind::Text,
                                   xls::CellKind::Time, xls::CellKind::Date};
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(int(sheet.Value(5, k).kind), int(kinds[k - 1])) << k;
    EXPECT_DOUBLE_EQ(sheet.Value(5, 1).number, 1);
    EXPECT_DOUBLE_EQ(sheet.Value(5, 2).number, 33.7);
    EXPECT_EQ(sheet.Value(5, 2).format, QStringLiteral("0.0"));
    EXPECT_DOUBLE_EQ(sheet.Value(5, 4).number, (23 * 3600 + 59 * 60 + 31) / 86400.0);
    EXPECT_DOUBLE_EQ(sheet.Value(5, 5).number, 46365);  // 2026-12-09
    EXPECT_EQ(sheet.UsedRowCount(), 3 + 4);  // the empty row after the data holds no value
}

TEST_F(WorkbookForm, MoreRowsThanASheetHoldsAreRefusedBeforeAnythingIsWritten) {
    ReadingTable table;
    const QString target = dir.filePath("big.xlsx");
    try {
        WriteWorkbookExport(target, ReadTemplateHead(templatePath), table, MaxWorkbookDataRows + 2);
        ADD_FAILURE() << "no error";
    } catch (const xls::Error& e) {
        EXPECT_STREQ(e.what(), TooManyWorkbookRowsText);
    }
    EXPECT_FALSE(QFile::exists(target));
}

namespace {

// A zip whose one part, `name`, inflates to `size` zero bytes, made by libzip
// from a source that makes the zeros as they are asked for.
struct Zeros {
    zip_uint64_t size, done = 0;
};

zip_int64_t ZeroSource(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* z = static_cast<Zeros*>(state);
    switch (cmd) {
    case ZIP_SOURCE_OPEN: z->done = 0; return 0;
    case ZIP_SOURCE_READ: {
        const zip_uint64_t n = std::min(len, z->size - z->done);
        std::memset(data, 0, n);
        z->done += n;
        return zip_int64_t(n);
    }
    case ZIP_SOURCE_CLOSE: return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        st->size = z->size;
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR: return 2 * sizeof(int);
    case ZIP_SOURCE_FREE: return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default: return -1;
    }
}

// Replaces (or adds) one part of a copy of an export.
void ReplacePart(const QString& path, const char* name, Zeros* zeros) {
    int error = 0;
    zip_t* z = zip_open(path.toLocal8Bit().constData(), 0, &error);
    ASSERT_NE(z, nullptr);
    zip_source_t* source = zip_source_function(z, ZeroSource, zeros);
    ASSERT_NE(source, nullptr);
    const zip_int64_t index = zip_file_add(z, name, source, ZIP_FL_OVERWRITE);
    ASSERT_GE(index, 0);
    ASSERT_EQ(zip_set_file_compression(z, zip_uint64_t(index), ZIP_CM_DEFLATE, 1), 0);  // quick to make
    ASSERT_EQ(zip_close(z), 0) << zip_strerror(z);
}

}  // namespace

TEST_F(WorkbookForm, DamagedWorkbooksGiveAnErrorAndNothingElse) {
    const QString good = dir.filePath("good.xlsx");
    Export(good, RecordedRows(200));
    const QByteArray bytes = Read(good);
    ASSERT_GT(bytes.size(), 4000);
    QByteArray flipped = bytes;
    for (int i = bytes.size() / 3; i < bytes.size() / 3 + 64; ++i) flipped[i] = char(~flipped[i]);
    QByteArray lyingSize = bytes;  // every central directory entry claims 1 byte inflated
    for (int at = lyingSize.indexOf("PK\x01\x02"); at >= 0; at = lyingSize.indexOf("PK\x01\x02", at + 4))
        std::memcpy(lyingSize.data() + at + 24, "\x01\x00\x00\x00", 4);
    const struct { const char* name; QByteArray bytes; } cases[] = {
        {"empty", QByteArray()},
        {"not a zip", QByteArray(5000, 'x')},
        {"an .xls", Read(templatePath)},
        {"cut in half", bytes.left(bytes.size() / 2)},
        {"cut before its directory's end", bytes.left(bytes.size() - 10)},
        {"bytes flipped", flipped},
        {"sizes that lie", lyingSize},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath("damaged.xlsx");
        Write(path, c.bytes);
        EXPECT_THROW(Import(path), xls::Error);
    }
}

TEST_F(WorkbookForm, APartThatInflatesBeyondItsBoundIsRefused) {
    const struct { const char* part; zip_uint64_t size; } cases[] = {
        {"xl/sharedStrings.xml", zip_uint64_t(xlsx::MaxOtherPartBytes) + 1},
        {"xl/worksheets/sheet1.xml", zip_uint64_t(xlsx::MaxSheetBytes) + 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.part);
        const QString path = dir.filePath("bomb.xlsx");
        QFile::remove(path);
        Export(path, RecordedRows(3));
        Zeros zeros{c.size};
        ReplacePart(path, c.part, &zeros);
        ASSERT_LT(QFile(path).size(), 2 << 20);  // a small file
        try {
            Import(path);
            ADD_FAILURE() << "no error";
        } catch (const xls::Error& e) {
            EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
        }
    }
}

namespace {

// One part of a zip, read whole ("" when it is not there).
QByteArray ReadPart(const QString& path, const char* name) {
    int error = 0;
    zip_t* z = zip_open(path.toLocal8Bit().constData(), ZIP_RDONLY, &error);
    if (!z) return {};
    QByteArray bytes;
    zip_stat_t st;
    if (zip_stat(z, name, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)) {
        if (zip_file_t* f = zip_fopen(z, name, 0)) {
            bytes.resize(qsizetype(st.size));
            if (zip_fread(f, bytes.data(), st.size) != zip_int64_t(st.size)) bytes.clear();
            zip_fclose(f);
        }
    }
    zip_discard(z);
    return bytes;
}

void WritePart(const QString& path, const char* name, const QByteArray& bytes) {
    int error = 0;
    zip_t* z = zip_open(path.toLocal8Bit().constData(), 0, &error);
    ASSERT_NE(z, nullptr);
    zip_source_t* source = zip_source_buffer(z, bytes.constData(), zip_uint64_t(bytes.size()), 0);
    ASSERT_NE(source, nullptr);
    ASSERT_GE(zip_file_add(z, name, source, ZIP_FL_OVERWRITE), 0);
    ASSERT_EQ(zip_close(z), 0) << zip_strerror(z);
}

}  // namespace

// A workbook that counts its dates from 1904 (older spreadsheet programs
// on the Mac): the same serial number is 1462 days later.
TEST_F(WorkbookForm, DatesOfAWorkbookThatCountsFrom1904) {
    const QString path = dir.filePath("1904.xlsx");
    Export(path, RecordedRows(3));
    QByteArray workbook = ReadPart(path, "xl/workbook.xml");
    ASSERT_FALSE(workbook.isEmpty());
    // Our export names no date system (1900); give it the 1904 one.
    const qsizetype at = workbook.indexOf("<workbookPr");
    if (at >= 0)
        workbook.insert(at + qsizetype(std::strlen("<workbookPr")), " date1904=\"1\"");
    else
        workbook.replace("<sheets>", "<workbookPr date1904=\"1\"/><sheets>");
    ASSERT_TRUE(workbook.contains("date1904=\"1\"")) << workbook.toStdString();
    WritePart(path, "xl/workbook.xml", workbook);

    const xlsx::Sheet sheet = xlsx::Sheet::Open(path);
    EXPECT_TRUE(sheet.DatesFrom1904());
    ASSERT_EQ(int(sheet.Value(5, 5).kind), int(xls::CellKind::Date));
    EXPECT_DOUBLE_EQ(sheet.Value(5, 5).number, 46365);
    const ImportedRows back = ReadImportRows(sheet, ImportRowCount(sheet), 0, 0);
    ASSERT_EQ(back.readingCount, 3);
    EXPECT_EQ(back.rows[0][4], reading::FormatShortDate(QDate(1904, 1, 1).addDays(46365)));
    EXPECT_EQ(back.rows[0][4], reading::FormatShortDate(QDate(2030, 12, 10)));
    EXPECT_EQ(back.rows[0][3], RecordedRows(1)[0][3]);  // times of day do not depend on it
    // The export without it reads its own date.
    const QString plain = dir.filePath("plain.xlsx");
    Export(plain, RecordedRows(3));
    EXPECT_FALSE(xlsx::Sheet::Open(plain).DatesFrom1904());
    EXPECT_EQ(Import(plain).rows[0][4], reading::FormatShortDate(QDate(2026, 12, 9)));
}

TEST_F(WorkbookForm, SharedStringsCustomFormatsAndTheActiveSheetAreRead) {
    // Written by libxlsxwriter in its default mode: texts in the shared
    // string table, the second of two sheets active.
    const QString path = dir.filePath("other.xlsx");
    lxw_workbook* book = workbook_new(path.toLocal8Bit().constData());
    ASSERT_NE(book, nullptr);
    lxw_worksheet* first = workbook_add_worksheet(book, "First");
    lxw_worksheet* second = workbook_add_worksheet(book, "Readings");
    worksheet_write_string(first, 4, 0, "not this sheet", nullptr);
    lxw_format* stamp = workbook_add_format(book);
    format_set_num_format(stamp, "dd.mm.yyyy hh:mm:ss");
    lxw_format* elapsed = workbook_add_format(book);
    format_set_num_format(elapsed, "[h]:mm:ss");
    lxw_format* level = workbook_add_format(book);
    format_set_num_format(level, "0.00");
    worksheet_write_string(second, 3, 0, "REC", nullptr);
    worksheet_write_number(second, 4, 0, 1, nullptr);
    worksheet_write_number(second, 4, 1, 61.25, level);
    worksheet_write_string(second, 4, 2, "C", nullptr);
    worksheet_write_number(second, 4, 3, 0.75, elapsed);
    worksheet_write_number(second, 4, 4, 45413.25, stamp);
    worksheet_write_string(second, 5, 2, "C", nullptr);  // the same shared text again
    worksheet_write_boolean(second, 5, 0, 1, nullptr);
    worksheet_activate(second);
    ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);

    const ImportedRows back = Import(path);
    ASSERT_EQ(back.readingCount, 2);
    const RowCells expected[] = {
        {"1", "61,25", "C", reading::FormatLongTime(QTime(18, 0, 0)),
         reading::FormatShortDate(QDate(2024, 5, 1)) + " " + reading::FormatLongTime(QTime(6, 0, 0))},
        {"TRUE", "", "C", "", ""},
    };
    EXPECT_EQ(back.rows[0], expected[0]);
    EXPECT_EQ(back.rows[1], expected[1]);
}
