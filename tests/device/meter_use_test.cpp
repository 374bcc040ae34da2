// SPDX-License-Identifier: GPL-3.0-or-later
// The meter's one-user scope: the count of holds, and the listeners told
// when the first hold starts and the last one ends, whichever way the
// holder's scope ends.
#include "device/meter_use.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace {

TEST(MeterUse, ListenersHearOnlyTheFirstStartAndTheLastEnd) {
    std::string heard;
    device::MeterUseListener first([&](bool inUse) { heard += inUse ? "A+" : "A-"; });
    device::MeterUseListener second([&](bool inUse) { heard += inUse ? "B+" : "B-"; });
    ASSERT_FALSE(device::MeterUse::Held());
    {
        device::MeterUse outer;
        EXPECT_EQ(device::MeterUse::HoldCount(), 1);
        EXPECT_EQ(heard, "A+B+");
        {
            device::MeterUse inner;  // a command inside a command
            EXPECT_EQ(device::MeterUse::HoldCount(), 2);
        }
        EXPECT_TRUE(device::MeterUse::Held());
        EXPECT_EQ(heard, "A+B+");  // the inner hold's end is no end of the use
    }
    EXPECT_EQ(device::MeterUse::HoldCount(), 0);
    EXPECT_EQ(heard, "A+B+A-B-");
}

TEST(MeterUse, AHoldEndsWhenItsScopeIsLeftByAnException) {
    int ends = 0;
    device::MeterUseListener listener([&](bool inUse) { ends += inUse ? 0 : 1; });
    try {
        device::MeterUse use;
        throw std::runtime_error("the command failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(device::MeterUse::Held());
    EXPECT_EQ(ends, 1);
}

TEST(MeterUse, AListenerGoneIsNoLongerTold) {
    int told = 0;
    auto listener = std::make_unique<device::MeterUseListener>([&](bool) { ++told; });
    { device::MeterUse use; }
    EXPECT_EQ(told, 2);
    listener.reset();
    { device::MeterUse use; }
    EXPECT_EQ(told, 2);

    // A listener that drops a later one while being told: the dropped one
    // is not called (it no longer exists).
    int laterTold = 0;
    std::unique_ptr<device::MeterUseListener> later;
    device::MeterUseListener dropper([&](bool) { later.reset(); });
    later = std::make_unique<device::MeterUseListener>([&](bool) { ++laterTold; });
    { device::MeterUse use; }
    EXPECT_EQ(later, nullptr);
    EXPECT_EQ(laterTold, 0);
}

}  // namespace
