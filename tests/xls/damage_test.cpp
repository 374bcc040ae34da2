// SPDX-License-Identifier: GPL-3.0-or-later
// Damaged, cut and doctored workbooks end in xls::Error, never in a crash or a hang.
#include "records/xls/compound_file.h"
#include "records/xls/document.h"
#include "records/xls/workbook.h"
#include "tests/xls/xls_test_support.h"
#include "tools/xlstemplate/export_template.h"

#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <random>

#include <gtest/gtest.h>

namespace {

using namespace xls::detail;

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Opens, reads every used cell and saves; anything but xls::Error fails the test.
// Returns whether the file was accepted.
bool OpenReadAndSave(const QString& path) {
    try {
        xls::Workbook book = xls::Workbook::Open(path);
        xls::Sheet sheet = book.ActiveSheet();
        int used = sheet.UsedRowCount();
        EXPECT_GE(used, 0);
        EXPECT_LE(used, xls::MaxSheetRows);
        for (int r = 1; r <= used; ++r)
            for (int k = 1; k <= 6; ++k) sheet.CellText(r, k);
        sheet.ClearRow(5);
        sheet.SetCellText(5, 1, "x");
        book.Save();
        return true;
    } catch (const xls::Error&) {
        return false;
    }
}

class Damage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QString templatePath = dir.filePath("Export.vornic");
        xlstemplate::WriteExportTemplate(templatePath);
        good = dir.filePath("good.xls");
        xlstest::ExportRows(templatePath, good, xlstest::SampleRows(300));
        original = ReadAll(good);
        ASSERT_GT(original.size(), 4096);
    }
    QTemporaryDir dir;
    QString good;
    QByteArray original;
};

// The container library reports numbers it is given out of range as
// assertions on stderr; the reader must check them first.
void ExpectNoLibraryComplaint(const std::string& errors) {
    EXPECT_EQ(errors.find("CRITICAL"), std::string::npos) << errors.substr(0, 400);
}

TEST_F(Damage, CutFilesAreRefused) {
    testing::internal::CaptureStderr();
    QString cut = dir.filePath("cut.xls");
    int accepted = 0;
    for (qsizetype length = 0; length < original.size(); length += length < 1024 ? 61 : 509) {
        WriteAll(cut, original.left(length));
        if (OpenReadAndSave(cut)) ++accepted;
    }
    // The compound file's tables sit at its start and end: no cut leaves a workbook.
    EXPECT_EQ(accepted, 0);
    ExpectNoLibraryComplaint(testing::internal::GetCapturedStderr());
}

TEST_F(Damage, SectorNumbersPastTheEndAreRefusedBeforeTheLibrarySeesThem) {
    auto u32 = [&](const QByteArray& b, qsizetype at) {
        return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8 |
               std::uint32_t(std::uint8_t(b[at + 2])) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24;
    };
    auto set32 = [](QByteArray& b, qsizetype at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    const qsizetype firstFat = (qsizetype(u32(original, 0x4C)) + 1) * 512;
    const qsizetype directory = (qsizetype(u32(original, 0x30)) + 1) * 512;
    const std::uint32_t past = std::uint32_t(original.size() / 512 + 3);
    struct Case { const char* what; std::function<void(QByteArray&)> doctor; };
    const Case cases[] = {
        {"a sector table sector", [&](QByteArray& b) { set32(b, 0x4C, past); }},
        {"the sector table's size", [&](QByteArray& b) { set32(b, 0x2C, 0x00FFFFFF); }},
        {"the directory's start", [&](QByteArray& b) { set32(b, 0x30, past); }},
        {"the mini table's start", [&](QByteArray& b) { set32(b, 0x3C, past); }},
        {"a link of the sector table", [&](QByteArray& b) { set32(b, firstFat + 4, past); }},
        {"a loop in the directory's chain", [&](QByteArray& b) { set32(b, firstFat + 4 * u32(b, 0x30), u32(b, 0x30)); }},
        {"the workbook stream's start", [&](QByteArray& b) { set32(b, directory + 128 + 0x74, past); }},
        {"the workbook stream's size", [&](QByteArray& b) { set32(b, directory + 128 + 0x78, 0x7FFFFF00); }},
        {"the sector size", [&](QByteArray& b) { b[0x1E] = 20; }},
    };
    QString bad = dir.filePath("bad.xls");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray bytes = original;
        c.doctor(bytes);
        WriteAll(bad, bytes);
        testing::internal::CaptureStderr();
        EXPECT_THROW(xls::Workbook::Open(bad), xls::Error);
        ExpectNoLibraryComplaint(testing::internal::GetCapturedStderr());
    }
}

TEST_F(Damage, FlippedBytesNeverCrash) {
    testing::internal::CaptureStderr();
    std::mt19937 random(20261209);
    QString bad = dir.filePath("bad.xls");
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = original;
        int flips = 1 + int(random() % 8);
        for (int i = 0; i < flips; ++i) bytes[qsizetype(random() % std::uint32_t(bytes.size()))] = char(random());
        WriteAll(bad, bytes);
        OpenReadAndSave(bad);
    }
    ExpectNoLibraryComplaint(testing::internal::GetCapturedStderr());
}

// Doctoring the workbook stream itself, past the compound file's checks.
class DoctoredStream : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QString templatePath = dir.filePath("Export.vornic");
        xlstemplate::WriteExportTemplate(templatePath);
        QString path = dir.filePath("good.xls");
        xlstest::ExportRows(templatePath, path, xlstest::SampleRows(40));
        CompoundFile file = ReadCompoundFile(QFile::encodeName(path).toStdString());
        stream = file.FindStream("Workbook")->data;
        records = SplitRecords(stream);
    }
    // The stream position of the data of the n-th record of a type.
    std::size_t DataOf(std::uint16_t type, int nth = 0) {
        for (const Record& r : records)
            if (r.type == type && nth-- == 0) return r.offset + 4;
        ADD_FAILURE() << "no record " << type;
        return 0;
    }
    QTemporaryDir dir;
    Bytes stream;
    std::vector<Record> records;
};

TEST_F(DoctoredStream, AbsurdCountsAndPositionsAreRefused) {
    ASSERT_NO_THROW(ParseWorkbookStream(stream));
    struct Case { const char* what; std::function<void(Bytes&)> doctor; };
    const Case cases[] = {
        {"string count", [&](Bytes& s) { SetU32(s, DataOf(rt::Sst) + 4, 0xFFFFFFFF); }},
        {"string length", [&](Bytes& s) { SetU16(s, DataOf(rt::Sst) + 8, 0xFFFF); }},
        {"sheet position", [&](Bytes& s) { SetU32(s, DataOf(rt::BoundSheet), 0x7FFFFFF0); }},
        {"sheet position inside the globals", [&](Bytes& s) { SetU32(s, DataOf(rt::BoundSheet), 0); }},
        {"shared string index", [&](Bytes& s) { SetU32(s, DataOf(rt::LabelSst, 10) + 6, 0x00FFFFFF); }},
        {"cell column", [&](Bytes& s) { SetU16(s, DataOf(rt::LabelSst, 3) + 2, 300); }},
        {"record length", [&](Bytes& s) { SetU16(s, DataOf(rt::LabelSst, 5) - 2, 0xFFFF); }},
        {"older format", [&](Bytes& s) { SetU16(s, DataOf(rt::Bof), 0x0500); }},
        {"not a workbook", [&](Bytes& s) { SetU16(s, 0, 0x1234); }},
        {"globals without end", [&](Bytes& s) { s.resize(DataOf(rt::BoundSheet) + 20); }},
        {"sheet without end", [&](Bytes& s) { s.resize(s.size() - 4); }},
        {"merged cells count", [&](Bytes& s) { SetU16(s, DataOf(rt::MergeCells), 0x7FFF); }},
    };
    for (const Case& c : cases) {
        Bytes doctored = stream;
        c.doctor(doctored);
        EXPECT_THROW(ParseWorkbookStream(doctored), xls::Error) << c.what;
    }
}

}  // namespace
