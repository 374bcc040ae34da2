// SPDX-License-Identifier: GPL-3.0-or-later
// The tick's arithmetic: what counts as a reading, the running extremes and
// the summary line.
#include "recording/link_watch.h"
#include "reading/live_reading.h"

#include <gtest/gtest.h>

TEST(LinkState, TextsAreSeventeenCharactersWide) {
    EXPECT_EQ(live::LinkStateText(true), " USB Connect     ");
    EXPECT_EQ(live::LinkStateText(false), " USB Disconnect  ");
    EXPECT_EQ(live::LinkStateText(true).size(), 17);
    EXPECT_EQ(live::LinkStateText(false).size(), 17);
}

TEST(LevelReply, OnlyAFilledReplyIsAReading) {
    const std::uint8_t reply[4] = {0x0B, 0xCA, 0x63, 0x70};
    struct Case { int result; std::optional<std::uint32_t> word; };
    const Case cases[] = {
        {4, 0xCA0Bu},           // full reply: bytes 2 and 3 are not used
        {2, 0xCA0Bu},           // the two bytes that matter arrived
        {1, std::nullopt},      // short reply: byte 1 is stale
        {0, std::nullopt},      // no handle: nothing was transferred
        {-110, std::nullopt},   // timeout
        {-32, std::nullopt},    // stall
        {-19, std::nullopt},    // device gone
    };
    for (const auto& c : cases) EXPECT_EQ(live::LiveWordFromReply(c.result, reply), c.word) << c.result;
}

TEST(RunningExtremes, SeededByTheFirstReadingThenStrict) {
    float mx = 99, mn = -99;  // left over from an earlier recording
    const float levels[] = {65.3f, 70.1f, 60.0f, 70.1f, 60.0f, 64.0f};
    const float wantMax[] = {65.3f, 70.1f, 70.1f, 70.1f, 70.1f, 70.1f};
    const float wantMin[] = {65.3f, 65.3f, 60.0f, 60.0f, 60.0f, 60.0f};
    for (std::uint32_t i = 0; i < 6; ++i) {
        live::UpdateExtremes(i + 1, levels[i], mx, mn);
        EXPECT_FLOAT_EQ(mx, wantMax[i]) << "reading " << i + 1;
        EXPECT_FLOAT_EQ(mn, wantMin[i]) << "reading " << i + 1;
    }
}

TEST(SummaryLine, ExtremesAreTruncatedAndTheValueKeepsItsComma) {
    reading::ReadingTexts t;
    t.Date = "3/5/24";
    t.Time = "2:07:09 PM";
    t.Value = "65,3";
    EXPECT_EQ(live::SummaryLine(t, 70.9f, 60.0f),
              "Date: 3/5/24  Time: 2:07:09 PM  Value: 65,3 dB  Max: 70 dB  Min: 60 dB");
    EXPECT_TRUE(live::SummaryLine(t, 132.3f, 30.0f).endsWith("  Max: 132 dB  Min: 30 dB"));
}

TEST(Scrolling, StartsAfterReading290) {
    EXPECT_FALSE(live::ScrollsWindow(290));
    EXPECT_TRUE(live::ScrollsWindow(291));
}
