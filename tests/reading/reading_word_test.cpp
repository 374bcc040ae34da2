// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding reading words into texts, the level and size formatters.
#include "reading/reading_word.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cmath>

using namespace reading;

namespace {

// Dates and times in these tests are written the German way ("14:03:07",
// "05.03.24"), so that a time text can be compared as a whole.
class ReadingWordTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

std::uint32_t WordOfBytes(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return std::uint32_t(b0) | std::uint32_t(b1) << 8 | std::uint32_t(b2) << 16 | std::uint32_t(b3) << 24;
}

std::uint32_t TimeBits(int h, int m, int s) { return std::uint32_t((h << 12) | (m << 6) | s) << 15; }

ClockTexts Clock(const char* h, const char* m, const char* s) {
    return {"2024", "3", "5", h, m, s};
}

}  // namespace

struct FileCase {
    std::uint32_t word;
    const char* value;
    const char* range;
    const char* weighting;
    const char* response;
    const char* time;
};

TEST_F(ReadingWordTest, FileDecodeGivesTheTextsOfEveryField) {
    const FileCase cases[] = {
        {WordOfBytes(0x0B, 0xCA, 0x63, 0x70), "82,3", "2", "A", "SLOW", "14:03:07"},
        {0xFFFFFFFFu, "132,3", "7", "C", "SLOW", "23:59:59"},
        {0x00000000u, "30,0", "0", "A", "FAST", "00:00:00"},
        {(1u << 13) | (5u << 10) | 223u | TimeBits(9, 5, 7), "52,3", "5", "C", "FAST", "09:05:07"},
        // Out-of-range time fields are clamped one by one.
        {TimeBits(24, 0, 0), "30,0", "0", "A", "FAST", "23:00:00"},
        {TimeBits(31, 10, 10), "30,0", "0", "A", "FAST", "23:10:10"},
        {TimeBits(12, 60, 5), "30,0", "0", "A", "FAST", "12:59:05"},
        {TimeBits(12, 5, 63), "30,0", "0", "A", "FAST", "12:05:59"},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.word);
        ReadingTexts texts;
        texts.Date = "kept";
        DecodeFile(c.word, texts);
        EXPECT_EQ(texts.Value, c.value);
        EXPECT_EQ(texts.Range, c.range);
        EXPECT_EQ(texts.Weighting, c.weighting);
        EXPECT_EQ(texts.Response, c.response);
        EXPECT_EQ(texts.Time, c.time);
        EXPECT_EQ(texts.Date, "kept");  // the file decode leaves the date alone
    }
}

TEST_F(ReadingWordTest, LevelCodesGiveLevelAndDigitTexts) {
    struct Case {
        int code;
        const char* value;
        const char* digits;
        float number;
    } cases[] = {
        {0, "30,0", " 30,0", 30.0f},
        {223, "52,3", " 52,3", 52.3f},
        {699, "99,9", " 99,9", 99.9f},
        {700, "100,0", "100,0", 100.0f},
        {1023, "132,3", "132,3", 132.3f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const QString value = FormatLevel(LevelTenths(std::uint32_t(c.code)));
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(DigitText(value), c.digits);
        // A level text reads back as (code + 300) / 10.
        const auto number = LevelNumber(value);
        ASSERT_TRUE(number.has_value());
        EXPECT_FLOAT_EQ(*number, c.number);
    }
}

TEST_F(ReadingWordTest, LevelNumberReadsCommaOrStopAndRejectsOtherText) {
    struct Case {
        const char* text;
        std::optional<float> number;
    } cases[] = {
        {"65,3", 65.3f}, {" 65,3 ", 65.3f}, {"65.3", 65.3f}, {"100", 100.0f}, {"-1,5", -1.5f},
        {"", std::nullopt}, {"   ", std::nullopt}, {"abc", std::nullopt}, {"65,3dB", std::nullopt},
        {"1.234,5", std::nullopt}, {"nan", std::nullopt}, {"inf", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto number = LevelNumber(QString::fromUtf8(c.text));
        ASSERT_EQ(number.has_value(), c.number.has_value());
        if (number) {
            EXPECT_FLOAT_EQ(*number, *c.number);
        }
    }
}

TEST_F(ReadingWordTest, ScaleLabelsOfEveryRange) {
    const char* expected[7][3] = {
        {"30", " 80", "1. 30----- 80 DB"}, {"40", " 90", "2. 40----- 90 DB"},
        {"50", "100", "3. 50-----100 DB"}, {"60", "110", "4. 60-----110 DB"},
        {"70", "120", "5. 70-----120 DB"}, {"80", "130", "6. 80-----130 DB"},
        {"30", "130", "7. 30-----130 DB"},
    };
    for (int i = 0; i < 7; ++i) {
        const auto labels = ScaleLabels(i);
        ASSERT_TRUE(labels.has_value()) << i;
        EXPECT_STREQ(labels->lower, expected[i][0]);
        EXPECT_STREQ(labels->upper, expected[i][1]);
        EXPECT_STREQ(labels->setupEntry, expected[i][2]);
    }
    EXPECT_FALSE(ScaleLabels(7).has_value());
    EXPECT_FALSE(ScaleLabels(-1).has_value());
}

TEST_F(ReadingWordTest, LiveDecodeTakesTheTimeOfDayFromTheClockSample) {
    // Bit 15 set in the live word, and the upper half as well: none of it
    // may reach the recorded word.
    const std::uint32_t live = 0xFFFF8000u | (1u << 14) | (3u << 10) | 523u;
    const QDateTime now(QDate(2024, 3, 5), QTime(14, 3, 8));  // a second after the sample
    ReadingTexts texts;
    const std::uint32_t record = DecodeLive(live, Clock("14", "3", "7"), now, texts);

    EXPECT_EQ(record & 0x7FFFu, live & 0x7FFFu);
    EXPECT_EQ(record >> 15, TimeBits(14, 3, 7) >> 15);
    EXPECT_EQ(WordTime(record), QTime(14, 3, 7));
    EXPECT_EQ(texts.Value, "82,3");
    EXPECT_EQ(texts.Range, "3");
    EXPECT_EQ(texts.Weighting, "A");
    EXPECT_EQ(texts.Response, "SLOW");
    // Date and time are read from the clock at decode time, not the sample.
    EXPECT_EQ(texts.Time, "14:03:08");
    EXPECT_EQ(texts.Date, "05.03.24");
}

TEST_F(ReadingWordTest, LiveReadingsASecondApartDifferOnlyInTheTimeBits) {
    const std::uint32_t live = 0x0000CA0Bu;
    ReadingTexts texts;
    const QDateTime now(QDate(2024, 3, 5), QTime(23, 59, 59));
    const std::uint32_t first = DecodeLive(live, Clock("23", "59", "58"), now, texts);
    const std::uint32_t second = DecodeLive(live, Clock("23", "59", "59"), now, texts);
    EXPECT_NE(first, second);
    EXPECT_EQ((first ^ second) & 0x7FFFu, 0u);
    EXPECT_EQ(WordTime(first), QTime(23, 59, 58));
    EXPECT_EQ(WordTime(second), QTime(23, 59, 59));
}

TEST_F(ReadingWordTest, LiveDecodeClampsClockTexts) {
    struct Case {
        ClockTexts clock;
        QTime time;
    } cases[] = {
        {Clock("9", "5", "7"), QTime(9, 5, 7)},
        {Clock("0", "0", "0"), QTime(0, 0, 0)},
        {Clock("24", "60", "60"), QTime(23, 59, 59)},
        {Clock("99", "99", "99"), QTime(23, 59, 59)},
        // No sample yet, or a broken one: no stray bits, time 0.
        {ClockTexts{}, QTime(0, 0, 0)},
        {Clock("-1", "x", "-5"), QTime(0, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clock.Hour.toStdString() + ":" + c.clock.Minute.toStdString());
        ReadingTexts texts;
        const std::uint32_t record = DecodeLive(0x1234u, c.clock, QDateTime(QDate(2024, 3, 5), QTime(1, 2, 3)), texts);
        EXPECT_EQ(record & 0x7FFFu, 0x1234u);
        EXPECT_EQ(WordTime(record), c.time);
        EXPECT_EQ(record >> 15, TimeBits(c.time.hour(), c.time.minute(), c.time.second()) >> 15);
    }
}

TEST_F(ReadingWordTest, ClockTextsHaveNoLeadingZeros) {
    const ClockTexts t = ClockTexts::From(QDateTime(QDate(2024, 3, 5), QTime(9, 5, 7)));
    EXPECT_EQ(t.Year, "2024");
    EXPECT_EQ(t.Month, "3");
    EXPECT_EQ(t.Day, "5");
    EXPECT_EQ(t.Hour, "9");
    EXPECT_EQ(t.Minute, "5");
    EXPECT_EQ(t.Second, "7");
    EXPECT_FALSE(t.IsEmpty());
    EXPECT_TRUE(ClockTexts{}.IsEmpty());
}

TEST(FormatCutDecimals, CutsWithoutRoundingAfterTheDecimalComma) {
    struct Case {
        float value;
        int digits;
        const char* text;
    } cases[] = {
        {3.7f, 2, "3,70"},
        {1.5f, 2, "1,5"},
        {2000.0f, 3, "2000"},
        {0.0009765625f, 3, "0,000"},
        {3.7f, 0, "3,"},
        {0.0f, 2, "0"},
        {-2.25f, 1, "-2,2"},
        // Sizes of the card dialog: bytes / 2^20 in MB, bytes / 2^10 in KB.
        {float(123456789.0 / 1048576.0), 2, "117,73"},
        {float(123456789.0 / 1024.0), 3, "120563,273"},
        {float(1000.0 / 1024.0), 3, "0,976"},
        {float(1048576.0 / 1048576.0), 2, "1"},
        {float(1048576.0 / 1024.0), 3, "1024"},
        {float(3000000000.0 / 1048576.0), 2, "2861,02"},
        // Fixed notation whatever the magnitude: 5 bytes in MB is no 4,76 MB.
        {float(5.0 / 1048576.0), 2, "0,00"},
        {float(5.0 / 1048576.0), 8, "0,00000476"},
        {1e16f, 2, "10000000272564200"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.value << " / " << c.digits);
        EXPECT_EQ(FormatCutDecimals(c.value, c.digits), c.text);
    }
}
