// SPDX-License-Identifier: GPL-3.0-or-later
// The device link against the simulated meter: finding and opening the
// meter, the shape of each transfer, and what a failed transfer does.
#include "device/appusb.h"
#include "platform/testing/seam_doubles.h"
#include "sim/metersim.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace Appusb;

const QString Disconnected = QString::fromUtf8(DisconnectedMessage);

class AppusbTest : public ::testing::Test {
protected:
    void SetUp() override {
        CloseMeter();
        metersim_reset();
    }
    void TearDown() override { CloseMeter(); }

    static ParameterBlock Block(std::uint8_t b0, std::uint8_t b1 = 0, std::uint8_t b2 = 0, std::uint8_t b3 = 0) {
        ParameterBlock p;
        p.b[0] = b0;
        p.b[1] = b1;
        p.b[2] = b2;
        p.b[3] = b3;
        return p;
    }
    static int ReadSetup(unsigned char& out) { return VendorRequest(DirIn, ReqReadSetup, Block(1), &out, 1); }
    static metersim_request Logged(int i) {
        metersim_request r{};
        EXPECT_EQ(metersim_log_get(i, &r), 0) << "no request " << i;
        return r;
    }

    platform::testing::SeamDoubles seams;
};

struct LayoutCase {
    const char* devices;
    int result;        // of OpenMeter
    int device;        // layout position of the meter that answers, 0 none
    int setup;         // its setup byte
};

TEST_F(AppusbTest, OpensTheFirstMeterInBusThenDeviceOrder) {
    const LayoutCase cases[] = {
        {"nobus", NoMeter, 0, 0},
        {"none", NoMeter, 0, 0},
        {"other", NoMeter, 0, 0},
        {"other,other", NoMeter, 0, 0},
        {"meter:0x07", Opened, 1, 0x07},
        {"other+meter:0x05", Opened, 2, 0x05},
        {"meter:0x11,meter:0x22", Opened, 1, 0x11},
        {"other,meter:0x22+meter:0x33", Opened, 2, 0x22},
        {"none,meter:0x25", Opened, 1, 0x25},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.devices);
        CloseMeter();
        metersim_reset();
        ASSERT_EQ(metersim_configure((std::string("devices = ") + c.devices).c_str()), 0);
        EXPECT_EQ(OpenMeter(), c.result);
        EXPECT_EQ(HasHandle(), c.result == Opened);
        EXPECT_EQ(metersim_open_handles(), c.result == Opened ? 1 : 0);
        unsigned char setup = 0xEE;
        const int moved = ReadSetup(setup);
        if (c.result == Opened) {
            EXPECT_EQ(moved, 1);
            EXPECT_EQ(setup, c.setup);
            ASSERT_EQ(metersim_log_count(), 1);
            EXPECT_EQ(metersim_log_device(0), c.device);
        } else {
            EXPECT_EQ(moved, 0);
            EXPECT_EQ(setup, 0xEE);
            EXPECT_EQ(metersim_log_count(), 0);
        }
        EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
    }
    EXPECT_TRUE(seams.messages.shown.empty());
}

TEST_F(AppusbTest, ImpostorWithTheMeterIdsIsOpenedAndFailsItsFirstRequest) {
    ASSERT_EQ(metersim_configure("devices = impostor,meter:0x09"), 0);
    EXPECT_EQ(OpenMeter(), Opened);
    unsigned char setup = 0xEE;
    EXPECT_EQ(ReadSetup(setup), -32);
    EXPECT_EQ(setup, 0xEE);
    EXPECT_EQ(metersim_log_device(0), 1);
    EXPECT_EQ(seams.messages.Count(Disconnected), 1);
    EXPECT_FALSE(HasHandle());
}

TEST_F(AppusbTest, OpenFailureWithoutAHandleGivesTwoAndShowsNothing) {
    ASSERT_EQ(metersim_configure("open = null"), 0);
    EXPECT_EQ(OpenMeter(), OpenFailed);
    EXPECT_FALSE(HasHandle());
    EXPECT_EQ(metersim_open_handles(), 0);
    unsigned char setup = 0xEE;
    EXPECT_EQ(ReadSetup(setup), 0);
    EXPECT_EQ(metersim_log_count(), 0);
    EXPECT_TRUE(seams.messages.shown.empty());
}

TEST_F(AppusbTest, HandleThatCannotTransferOpensThenFailsOnceAndCloses) {
    // Debian's libusb hands out a handle even when the device node cannot
    // be opened; its transfers then fail with EBADF.
    ASSERT_EQ(metersim_configure("open = ebadf"), 0);
    EXPECT_EQ(OpenMeter(), Opened);
    EXPECT_EQ(metersim_open_handles(), 1);
    unsigned char level[4] = {1, 2, 3, 4};
    EXPECT_EQ(VendorRequest(DirIn, ReqReadLevel, Block(1), level, 4), -9);
    EXPECT_EQ(VendorRequest(DirIn, ReqReadLevel, Block(1), level, 4), 0);
    EXPECT_EQ(std::vector<unsigned char>(level, level + 4), (std::vector<unsigned char>{1, 2, 3, 4}));
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    const auto& box = seams.messages.shown.front();
    EXPECT_EQ(box.text, Disconnected);
    EXPECT_EQ(box.buttons, platform::Ok);
    EXPECT_EQ(box.icon, platform::MessageIcon::None);
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_FALSE(HasHandle());
    EXPECT_EQ(metersim_open_handles(), 0);
    EXPECT_EQ(metersim_log_count(), 1);
}

TEST_F(AppusbTest, RequestWithoutAHandleMovesNothing) {
    unsigned char buffer[8];
    std::memset(buffer, 0xAB, sizeof buffer);
    EXPECT_EQ(VendorRequest(DirIn, ReqReadLevel, Block(1), buffer, 4), 0);
    EXPECT_EQ(VendorRequest(DirOut, ReqSetClock, Block(0, 0x24, 0x03, 0x05), nullptr, 0), 0);
    for (unsigned char b : buffer) EXPECT_EQ(b, 0xAB);
    EXPECT_EQ(metersim_log_count(), 0);
    EXPECT_TRUE(seams.messages.shown.empty());
}

struct FailureCase {
    const char* fault;
    int result;
};

TEST_F(AppusbTest, FailedRequestShowsTheMessageOnceForTheWholeCommand) {
    const FailureCase cases[] = {
        {"fault 4 timeout", -110},
        {"fault 4 stall", -32},
        {"fault 4 nodev", -19},
        {"unplug", -19},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        CloseMeter();
        metersim_reset();
        seams.messages.shown.clear();
        ASSERT_EQ(OpenMeter(), Opened);
        ASSERT_EQ(metersim_command(c.fault), 0);
        unsigned char level[4] = {9, 9, 9, 9};
        EXPECT_EQ(VendorRequest(DirIn, ReqReadLevel, Block(1), level, 4), c.result);
        EXPECT_EQ(std::vector<unsigned char>(level, level + 4), (std::vector<unsigned char>{9, 9, 9, 9}));
        // The rest of the same command: no transfer, no second message.
        unsigned char setup = 0x77;
        EXPECT_EQ(ReadSetup(setup), 0);
        EXPECT_EQ(setup, 0x77);
        EXPECT_EQ(seams.messages.Count(Disconnected), 1);
        EXPECT_EQ(seams.messages.shown.size(), 1u);
        EXPECT_FALSE(HasHandle());
        EXPECT_EQ(metersim_open_handles(), 0);
        EXPECT_EQ(metersim_log_count(), 1);
    }
}

TEST_F(AppusbTest, ReplugIsPickedUpByTheNextOpen) {
    ASSERT_EQ(OpenMeter(), Opened);
    ASSERT_EQ(metersim_command("unplug"), 0);
    EXPECT_EQ(OpenMeter(), NoMeter);
    EXPECT_EQ(metersim_open_handles(), 0);
    ASSERT_EQ(metersim_command("replug"), 0);
    EXPECT_EQ(OpenMeter(), Opened);
    unsigned char setup = 0xEE;
    EXPECT_EQ(ReadSetup(setup), 1);
    EXPECT_EQ(setup, 0);
    EXPECT_TRUE(seams.messages.shown.empty());
    EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
}

TEST_F(AppusbTest, AnHourOfOpensOnceASecondHoldsOneHandle) {
    ASSERT_EQ(metersim_configure("levels = list:523"), 0);
    for (int second = 0; second < 3600; ++second) {
        ASSERT_EQ(OpenMeter(), Opened) << "second " << second;
        unsigned char level[4] = {};
        ASSERT_EQ(VendorRequest(DirIn, ReqReadLevel, Block(1), level, 4), 4);
    }
    EXPECT_EQ(metersim_open_handles(), 1);
    EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
    EXPECT_TRUE(seams.messages.shown.empty());
}

TEST_F(AppusbTest, ClockBlocksTravelInValueAndIndex) {
    ASSERT_EQ(OpenMeter(), Opened);
    EXPECT_EQ(VendorRequest(DirOut, ReqSetClock, Block(0x00, 0x24, 0x03, 0x05), nullptr, 0), 0);
    EXPECT_EQ(VendorRequest(DirOut, ReqSetClock, Block(0x01, 0x14, 0x07, 0x09), nullptr, 0), 0);
    ASSERT_EQ(metersim_log_count(), 2);
    const metersim_request date = Logged(0), time = Logged(1);
    EXPECT_EQ(date.requesttype, 0x40);
    EXPECT_EQ(date.request, 5);
    EXPECT_EQ(date.value, 0x2400);
    EXPECT_EQ(date.index, 0x0503);
    EXPECT_EQ(date.size, 0);
    EXPECT_EQ(date.timeout, 5000);
    EXPECT_EQ(time.value, 0x1401);
    EXPECT_EQ(time.index, 0x0907);
    int clock[6];
    metersim_clock(clock);
    EXPECT_EQ(std::vector<int>(clock, clock + 6), (std::vector<int>{2024, 3, 5, 14, 7, 9}));
    EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
}

TEST_F(AppusbTest, SetupAndLevelRepliesReachTheCaller) {
    ASSERT_EQ(metersim_configure("setup_byte = 0x1B\nlevels = list:523,700"), 0);
    ASSERT_EQ(OpenMeter(), Opened);
    unsigned char setup = 0;
    EXPECT_EQ(ReadSetup(setup), 1);
    EXPECT_EQ(setup, 0x1B);
    unsigned char reply = 0xEE;
    EXPECT_EQ(VendorRequest(DirIn, ReqWriteSetup, Block(0x2C), &reply, 1), 1);
    EXPECT_EQ(metersim_setup_byte(), 0x2C);
    // Level code 523 with the range (4), C and FAST bits of setup 0x2C.
    const unsigned expected[] = {523u | (4u << 10) | (1u << 13), 700u | (4u << 10) | (1u << 13)};
    for (unsigned word : expected) {
        unsigned char level[4] = {0xEE, 0xEE, 0xEE, 0xEE};
        EXPECT_EQ(VendorRequest(DirIn, ReqReadLevel, Block(1), level, 4), 4);
        EXPECT_EQ(level[0] | (level[1] << 8), int(word));
        EXPECT_EQ(level[2], 0);
        EXPECT_EQ(level[3], 0);
    }
    EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
}

TEST_F(AppusbTest, ShortReplyFillsOnlyTheBytesThatCame) {
    ASSERT_EQ(metersim_configure("levels = list:0x1234"), 0);
    ASSERT_EQ(OpenMeter(), Opened);
    ASSERT_EQ(metersim_command("fault 4 short"), 0);
    unsigned char level[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(VendorRequest(DirIn, ReqReadLevel, Block(1), level, 4), 1);
    EXPECT_EQ(std::vector<unsigned char>(level, level + 4), (std::vector<unsigned char>{0x34, 0xEE, 0xEE, 0xEE}));
    EXPECT_TRUE(HasHandle());
    EXPECT_TRUE(seams.messages.shown.empty());
}

}  // namespace
