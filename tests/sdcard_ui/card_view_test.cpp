// SPDX-License-Identifier: GPL-3.0-or-later
// What the card dialog shows of a volume and its entries, and the local
// names of copies: plain code, no display.
#include "sdcard/card_view.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <cstring>
#include <limits>

namespace {

using CardView::SpaceFigures;

// A directory entry with an 11-byte name (8 base, 3 extension bytes).
Fat32::DirectoryEntry Entry(const char (&name11)[12], std::uint32_t size = 0, std::uint16_t date = 0,
                            std::uint16_t time = 0, std::uint8_t attributes = 0x20) {
    Fat32::DirectoryEntry e{};
    std::memcpy(e.data(), name11, 11);
    e[11] = attributes;
    e[14] = std::uint8_t(time), e[15] = std::uint8_t(time >> 8);
    e[16] = std::uint8_t(date), e[17] = std::uint8_t(date >> 8);
    for (int i = 0; i < 4; ++i) e[std::size_t(28 + i)] = std::uint8_t(size >> (8 * i));
    return e;
}

TEST(CardFigures, ByteAndMegabyteTexts) {
    struct Case {
        std::uint64_t bytes;
        const char* byteText;
        const char* mbText;
    };
    const Case cases[] = {
        {0, "0", "0"},
        {1048576, "1048576", "1"},
        {123456789, "123456789", "117,73"},
        {3000000000ull, "3000000000", "2861,02"},
        // A 32 GB-class card: beyond 32 bits, and the MB figure still right.
        {31914983424ull, "31914983424", "30436,5"},
        {64021856256ull, "64021856256", "61056"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(CardView::ByteText(c.bytes), QLatin1String(c.byteText));
        EXPECT_EQ(CardView::MegabyteText(c.bytes), QLatin1String(c.mbText));
    }
}

TEST(CardFigures, UsedIsWhatIsNotFreeAndTheShareNeverDividesByZero) {
    struct Case {
        std::uint64_t capacity, free;
        std::uint64_t used;
        std::optional<int> share;
    };
    const Case cases[] = {
        {0, 0, 0, std::nullopt},                        // nothing mounted: no pie
        {1000, 0, 1000, 0},                             // FSInfo unusable: all used
        {1000, 1000, 0, 100},
        {3000, 1000, 2000, 33},                         // truncated, not rounded
        {3000, 1999, 1001, 66},
        {1000, 5000, 0, 100},                           // a card claiming more free than capacity
        {32ull << 30, 31ull << 30, 1ull << 30, 96},     // 32 GiB: no wrap of the byte counts
        {std::numeric_limits<std::uint64_t>::max(), std::numeric_limits<std::uint64_t>::max() / 2,
         std::numeric_limits<std::uint64_t>::max() - std::numeric_limits<std::uint64_t>::max() / 2, 49},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.capacity << " " << c.free);
        const SpaceFigures f = CardView::FiguresOf(c.capacity, c.free);
        EXPECT_EQ(f.capacity, c.capacity);
        EXPECT_EQ(f.free, c.free);
        EXPECT_EQ(f.used, c.used);
        EXPECT_EQ(CardView::FreeSharePercent(f), c.share);
    }
}

TEST(CardEntries, DatesAndTimesClampOutOfRangeParts) {
    struct DateCase {
        std::uint16_t field;
        QDate date;
    };
    const DateCase dates[] = {
        {0x0000, QDate(1980, 1, 1)},                                   // day 0, month 0
        {0xFFFF, QDate(2107, 12, 31)},                                 // month 15, day 31
        {std::uint16_t((44 << 9) | (3 << 5) | 5), QDate(2024, 3, 5)},
        {std::uint16_t((43 << 9) | (2 << 5) | 30), QDate(2023, 2, 28)},  // 30 February
        {std::uint16_t((44 << 9) | (2 << 5) | 31), QDate(2024, 2, 29)},  // leap year
        {std::uint16_t((43 << 9) | (4 << 5) | 31), QDate(2023, 4, 30)},
        {std::uint16_t((43 << 9) | (13 << 5) | 0), QDate(2023, 12, 1)},
    };
    for (const DateCase& c : dates) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(CardView::EntryDate(c.field), c.date);
    }
    struct TimeCase {
        std::uint16_t field;
        QTime time;
    };
    const TimeCase times[] = {
        {0x0000, QTime(0, 0, 0)},
        {0xFFFF, QTime(23, 59, 59)},                                  // 62 s, 63 min, 31 h
        {std::uint16_t((14 << 11) | (7 << 5) | 29), QTime(14, 7, 58)},
        {std::uint16_t((23 << 11) | (59 << 5) | 30), QTime(23, 59, 59)},  // 60 seconds
    };
    for (const TimeCase& c : times) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(CardView::EntryTime(c.field), c.time);
    }
}

TEST(CardEntries, RowTexts) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::uint16_t date = std::uint16_t((44 << 9) | (3 << 5) | 5);
    const std::uint16_t time = std::uint16_t((14 << 11) | (7 << 5) | 4);

    // Row 0 stands for the root directory, whatever entry it is.
    const CardView::RowTexts root = CardView::RowTextsOf(Entry("METERCARD  ", 0, date, time, 0x08), 0);
    EXPECT_EQ(root.caption, QStringLiteral("..."));
    EXPECT_TRUE(root.size.isEmpty() && root.date.isEmpty() && root.time.isEmpty());

    const CardView::RowTexts file = CardView::RowTextsOf(Entry("NGFO0509QZX", 123456789, date, time), 3);
    EXPECT_EQ(file.caption, QStringLiteral("ngfo0509.qzx"));
    EXPECT_EQ(file.size, QStringLiteral("120563,273   KB"));
    EXPECT_EQ(file.date, QStringLiteral("05.03.24"));
    EXPECT_EQ(file.time, QStringLiteral("14:07:08"));

    const CardView::RowTexts limits = CardView::RowTextsOf(Entry("A       QZX", 1000, 0xFFFF, 0xFFFF), 1);
    EXPECT_EQ(limits.date, QStringLiteral("31.12.07"));
    EXPECT_EQ(limits.time, QStringLiteral("23:59:59"));
    QLocale::setDefault(QLocale::system());

    struct SizeCase {
        std::uint32_t bytes;
        const char* text;
    };
    for (const SizeCase& c : {SizeCase{0, "0   KB"}, SizeCase{1000, "0,976   KB"}, SizeCase{1048576, "1024   KB"},
                              SizeCase{0xFFFFFFFF, "4194304   KB"}}) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(CardView::SizeText(c.bytes), QLatin1String(c.text));
    }
}

TEST(CardEntries, CaptionsAreLowerCasedAndTrimmedOnlyAtTheEnds) {
    struct Case {
        const char name[12];
        const char* caption;
    };
    const Case cases[] = {
        {"A       QZX", "a.qzx"},          // short base: no blanks before the dot
        {" A      QZX", "a.qzx"},
        {"NGFO0509QZX", "ngfo0509.qzx"},
        {"MY FILE TXT", "my file.txt"},    // a blank inside stays
        {"LOGS       ", "logs"},           // no extension: no dot either
        {"README  TX ", "readme.tx"},      // a short extension loses its padding too
        {"\x01" "ABC    Q\x02Z", "abc.q\x02z"},  // control bytes go only at the ends
        {"AB_9$~  Q1Z", "ab_9$~.q1z"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(CardView::EntryCaption(Entry(c.name)), QLatin1String(c.caption));
    }
}

TEST(CardEntries, NamesKeepTheBlanksAndTheKeyIsBaseDotExtension) {
    const CardView::EntryNames names = CardView::NamesOf(Entry("AB      qzx"));
    EXPECT_EQ(names.base, QByteArray("AB      "));
    EXPECT_EQ(names.extension, QByteArray("qzx"));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(names.key.data()), 12), QByteArray("AB      .qzx"));
}

// The local name of a copy drops the short name's padding (and the dot when
// there is no extension), while the key that finds the entry on the card
// keeps the padded 8 + 3 form.
TEST(CardEntries, LocalCopyNamesDropThePaddingAndTheKeyKeepsIt) {
    struct Case {
        const char name[12];
        const char* local;      // the copy's file name
        const char* base;       // proposed in the save dialog
        const char* uploadTo;   // what the chosen path "up" becomes
        const char* key;
    };
    const Case cases[] = {
        {"LOG     CSV", "LOG.CSV", "LOG", "up.CSV", "LOG     .CSV"},                  // padded base
        {"NGFO0509QZX", "NGFO0509.QZX", "NGFO0509", "up.QZX", "NGFO0509.QZX"},     // full 8.3
        {"README     ", "README", "README", "up", "README  .   "},                   // no extension
        {"REC        ", "REC", "REC", "up", "REC     .   "},                         // a directory
        {"DATA    TX ", "DATA.TX", "DATA", "up.TX", "DATA    .TX "},                 // short extension
        {"MY FILE TXT", "MY FILE.TXT", "MY FILE", "up.TXT", "MY FILE .TXT"},         // a blank inside stays
        // Names that would be the folder itself or its parent.
        {"           ", "_", "_", "up", "        .   "},
        {".       ABC", "_.ABC", "_", "up.ABC", ".       .ABC"},
        {"..         ", "__", "__", "up", "..      .   "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CardView::EntryNames names = CardView::NamesOf(Entry(c.name, 0, 0, 0, 0x10));
        EXPECT_EQ(CardView::LocalCopyName(names), QLatin1String(c.local));
        EXPECT_EQ(CardView::LocalBaseName(names), QLatin1String(c.base));
        EXPECT_EQ(CardView::WithLocalExtension(QStringLiteral("up"), names), QLatin1String(c.uploadTo));
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(names.key.data()), 12), QByteArray(c.key));
    }
}

TEST(CardFigures, PieSharesAreUsedThenFreeAndAddUpToAHundred) {
    struct Case {
        std::uint64_t capacity, free;
        std::optional<CardView::PieShares> shares;
    };
    const Case cases[] = {
        {0, 0, std::nullopt},
        {1000, 0, CardView::PieShares{100, 0}},   // FSInfo unusable: all used
        {1000, 1000, CardView::PieShares{0, 100}},
        {3000, 1000, CardView::PieShares{67, 33}},  // the free share truncated, used the rest
        {4000, 1000, CardView::PieShares{75, 25}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.capacity << " " << c.free);
        const auto shares = CardView::PieSharesOf(CardView::FiguresOf(c.capacity, c.free));
        ASSERT_EQ(shares.has_value(), c.shares.has_value());
        if (!shares) continue;
        EXPECT_EQ(shares->used, c.shares->used);
        EXPECT_EQ(shares->free, c.shares->free);
    }
}

TEST(CardFigures, ATruncatedListingIsSaid) {
    EXPECT_TRUE(CardView::TruncatedListingNote(false, 12).isEmpty());
    const QString note = CardView::TruncatedListingNote(true, 500);
    EXPECT_TRUE(note.contains(QLatin1String("500"))) << note.toStdString();
}

TEST(CardEntries, UnsafeBytesNeverLeaveTheFolder) {
    struct Case {
        const char name[12];
        const char* local;
    };
    const Case cases[] = {
        {"../../X   /", ".._.._X.  _"},
        {"..\\..\\X  ..", ".._.._X. .."},
        {"A:B*C?D\"<>|", "A_B_C_D_.___"},
        {"/ETC/PASQZX", "_ETC_PAS.QZX"},
        {"\x7F\x1F" "ABCDEF\x0A\x0D\x09", "__ABCDEF.___"},
    };
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.local);
        const QString local = CardView::LocalCopyName(CardView::NamesOf(Entry(c.name)));
        EXPECT_EQ(local, QLatin1String(c.local));
        const QFileInfo where(folder.path() + QLatin1Char('/') + local);
        EXPECT_EQ(where.absoluteDir().canonicalPath(), QDir(folder.path()).canonicalPath());
    }
    // NUL bytes too (not expressible in the table's strings), and bytes
    // above 0x7F are kept as Latin-1 letters.
    Fat32::DirectoryEntry e = Entry("AB      QZX");
    e[2] = 0;
    e[3] = 0xE9;
    EXPECT_EQ(CardView::LocalCopyName(CardView::NamesOf(e)), QString::fromUtf8("AB_\u00E9.QZX"));
}

TEST(CardEntries, OnlyDirectoriesCountAsDirectories) {
    EXPECT_TRUE(CardView::IsDirectory(Entry("LOGS       ", 0, 0, 0, 0x10)));
    EXPECT_TRUE(CardView::IsDirectory(Entry("HIDDEN     ", 0, 0, 0, 0x12)));
    EXPECT_FALSE(CardView::IsDirectory(Entry("METERCARD  ", 0, 0, 0, 0x08)));
    EXPECT_FALSE(CardView::IsDirectory(Entry("A       QZX", 0, 0, 0, 0x2F)));
    EXPECT_FALSE(CardView::IsDirectory(Entry("A       QZX", 0, 0, 0, 0x20)));
}

}  // namespace
