// SPDX-License-Identifier: GPL-3.0-or-later
// The setup byte as the dialog's controls see it, and the clock blocks.
#include "setup/setup_byte.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <array>

namespace {

using setup::BuildSetupByte;
using setup::ControlsFor;
using setup::SetupControls;

TEST(SetupByte, ShowingAndApplyingAnyByteKeepsItsSixMeaningfulBits) {
    // Whatever the meter reports, an apply with untouched controls gives the
    // byte back without the card and the uninterpreted bit; range 7 (no
    // list entry) keeps its range bits rather than setting all eight.
    for (int b = 0; b < 256; ++b) {
        const auto byte = std::uint8_t(b);
        EXPECT_EQ(BuildSetupByte(ControlsFor(byte), byte), b & 0x3F) << "byte " << b;
    }
}

TEST(SetupByte, ControlsOfAByte) {
    struct Case {
        std::uint8_t byte;
        SetupControls controls;
    };
    const Case cases[] = {
        {0x3B, {3, true, true, true}},
        {0x7B, {3, true, true, true}},   // the card bit shows nowhere
        {0x00, {0, false, false, false}},
        {0x86, {6, false, false, false}},
        {0x17, {setup::NoRange, false, true, false}},
    };
    for (const Case& c : cases) EXPECT_EQ(ControlsFor(c.byte), c.controls) << int(c.byte);
}

TEST(SetupByte, BuiltFromControlsAlone) {
    struct Case {
        SetupControls controls;
        std::uint8_t readByte;
        std::uint8_t expected;
    };
    const Case cases[] = {
        {{3, true, true, true}, 0x7B, 0x3B},             // card bit cleared: written on every apply
        {{1, false, true, true}, 0x3B, 0x31},            // range and weighting changed
        {{6, false, false, false}, 0xFF, 0x06},          // bits 6 and 7 always 0
        {{setup::NoRange, true, false, false}, 0x3B, 0x0B},  // no entry: range as read
        {{setup::NoRange, false, false, true}, 0xFF, 0x27},  // never all eight bits
        {{9, false, false, false}, 0x02, 0x02},          // an index past the list counts as none
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildSetupByte(c.controls, c.readByte), c.expected) << int(c.readByte) << " -> " << int(c.expected);
}

TEST(SetupByte, WrittenWhenAnyOfTheEightBitsDiffers) {
    EXPECT_FALSE(setup::NeedsWrite(0x3B, 0x3B));
    EXPECT_TRUE(setup::NeedsWrite(0x7B, 0x3B));
    EXPECT_TRUE(setup::NeedsWrite(0xBB, 0x3B));
    EXPECT_TRUE(setup::NeedsWrite(0x3B, 0x3A));
}

TEST(ClockBlocks, BcdOfTwoDigits) {
    const std::array<std::pair<int, int>, 7> cases{{{0, 0x00}, {7, 0x07}, {10, 0x10}, {12, 0x12},
                                                    {31, 0x31}, {59, 0x59}, {99, 0x99}}};
    for (const auto& [value, bcd] : cases) EXPECT_EQ(setup::BCD(value), bcd) << value;
}

TEST(ClockBlocks, DateAndTimeBlocksOfAClockSample) {
    struct Case {
        QDateTime when;
        std::array<int, 4> date, time;
        int dateValue, dateIndex, timeValue, timeIndex;
    };
    const Case cases[] = {
        {QDateTime(QDate(2024, 3, 7), QTime(14, 3, 9)), {0x00, 0x24, 0x03, 0x07}, {0x01, 0x14, 0x03, 0x09},
         0x2400, 0x0703, 0x1401, 0x0903},
        {QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59)), {0x00, 0x23, 0x12, 0x31}, {0x01, 0x23, 0x59, 0x59},
         0x2300, 0x3112, 0x2301, 0x5959},
        {QDateTime(QDate(2100, 1, 1), QTime(0, 0, 0)), {0x00, 0x00, 0x01, 0x01}, {0x01, 0x00, 0x00, 0x00},
         0x0000, 0x0101, 0x0001, 0x0000},
        {QDateTime(QDate(2009, 10, 5), QTime(0, 40, 20)), {0x00, 0x09, 0x10, 0x05}, {0x01, 0x00, 0x40, 0x20},
         0x0900, 0x0510, 0x0001, 0x2040},
    };
    for (const Case& c : cases) {
        const auto texts = reading::ClockTexts::From(c.when);
        const auto date = setup::DateBlock(texts);
        const auto time = setup::TimeBlock(texts);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(date.b[i], c.date[std::size_t(i)]) << c.when.toString().toStdString() << " date byte " << i;
            EXPECT_EQ(time.b[i], c.time[std::size_t(i)]) << c.when.toString().toStdString() << " time byte " << i;
        }
        EXPECT_EQ(date.Value(), c.dateValue);
        EXPECT_EQ(date.Index(), c.dateIndex);
        EXPECT_EQ(time.Value(), c.timeValue);
        EXPECT_EQ(time.Index(), c.timeIndex);
    }
}

TEST(ClockBlocks, YearByteFromTheLastTwoCharactersOfTheYearText) {
    reading::ClockTexts texts{"1999", "1", "1", "0", "0", "0"};
    EXPECT_EQ(setup::DateBlock(texts).b[1], 0x99);
    texts.Year = "5";  // a year of one digit
    EXPECT_EQ(setup::DateBlock(texts).b[1], 0x05);
    texts.Year = "12345";
    EXPECT_EQ(setup::DateBlock(texts).b[1], 0x45);
}

}  // namespace
