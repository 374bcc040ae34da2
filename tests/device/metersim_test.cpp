// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated meter's own behaviour where the other tests lean on it:
// protocol checks, injected faults, the card image, virtual time, the
// control file, level sources and the clock.
#include "device/appusb.h"
#include "platform/sleep.h"
#include "platform/testing/seam_doubles.h"
#include "sector_sequence.h"
#include "sim/metersim.h"

#include <usb.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Opens the first simulated device straight through the libusb ABI.
usb_dev_handle* OpenFirstDevice() {
    usb_init();
    usb_find_busses();
    usb_find_devices();
    for (usb_bus* bus = usb_get_busses(); bus; bus = bus->next)
        if (bus->devices) return usb_open(bus->devices);
    return nullptr;
}

fs::path TempDir(const char* name) {
    fs::path dir = fs::temp_directory_path() / (std::string("metersim_") + name + "_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

class MetersimTest : public ::testing::Test {
protected:
    void SetUp() override {
        Appusb::CloseMeter();
        metersim_reset();
    }
    void TearDown() override {
        Appusb::CloseMeter();
        metersim_reset();   // real time again for whatever runs next
    }
    static int Control(usb_dev_handle* h, int type, int request, int value, int index, char* data, int size,
                       int timeout = 5000) {
        return usb_control_msg(h, type, request, value, index, data, size, timeout);
    }
};

struct BadRequest {
    const char* what;
    int type, request, value, index, size, timeout;
    const char* reason;   // part of the violation text
};

TEST_F(MetersimTest, CountsEachDepartureFromTheCatalogue) {
    const BadRequest cases[] = {
        {"setup read sent as out", 0x40, 2, 1, 0, 1, 5000, "request type must be 0xC0"},
        {"level read of 2 bytes", 0xC0, 4, 1, 0, 2, 5000, "length must be 4"},
        {"level read with value 0", 0xC0, 4, 0, 0, 4, 5000, "value must be 1"},
        {"setup write of 4 bytes", 0xC0, 3, 5, 0, 4, 5000, "length must be 1"},
        {"clock sent as in", 0xC0, 5, 0x2400, 0x0503, 0, 5000, "request type must be 0x40"},
        {"clock with data", 0x40, 5, 0x2400, 0x0503, 2, 5000, "length must be 0"},
        {"piece at offset 64", 0xC0, 80, 0x4000, 64, 64, 5000, "offset must be"},
        {"piece of 129 bytes", 0xC0, 80, 0x8100, 0, 129, 5000, "piece length must be 1..128"},
        {"piece length not in value", 0xC0, 80, 0x4000, 0, 128, 5000, "value high byte"},
        {"piece with a class request type", 0xA0, 80, 0x8000, 0, 128, 5000, "0xC0 or 0x40"},
        {"select of 2 bytes", 0x40, 81, 0, 0, 2, 5000, "length must be 4"},
        {"wrong timeout", 0xC0, 2, 1, 0, 1, 1000, "timeout is not 5000"},
        {"unknown code", 0xC0, 7, 0, 0, 1, 5000, "unknown request code"},
        {"negative length", 0xC0, 2, 1, 0, -1, 5000, "negative length"},
        {"date with month 0x13", 0x40, 5, 0x2400, 0x0113, 0, 5000, "month 0x13"},
        {"time with hour 0x1A", 0x40, 5, 0x1A01, 0x0000, 0, 5000, "hour 0x1A"},
        {"clock selector 2", 0x40, 5, 0x0002, 0, 0, 5000, "selector"},
        {"sector command not repeating the sector", 0x40, 83, 0x0000, 0x0000, 4, 5000, "does not repeat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        metersim_reset();
        usb_dev_handle* h = OpenFirstDevice();
        ASSERT_NE(h, nullptr);
        char zeros[4] = {};
        ASSERT_EQ(Control(h, 0x40, 81, 0x2345, 0x0001, zeros, 4), 4);   // a sector to command on
        ASSERT_EQ(metersim_violations(), 0);
        char data[512] = {};
        Control(h, c.type, c.request, c.value, c.index, data, c.size, c.timeout);
        EXPECT_GE(metersim_violations(), 1);
        EXPECT_NE(std::string(metersim_last_violation()).find(c.reason), std::string::npos)
            << metersim_last_violation();
        usb_close(h);
    }
}

TEST_F(MetersimTest, CountsClosedAndUnknownHandles) {
    usb_dev_handle* h = OpenFirstDevice();
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(usb_close(h), 0);
    char setup = 0;
    EXPECT_EQ(Control(h, 0xC0, 2, 1, 0, &setup, 1), -9);
    EXPECT_EQ(metersim_violations(), 1);
    EXPECT_NE(std::string(metersim_last_violation()).find("closed handle"), std::string::npos);
    EXPECT_EQ(usb_close(h), -9);
    EXPECT_EQ(metersim_violations(), 2);
    int notAHandle = 0;
    EXPECT_EQ(Control(reinterpret_cast<usb_dev_handle*>(&notAHandle), 0xC0, 2, 1, 0, &setup, 1), -9);
    EXPECT_EQ(metersim_violations(), 3);
    EXPECT_NE(std::string(metersim_last_violation()).find("unknown handle"), std::string::npos);
    EXPECT_EQ(metersim_log_device(0), 0);
}

TEST_F(MetersimTest, FaultsHitTheirCodeForTheirCount) {
    usb_dev_handle* h = OpenFirstDevice();
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(metersim_command("fault 4 stall 2"), 0);
    ASSERT_EQ(metersim_command("fault 2 timeout"), 0);
    char level[4], setup = 0;
    EXPECT_EQ(Control(h, 0xC0, 2, 1, 0, &setup, 1), -110);
    EXPECT_EQ(Control(h, 0xC0, 2, 1, 0, &setup, 1), 1);   // count 1 used up
    EXPECT_EQ(Control(h, 0xC0, 4, 1, 0, level, 4), -32);
    EXPECT_EQ(Control(h, 0xC0, 4, 1, 0, level, 4), -32);
    EXPECT_EQ(Control(h, 0xC0, 4, 1, 0, level, 4), 4);
    ASSERT_EQ(metersim_command("fault any nodev forever"), 0);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Control(h, 0xC0, 4, 1, 0, level, 4), -19);
    ASSERT_EQ(metersim_command("fault any off"), 0);
    EXPECT_EQ(Control(h, 0xC0, 4, 1, 0, level, 4), 4);
    EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
}

TEST_F(MetersimTest, AFaultAfterNLetsExactlyNMatchingRequestsPass) {
    usb_dev_handle* h = OpenFirstDevice();
    ASSERT_NE(h, nullptr);
    // Level reads 1..3 pass, 4 and 5 stall; setup reads are not counted.
    ASSERT_EQ(metersim_command("fault 4 stall 2 after 3"), 0);
    char level[4], setup = 0;
    const int expected[] = {4, 4, 4, -32, -32, 4};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Control(h, 0xC0, 2, 1, 0, &setup, 1), 1) << i;
        EXPECT_EQ(Control(h, 0xC0, 4, 1, 0, level, 4), expected[i]) << i;
    }
    // Any request: the third from now times out once.
    ASSERT_EQ(metersim_command("fault any timeout after 2"), 0);
    EXPECT_EQ(Control(h, 0xC0, 2, 1, 0, &setup, 1), 1);
    EXPECT_EQ(Control(h, 0xC0, 4, 1, 0, level, 4), 4);
    EXPECT_EQ(Control(h, 0xC0, 2, 1, 0, &setup, 1), -110);
    EXPECT_EQ(Control(h, 0xC0, 2, 1, 0, &setup, 1), 1);
    EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
}

TEST_F(MetersimTest, UnpluggedMeterLeavesTheListAndItsHandlesDie) {
    usb_dev_handle* h = OpenFirstDevice();
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(metersim_command("unplug"), 0);
    char setup = 0;
    EXPECT_EQ(Control(h, 0xC0, 2, 1, 0, &setup, 1), -19);
    usb_find_devices();
    EXPECT_EQ(usb_get_busses()->devices, nullptr);
    ASSERT_EQ(metersim_command("replug"), 0);
    EXPECT_EQ(Control(h, 0xC0, 2, 1, 0, &setup, 1), -19);   // a new enumeration: the old handle stays dead
    usb_find_devices();
    ASSERT_NE(usb_get_busses()->devices, nullptr);
    usb_dev_handle* again = usb_open(usb_get_busses()->devices);
    EXPECT_EQ(Control(again, 0xC0, 2, 1, 0, &setup, 1), 1);
    usb_close(h);
    usb_close(again);
    EXPECT_EQ(metersim_open_handles(), 0);
}

TEST_F(MetersimTest, NothingIsListedBeforeTheBusesAreSearched) {
    EXPECT_EQ(usb_get_busses(), nullptr);
    usb_init();
    usb_find_busses();
    ASSERT_NE(usb_get_busses(), nullptr);
    EXPECT_EQ(usb_get_busses()->devices, nullptr);
    usb_find_devices();
    ASSERT_NE(usb_get_busses()->devices, nullptr);
    EXPECT_EQ(usb_get_busses()->devices->descriptor.idVendor, 0x16C0);
    EXPECT_EQ(usb_get_busses()->devices->descriptor.idProduct, 0x05DC);
}

class CardImageTest : public MetersimTest {
protected:
    void SetUp() override {
        MetersimTest::SetUp();
        dir = TempDir("card");
        image = dir / "card.img";
        const std::string make = "mkfs.fat -F 32 -C " + image.string() + " 40000 >/dev/null 2>&1";
        ASSERT_EQ(std::system(make.c_str()), 0) << make;
        ASSERT_EQ(metersim_configure(("card_image = " + image.string()).c_str()), 0);
        ASSERT_EQ(Appusb::OpenMeter(), Appusb::Opened);
    }
    void TearDown() override {
        MetersimTest::TearDown();
        fs::remove_all(dir);
    }
    std::vector<unsigned char> ImageBytes(std::uint32_t sector) {
        std::ifstream in(image, std::ios::binary);
        in.seekg(std::streamoff(sector) * 512);
        std::vector<unsigned char> bytes(512);
        in.read(reinterpret_cast<char*>(bytes.data()), 512);
        return bytes;
    }
    fs::path dir, image;
    platform::testing::SeamDoubles seams;
};

TEST_F(CardImageTest, ReadsTheBootSectorOfTheImage) {
    unsigned char buffer[512] = {};
    sector_test::ReadSector(0, buffer);
    EXPECT_EQ(buffer[510], 0x55);
    EXPECT_EQ(buffer[511], 0xAA);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer) + 82, 5), "FAT32");
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + 512), ImageBytes(0));
    EXPECT_EQ(metersim_setup_byte() & 0x40, 0x40) << "a card is in the meter";
    EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
    EXPECT_TRUE(seams.messages.shown.empty());
}

TEST_F(CardImageTest, WritesGoStraightToTheImageAndKeepItConsistent) {
    const std::uint32_t sector = 78000;   // data area, no file there yet
    unsigned char written[512];
    for (int i = 0; i < 512; ++i) written[i] = std::uint8_t(i * 7 + 3);
    sector_test::WriteSector(sector, written);
    EXPECT_EQ(ImageBytes(sector), std::vector<unsigned char>(written, written + 512));
    unsigned char back[512] = {};
    sector_test::ReadSector(sector, back);
    EXPECT_EQ(std::vector<unsigned char>(back, back + 512), std::vector<unsigned char>(written, written + 512));
    EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
    const std::string check = "fsck.fat -n " + image.string() + " >/dev/null 2>&1";
    EXPECT_EQ(std::system(check.c_str()), 0) << check;
}

TEST_F(CardImageTest, BeyondTheImageReadsZerosAndWritesFail) {
    const std::uint32_t beyond = 80000;   // the image holds 80000 sectors: 0..79999
    unsigned char buffer[512];
    std::memset(buffer, 0x5A, sizeof buffer);
    sector_test::ReadSector(beyond, buffer);
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + 512), std::vector<unsigned char>(512, 0));
    EXPECT_TRUE(seams.messages.shown.empty());
    sector_test::WriteSector(beyond, buffer);
    ASSERT_GE(metersim_log_count(), 1);
    metersim_request last{};
    metersim_log_get(metersim_log_count() - 1, &last);
    EXPECT_EQ(last.request, 83);
    EXPECT_EQ(last.result, -32);
    EXPECT_EQ(fs::file_size(image), 80000u * 512u);
}

TEST_F(MetersimTest, VirtualTimeSleepsAdvanceTheLogClock) {
    ASSERT_EQ(metersim_configure("virtual_time = 1"), 0);
    ASSERT_EQ(Appusb::OpenMeter(), Appusb::Opened);
    const auto wallStart = std::chrono::steady_clock::now();
    const long long start = metersim_now_ms();
    Appusb::ParameterBlock date, time;
    date.b[1] = 0x24;
    date.b[2] = 0x03;
    date.b[3] = 0x05;
    time.b[0] = 1;
    Appusb::VendorRequest(Appusb::DirOut, Appusb::ReqSetClock, date, nullptr, 0);
    platform::SleepMs(500);   // the program's own sleep: nanosleep
    Appusb::VendorRequest(Appusb::DirOut, Appusb::ReqSetClock, time, nullptr, 0);
    ASSERT_EQ(metersim_log_count(), 2);
    metersim_request first{}, second{};
    metersim_log_get(0, &first);
    metersim_log_get(1, &second);
    EXPECT_EQ(second.t_ms - first.t_ms, 500);

    ::usleep(250000);
    timespec quarter{0, 250000000L};
    EXPECT_EQ(::clock_nanosleep(CLOCK_MONOTONIC, 0, &quarter, nullptr), 0);
    timespec tenSeconds{10, 0};
    EXPECT_EQ(::nanosleep(&tenSeconds, nullptr), 0);
    metersim_advance_ms(40);
    EXPECT_EQ(metersim_now_ms() - start, 500 + 250 + 250 + 10000 + 40);
    EXPECT_LT(std::chrono::steady_clock::now() - wallStart, std::chrono::seconds(5));
    timespec bad{0, 2000000000L};
    EXPECT_EQ(::nanosleep(&bad, nullptr), -1);
}

TEST_F(MetersimTest, WithoutVirtualTimeSleepsAreReal) {
    const long long start = metersim_now_ms();
    const auto wallStart = std::chrono::steady_clock::now();
    platform::SleepMs(30);
    EXPECT_GE(std::chrono::steady_clock::now() - wallStart, std::chrono::milliseconds(30));
    EXPECT_GE(metersim_now_ms() - start, 30);
}

TEST_F(MetersimTest, TimeoutFaultTakesTheTimeoutInVirtualTime) {
    ASSERT_EQ(metersim_configure("virtual_time = 1\nfault = 4 timeout"), 0);
    usb_dev_handle* h = OpenFirstDevice();
    char level[4];
    const long long start = metersim_now_ms();
    EXPECT_EQ(Control(h, 0xC0, 4, 1, 0, level, 4), -110);
    EXPECT_EQ(metersim_now_ms() - start, 5000);
    usb_close(h);
}

TEST_F(MetersimTest, ControlFileCommandsApplyAsLinesArrive) {
    platform::testing::SeamDoubles seams;
    const fs::path dir = TempDir("control");
    const fs::path control = dir / "control";
    std::ofstream(control).close();
    ASSERT_EQ(metersim_configure(("control_file = " + control.string()).c_str()), 0);
    auto append = [&](const std::string& line) {
        std::ofstream out(control, std::ios::app);
        out << line;
    };
    auto readSetup = [] {
        unsigned char setup = 0xEE;
        Appusb::ParameterBlock p;
        p.b[0] = 1;
        Appusb::VendorRequest(Appusb::DirIn, Appusb::ReqReadSetup, p, &setup, 1);
        return int(setup);
    };
    ASSERT_EQ(Appusb::OpenMeter(), Appusb::Opened);
    append("unplug\n");
    EXPECT_EQ(Appusb::OpenMeter(), Appusb::NoMeter);
    append("# a comment, then a line still being written\nrepl");
    EXPECT_EQ(Appusb::OpenMeter(), Appusb::NoMeter);
    append("ug\nsetup 0x15\n");
    EXPECT_EQ(Appusb::OpenMeter(), Appusb::Opened);
    EXPECT_EQ(readSetup(), 0x15);
    append("level 0x4321\n");
    unsigned char level[4] = {};
    Appusb::ParameterBlock one;
    one.b[0] = 1;
    EXPECT_EQ(Appusb::VendorRequest(Appusb::DirIn, Appusb::ReqReadLevel, one, level, 4), 4);
    EXPECT_EQ(level[0] | (level[1] << 8), 0x4321);
    append("fault 2 stall\n");
    EXPECT_EQ(readSetup(), 0xEE);
    EXPECT_EQ(seams.messages.shown.size(), 1u);
    // A file written anew, even to the same length, is read from its start.
    EXPECT_EQ(Appusb::OpenMeter(), Appusb::Opened);
    { std::ofstream(control, std::ios::trunc) << "setup 0x2A\n"; }
    EXPECT_EQ(readSetup(), 0x2A);
    { std::ofstream(control, std::ios::trunc) << "setup 0x2B\n"; }
    EXPECT_EQ(readSetup(), 0x2B);
    fs::remove_all(dir);
}

TEST_F(MetersimTest, RejectsSettingsAndCommandsItDoesNotKnow) {
    const char* badSettings[] = {
        "devices = meter,printer", "open = maybe", "setup_byte = 256", "levels = list:1,x",
        "levels = list:70000",     "virtual_time = 2", "no equals sign", "colour = red",
        "card_image = /nonexistent/card.img", "devices = other:0x10", "fault = 4 melt",
    };
    for (const char* text : badSettings) EXPECT_EQ(metersim_configure(text), -1) << text;
    const char* badCommands[] = {"explode", "setup 300", "fault x stall", "fault 4 stall 0", "unplug 9",
                                 "fault 4 stall after", "fault 4 stall 2 after -1", "fault 4 stall after 1 2",
                                 "fault 4 off after 1"};
    for (const char* line : badCommands) EXPECT_EQ(metersim_command(line), -1) << line;
    EXPECT_EQ(metersim_configure("# only a comment\n\n  devices = meter , meter  # two buses\n"), 0);
    usb_find_busses();
    usb_find_devices();
    ASSERT_NE(usb_get_busses(), nullptr);
    ASSERT_NE(usb_get_busses()->next, nullptr);
    EXPECT_NE(usb_get_busses()->next->devices, nullptr);
}

TEST_F(MetersimTest, LevelSourcesGiveTheirValuesInOrder) {
    const fs::path dir = TempDir("levels");
    const fs::path file = dir / "levels.txt";
    { std::ofstream(file) << "# levels\n100\n\n0x3FF\n"; }
    struct Case {
        std::string levels;
        std::vector<int> words;   // with setup byte 0
    };
    const Case cases[] = {
        {"list:523,700,0", {523, 700, 0, 523}},
        {"file:" + file.string(), {100, 1023, 100}},
        {"0x8123", {0x8123, 0x8123}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.levels);
        metersim_reset();
        ASSERT_EQ(metersim_configure(("levels = " + c.levels).c_str()), 0);
        usb_dev_handle* h = OpenFirstDevice();
        for (int expected : c.words) {
            unsigned char level[4] = {};
            ASSERT_EQ(Control(h, 0xC0, 4, 1, 0, reinterpret_cast<char*>(level), 4), 4);
            EXPECT_EQ(level[0] | (level[1] << 8), expected);
        }
        usb_close(h);
    }
    fs::remove_all(dir);
}

TEST_F(MetersimTest, SinePatternIsDeterministicAndStaysNear65Decibels) {
    auto run = [] {
        metersim_reset();
        usb_dev_handle* h = OpenFirstDevice();
        std::vector<int> codes;
        for (int i = 0; i < 240; ++i) {
            unsigned char level[4] = {};
            Control(h, 0xC0, 4, 1, 0, reinterpret_cast<char*>(level), 4);
            codes.push_back((level[0] | (level[1] << 8)) & 0x3FF);
        }
        usb_close(h);
        return codes;
    };
    const auto first = run(), second = run();
    EXPECT_EQ(first, second);
    int low = 1023, high = 0;
    for (int code : first) {
        low = std::min(low, code);
        high = std::max(high, code);
    }
    // 65 dB +- 6 dB +- 0.5 dB of noise, as level codes (tenths above 30 dB).
    EXPECT_GE(low, 285);
    EXPECT_LE(high, 415);
    EXPECT_GT(high - low, 80) << "the level should swing";
}

TEST_F(MetersimTest, SetupWriteKeepsTheCardBitTheMeterReports) {
    usb_dev_handle* h = OpenFirstDevice();
    char reply = 0;
    ASSERT_EQ(Control(h, 0xC0, 3, 0x7B, 0, &reply, 1), 1);
    EXPECT_EQ(metersim_setup_byte(), 0x3B) << "no card: bit 6 clear";
    ASSERT_EQ(metersim_command("set card_present 1"), 0);
    ASSERT_EQ(Control(h, 0xC0, 3, 0x3B, 0, &reply, 1), 1);
    EXPECT_EQ(metersim_setup_byte(), 0x7B);
    char setup = 0;
    ASSERT_EQ(Control(h, 0xC0, 2, 1, 0, &setup, 1), 1);
    EXPECT_EQ((unsigned char)setup, 0x7B);
    usb_close(h);
}

TEST_F(MetersimTest, InvalidClockBlockLeavesTheClockAsSet) {
    usb_dev_handle* h = OpenFirstDevice();
    ASSERT_EQ(Control(h, 0x40, 5, 0x2400, 0x3112, nullptr, 0), 0);
    ASSERT_EQ(Control(h, 0x40, 5, 0x2301, 0x5959, nullptr, 0), 0);
    EXPECT_EQ(Control(h, 0x40, 5, 0x2400, 0x320A, nullptr, 0), -32);   // month 0x0A, day 0x32
    EXPECT_EQ(Control(h, 0x40, 5, 0x2401, 0x6000, nullptr, 0), -32);   // minute 0, second 0x60
    int clock[6];
    metersim_clock(clock);
    EXPECT_EQ(std::vector<int>(clock, clock + 6), (std::vector<int>{2024, 12, 31, 23, 59, 59}));
    EXPECT_EQ(metersim_violations(), 2);
    usb_close(h);
}

}  // namespace
