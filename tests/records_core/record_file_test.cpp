// SPDX-License-Identifier: GPL-3.0-or-later
// Record file names, the start date read back from a name, and reading and
// writing the words of a record file.
#include "reading/record_file.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

using namespace records;

namespace {

QString Stem(int y, int mo, int d, int h, int mi, int s) {
    const QString path = MakeRecordFileName("/start", y, mo, d, h, mi, s);
    return path.mid(7, 8);
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

}  // namespace

TEST(RecordFileName, BuildsThePathFromTheStartFolderAndStem) {
    EXPECT_EQ(MakeRecordFileName("/home/me/run", 2023, 7, 15, 14, 5, 9), "/home/me/run/NGFO0509.qzx");
}

TEST(RecordFileName, EncodesAndClampsEveryField) {
    struct Case {
        int y, mo, d, h, mi, s;
        const char* stem;
    } cases[] = {
        {2023, 7, 15, 14, 5, 9, "NGFO0509"},
        {2024, 12, 31, 23, 59, 59, "OLVX5959"},
        {2010, 1, 1, 0, 0, 0, "AA1A0000"},
        {2009, 6, 1, 8, 30, 0, "AF1I3000"},   // year raised to 2010
        {2036, 2, 29, 12, 0, 0, "ZBTM0000"},  // year lowered to 2035
        {1999, 0, 0, 24, 60, 60, "AA1X5050"}, // month, day raised; hour lowered; tens of 60 is 6 > 5
        {2100, 13, 32, 99, 99, 99, "ZLVX5959"},
        {2020, 5, 9, 9, 10, 10, "KE9J1010"},  // the last digit day, the first letter day
        {2020, 5, 10, 9, 10, 10, "KEAJ1010"},
        // Negative times never come from a clock; they must not produce a
        // character below "0" (minute -1 would otherwise be "0/").
        {2020, 5, 10, -1, -1, -7, "KEAA0000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stem);
        EXPECT_EQ(Stem(c.y, c.mo, c.d, c.h, c.mi, c.s), c.stem);
    }
}

class StartDateTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

TEST_F(StartDateTest, ReadsTheDateCharactersOfTheName) {
    struct Case {
        const char* path;
        QDate date;
    } cases[] = {
        {"/run/NGFO0509.qzx", QDate(2023, 7, 15)},
        {"/run/ngfo0509.QZX", QDate(2023, 7, 15)},
        {"  /run/NGFO0509.qzx  ", QDate(2023, 7, 15)},
        {"/data.2023/NGFO0509.qzx", QDate(2023, 7, 15)},     // the folder's dot is not the extension
        {"/a.b/c.d/OLVX5959.qzx1", QDate(2024, 12, 31)},
        {"/run/NG0O0509.qzx", QDate(2023, 7, 1)},            // day "0" raised to 1
        {"/run/N5 O0509.qzx", QDate(2023, 12, 31)},          // month below "A" is 12, blank day 31
        {"/run/N@1A0000.qzx", QDate(2023, 1, 1)},            // code 64 is January
        {"/run/NZ:A0000.qzx", QDate(2023, 12, 31)},          // month after "L" is 12, ":" day 31
        {"/run/0A1A0000.qzx", QDate(2249, 1, 1)},            // a digit as year character
        {"/run/6A1A0000.qzx", QDate(2255, 1, 1)},
        {"/run/7A1A0000.qzx", QDate(2000, 1, 1)},
        {"/run/9A1A0000.qzx", QDate(2002, 1, 1)},
        {"/run/XYZNGFO0509.qzx", QDate(2023, 7, 15)},        // the eight characters before the dot
        {"NGFO.qzx", QDate(2023, 7, 15)},                    // fewer than eight before the dot: the path's first eight
        {"/run/ab.qzx", QDate(2248, 12, 30)},                // likewise "/RUN/AB."
        {"/data.2023/NGFO0509", QDate(2023, 7, 15)},         // no extension: the last eight characters
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const StartDate start = StartDateFromName(QString::fromLatin1(c.path));
        EXPECT_EQ(start.date, c.date);
        EXPECT_EQ(start.text, QLocale().toString(c.date, QLocale::ShortFormat));
    }
    EXPECT_EQ(StartDateFromName("/run/NGFO0509.qzx").text, "15.07.23");
}

TEST_F(StartDateTest, NamesThatGiveNoCalendarDateThrowNamingTheFile) {
    for (const char* path : {"/run/ZBTM0000.qzx", "/run/NBU00000.qzx", "/run/NBTA0000.qzx", "NB"}) {
        SCOPED_TRACE(path);
        try {
            StartDateFromName(QString::fromLatin1(path));
            ADD_FAILURE() << "no error for " << path;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
}

TEST_F(StartDateTest, WriterAndReaderAgreeOnEveryDate) {
    // Every day 2010..2035 reads back as itself; years outside are clamped
    // to 2010 or 2035 with month and day unchanged.
    int checked = 0;
    for (QDate d(2000, 1, 1); d <= QDate(2045, 12, 31); d = d.addDays(1)) {
        const QString name = MakeRecordFileName("/run", d.year(), d.month(), d.day(), 12, 30, 45);
        const int year = std::clamp(d.year(), 2010, 2035);
        const QDate expected(year, d.month(), d.day());
        if (!expected.isValid()) {
            // 29 February moved into a year without it.
            EXPECT_THROW(StartDateFromName(name), std::runtime_error) << name.toStdString();
            continue;
        }
        ASSERT_EQ(StartDateFromName(name).date, expected) << name.toStdString();
        ++checked;
    }
    EXPECT_EQ(checked, 16802 - 6);  // every day but the 29 Februarys of 2000-2008 and 2036-2044
}

TEST(ReadRecordWords, ReadsWholeLittleEndianWords) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        QByteArray bytes;
        std::vector<std::uint32_t> words;
    } cases[] = {
        {QByteArray(), {}},
        {QByteArray("\x0B\xCA\x63", 3), {}},
        {QByteArray("\x0B\xCA\x63\x70", 4), {0x7063CA0Bu}},
        {QByteArray("\x0B\xCA\x63\x70\xFF\xFF\xFF\xFF\x01\x02", 10), {0x7063CA0Bu, 0xFFFFFFFFu}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        const QString path = dir.filePath("NGFO0509.qzx");
        WriteBytes(path, c.bytes);
        EXPECT_EQ(ReadRecordWords(path), c.words);
    }
    EXPECT_TRUE(ReadRecordWords(dir.filePath("missing.qzx")).empty());
    EXPECT_TRUE(ReadRecordWords(dir.path()).empty());  // a folder is no record file
}

TEST(RecordFileWriter, WritesEachWordAtItsOwnOffset) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("NGFO0509.qzx");
    WriteBytes(path, QByteArray(40, 'x'));  // an older recording of the same second

    RecordFileWriter writer;
    ASSERT_TRUE(writer.Open(path));
    EXPECT_TRUE(writer.IsOpen());
    EXPECT_EQ(FileBytes(path).size(), 0);  // emptied
    EXPECT_TRUE(writer.Append(0, 0x7063CA0Bu));
    EXPECT_TRUE(writer.Append(1, 0x01020304u));
    // Visible to another reader at once, while the writer is still open.
    EXPECT_EQ(FileBytes(path), QByteArray("\x0B\xCA\x63\x70\x04\x03\x02\x01", 8));
    // A write that was lost (index 2) leaves the next one at its own place.
    EXPECT_TRUE(writer.Append(3, 0xAABBCCDDu));
    EXPECT_EQ(ReadRecordWords(path), (std::vector<std::uint32_t>{0x7063CA0Bu, 0x01020304u, 0u, 0xAABBCCDDu}));
    // Writing a word again replaces it, nothing else moves.
    EXPECT_TRUE(writer.Append(1, 0x11111111u));
    EXPECT_EQ(ReadRecordWords(path), (std::vector<std::uint32_t>{0x7063CA0Bu, 0x11111111u, 0u, 0xAABBCCDDu}));

    writer.Close();
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_FALSE(writer.Append(4, 1u));
    EXPECT_EQ(FileBytes(path).size(), 16);
}

TEST(RecordFileWriter, ReportsFailures) {
    RecordFileWriter writer;
    EXPECT_FALSE(writer.Open("/nonexistent-folder/NGFO0509.qzx"));
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_FALSE(writer.Append(0, 1u));
    // A device that is always full takes no word.
    ASSERT_TRUE(writer.Open("/dev/full"));
    EXPECT_FALSE(writer.Append(0, 1u));
}

TEST(RecordFileWriter, SyncedAppendsWriteTheSameBytes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("OLVX5959.qzx");
    RecordFileWriter writer(true);
    EXPECT_TRUE(writer.SyncToDisk());
    ASSERT_TRUE(writer.Open(path));
    for (std::uint32_t i = 0; i < 3; ++i)
        EXPECT_TRUE(writer.Append(i, 0x10u + i));
    EXPECT_EQ(ReadRecordWords(path), (std::vector<std::uint32_t>{0x10u, 0x11u, 0x12u}));
}

TEST(RecordFileWriterDeathTest, AppendedWordsSurviveACrash) {
    GTEST_FLAG_SET(death_test_style, "fast");  // the child forks off this very test, same folder
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("AA1A0000.qzx");
    // The child writes three words and dies without closing anything.
    EXPECT_DEATH(
        {
            RecordFileWriter writer;
            if (writer.Open(path)) {
                writer.Append(0, 1u);
                writer.Append(1, 2u);
                writer.Append(2, 3u);
            }
            std::abort();
        },
        "");
    EXPECT_EQ(ReadRecordWords(path), (std::vector<std::uint32_t>{1u, 2u, 3u}));
}
