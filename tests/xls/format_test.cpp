// SPDX-License-Identifier: GPL-3.0-or-later
// Format details of the engine: number texts, RK numbers and the shared
// string table split over CONTINUE records.
#include "records/xls/biff_strings.h"
#include "records/xls/number_text.h"
#include "records/xls/number_format.h"

#include <clocale>
#include <cstring>

#include <gtest/gtest.h>

namespace {

using namespace xls::detail;

TEST(GeneralNumberText, ShowsNumbersAsASpreadsheetDoesWithAPointInAnyLocale) {
    struct Case { double value; const char* text; };
    const Case cases[] = {
        {7, "7"}, {-3, "-3"}, {0, "0"}, {-0.0, "0"}, {52.3, "52.3"}, {0.1, "0.1"}, {-61.25, "-61.25"},
        {1.0 / 3, "0.3333333333333333"}, {123456789012345, "123456789012345"}, {1e20, "1E+20"},
        {1.5e-7, "1.5E-07"}, {65536, "65536"},
    };
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        std::setlocale(LC_ALL, locale);
        for (const Case& c : cases) EXPECT_EQ(GeneralNumberText(c.value).toStdString(), c.text) << locale;
    }
    std::setlocale(LC_ALL, "C");
}

std::uint32_t RkOfDouble(double v, bool div100) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof v);
    return std::uint32_t(bits >> 32) | (div100 ? 1u : 0u);
}

TEST(Rk, DecodesIntegersDoublesAndHundredths) {
    struct Case { std::uint32_t rk; double value; };
    const Case cases[] = {
        {(7u << 2) | 2, 7},
        {std::uint32_t(-5 * 4) | 2, -5},
        {(5230u << 2) | 3, 52.3},
        {RkOfDouble(1.5, false), 1.5},
        {RkOfDouble(6125, true), 61.25},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(DecodeRk(c.rk), c.value) << std::hex << c.rk;
}

TEST(SharedStrings, ReadsTextsWhoseCharactersChangeWidthAtARecordBoundary) {
    // "abc" in 8-bit characters, then the CONTINUE record goes on in 16-bit.
    Bytes first = {2, 0, 0, 0, 3, 0, 0, 0, 6, 0, 0x00, 'a', 'b', 'c'};
    Bytes second = {0x01, 0x2D, 0x4E, 0x87, 0x65, 'x', 0};
    // then a rich text with one run and a 16-bit text that falls back to 8-bit
    Bytes third = {2, 0, 0x08, 1, 0, 'h', 'i', 0, 0, 5, 0, 3, 0, 0x01, 0xE9, 0x00};
    Bytes fourth = {0x00, 'z', 'y'};
    SharedStrings sst = ParseSst({&first, &second, &third, &fourth});
    ASSERT_EQ(sst.entries.size(), 3u);
    EXPECT_EQ(sst.entries[0].text, QStringLiteral("abc\u4E2D\u6587x"));
    EXPECT_EQ(sst.entries[1].text, "hi");
    EXPECT_EQ(sst.entries[1].runs, (Bytes{0, 0, 5, 0}));
    EXPECT_EQ(sst.entries[2].text, QStringLiteral("\u00E9zy"));
}

TEST(SharedStrings, WrittenTablesSplitCleanlyAndIndexEveryBucket) {
    SharedStrings sst;
    sst.totalRefs = 4000;
    for (int i = 0; i < 3000; ++i) {
        QString text = QString::number(i) + QString(i % 50, QChar(i % 3 ? 'w' : 0x4E2D));
        SstEntry e{text, {}, {}};
        if (i % 97 == 0) e.runs = {0, 0, 5, 0, 2, 0, 6, 0};
        sst.entries.push_back(e);
    }
    sst.entries.push_back({QString(20000, QChar(0x00E9)), {}, {}});
    Bytes stream = {0x09, 0x08, 0, 0};  // something before the table, so positions are not zero-based
    WriteSst(stream, sst);

    std::vector<Record> records = SplitRecords(stream);
    std::vector<const Bytes*> segments;
    const Record* ext = nullptr;
    for (const Record& r : records) {
        EXPECT_LE(r.data.size(), MaxRecordData);
        if (r.type == 0x00FC || r.type == 0x003C) segments.push_back(&r.data);
        if (r.type == 0x00FF) ext = &r;
    }
    ASSERT_GT(segments.size(), 3u);
    SharedStrings back = ParseSst(segments);
    EXPECT_EQ(back.totalRefs, 4000u);
    ASSERT_EQ(back.entries.size(), sst.entries.size());
    for (std::size_t i = 0; i < sst.entries.size(); ++i) {
        ASSERT_EQ(back.entries[i].text, sst.entries[i].text) << i;
        ASSERT_EQ(back.entries[i].runs, sst.entries[i].runs) << i;
    }

    // EXTSST: each bucket points at the header of every dsst-th string.
    ASSERT_NE(ext, nullptr);
    std::size_t perBucket = GetU16(ext->data, 0);
    std::size_t buckets = (ext->data.size() - 2) / 8;
    EXPECT_EQ(buckets, (sst.entries.size() + perBucket - 1) / perBucket);
    for (std::size_t b = 0; b < buckets; ++b) {
        std::uint32_t at = GetU32(ext->data, 2 + 8 * b);
        std::uint16_t inRecord = GetU16(ext->data, 6 + 8 * b);
        const QString& expected = sst.entries[b * perBucket].text;
        ASSERT_LT(at + 2, stream.size());
        EXPECT_EQ(GetU16(stream, at), expected.size()) << b;
        // The record holding it starts inRecord bytes earlier.
        auto rec = std::find_if(records.begin(), records.end(), [&](const Record& r) { return r.offset + inRecord == at; });
        EXPECT_NE(rec, records.end()) << b;
    }
}

}  // namespace

namespace {

TEST(NumberFormats, DateAndTimeTokensCountOnlyOutsideQuotesEscapesAndBrackets) {
    using xls::FormatKind;
    const struct { const char* format; FormatKind kind; } cases[] = {
        {"General", FormatKind::Number},
        {"0.0", FormatKind::Number},
        {"#,##0.00;[Red]-#,##0.00", FormatKind::Number},
        {"0.00E+00", FormatKind::Number},  // the exponent is no era year
        {"0%", FormatKind::Number},
        {"@", FormatKind::Number},
        {"\"dB\" 0.0", FormatKind::Number},  // quoted letters are no tokens
        {"0.0\\d", FormatKind::Number},      // nor escaped ones
        {"[Blue]0", FormatKind::Number},     // nor colours
        {"yyyy-mm-dd", FormatKind::Date},
        {"d-mmm-yy", FormatKind::Date},
        {"mmm", FormatKind::Date},  // a month alone
        {"[$-407]dd.mm.yyyy", FormatKind::Date},
        {"h:mm:ss", FormatKind::Time},
        {"mm:ss", FormatKind::Time},  // minutes beside seconds
        {"[h]:mm", FormatKind::Time},
        {"h AM/PM", FormatKind::Time},
        {"[$-409]h:mm:ss AM/PM;@", FormatKind::Time},
        {"m/d/yy h:mm", FormatKind::DateTime},
        {"yyyy-mm-dd\"T\"hh:mm:ss", FormatKind::DateTime},
        {"0.0;\"d\"yyyy", FormatKind::Number},  // only the first section counts
    };
    for (const auto& c : cases)
        EXPECT_EQ(int(xls::ClassifyNumberFormat(QString::fromUtf8(c.format))), int(c.kind)) << c.format;
}

TEST(NumberFormats, BuiltInFormatsAndDecimals) {
    using xls::FormatKind;
    const struct { int id; FormatKind kind; } builtIn[] = {
        {0, FormatKind::Number}, {2, FormatKind::Number}, {11, FormatKind::Number}, {14, FormatKind::Date},
        {17, FormatKind::Date},  {18, FormatKind::Time},  {21, FormatKind::Time},   {22, FormatKind::DateTime},
        {30, FormatKind::Date},  {45, FormatKind::Time},  {46, FormatKind::Time},   {49, FormatKind::Number},
        {57, FormatKind::Date},  {60, FormatKind::Number},
    };
    for (const auto& c : builtIn) EXPECT_EQ(int(xls::BuiltInFormatKind(c.id)), int(c.kind)) << c.id;
    const struct { const char* format; int decimals; } decimals[] = {
        {"General", -1}, {"0", -1}, {"0.0", 1}, {"#,##0.000", 3}, {"0.0#", 2}, {"\"a.b\"0", -1}, {"0.00E+00", 2},
    };
    for (const auto& c : decimals) EXPECT_EQ(xls::FixedDecimals(QString::fromUtf8(c.format)), c.decimals) << c.format;
}

}  // namespace
