// SPDX-License-Identifier: GPL-3.0-or-later
// The meter's named operations against the simulated meter: the request
// each one sends (code, direction, wValue, wIndex, length), what it gives
// back, and what it gives back when the transfer fails, comes back short
// or finds no link.
#include "device/meter_protocol.h"
#include "platform/testing/seam_doubles.h"
#include "sim/metersim.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <string>
#include <vector>

namespace {

// One request as the meter should see it.
struct Sent {
    int requesttype, request, value, index, size;
};

class MeterProtocol : public ::testing::Test {
protected:
    void SetUp() override {
        Appusb::CloseMeter();
        metersim_reset();
    }
    void TearDown() override { Appusb::CloseMeter(); }

    // The meter (with `settings`), opened, its log empty.
    void Open(const std::string& settings = "") {
        Appusb::CloseMeter();
        metersim_reset();
        ASSERT_EQ(metersim_configure(("virtual_time = 1\n" + settings).c_str()), 0);
        ASSERT_EQ(Appusb::OpenMeter(), Appusb::Opened);
        metersim_log_clear();
    }
    // A card of 128 zero sectors, sector 5 holding `sector5`.
    std::string CardSettings(const QByteArray& sector5 = QByteArray(512, 0)) {
        EXPECT_TRUE(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("card.img"));
        QFile image(path);
        EXPECT_TRUE(image.open(QIODevice::WriteOnly));
        QByteArray bytes(128 * 512, 0);
        bytes.replace(5 * 512, 512, sector5);
        image.write(bytes);
        return "card_image = " + path.toStdString() + "\n";
    }
    QByteArray ImageSector(int sector) {
        QFile image(dir.filePath(QStringLiteral("card.img")));
        EXPECT_TRUE(image.open(QIODevice::ReadOnly));
        return image.readAll().mid(sector * 512, 512);
    }
    static std::vector<Sent> Log() {
        std::vector<Sent> sent;
        for (int i = 0; i < metersim_log_count(); ++i) {
            metersim_request r{};
            metersim_log_get(i, &r);
            EXPECT_EQ(r.timeout, 5000);
            sent.push_back({r.requesttype, r.request, r.value, r.index, r.size});
        }
        return sent;
    }
    static void ExpectLog(const std::vector<Sent>& expected) {
        const std::vector<Sent> sent = Log();
        ASSERT_EQ(sent.size(), expected.size());
        for (std::size_t i = 0; i < sent.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(sent[i].requesttype, expected[i].requesttype);
            EXPECT_EQ(sent[i].request, expected[i].request);
            EXPECT_EQ(sent[i].value, expected[i].value);
            EXPECT_EQ(sent[i].index, expected[i].index);
            EXPECT_EQ(sent[i].size, expected[i].size);
        }
        EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
    }

    platform::testing::SeamDoubles seams;  // the link's disconnect box lands here
    QTemporaryDir dir;
};

TEST_F(MeterProtocol, LevelAndSetupRequestsAndTheirReplies) {
    struct Case {
        const char* name;
        std::string meter;
        std::function<void()> call;  // runs the operation and checks what it returned
        Sent sent;
        int meterByteAfter;
    };
    const Case cases[] = {
        {"level word", "levels = 523\n",
         [] {
             const device::LevelReply reply = device::ReadLevelWord();
             EXPECT_EQ(reply.result, 4);
             EXPECT_EQ(reply.bytes, (std::array<std::uint8_t, 4>{0x0B, 0x02, 0, 0}));  // code 523, range 0
         },
         {0xC0, 4, 1, 0, 4}, 0},
        {"setup byte read", "setup_byte = 0x3B\n",
         [] { EXPECT_EQ(device::ReadSetupByte(), std::optional<std::uint8_t>(0x3B)); }, {0xC0, 2, 1, 0, 1}, 0x3B},
        {"setup byte write", "setup_byte = 0x3B\n", [] { EXPECT_EQ(device::WriteSetupByte(0x15), 1); },
         {0xC0, 3, 0x15, 0, 1}, 0x15},
        {"card present bit", "setup_byte = 0x01\ncard_present = 1\n",
         [] {
             const auto setup = device::ReadSetupByte();
             ASSERT_TRUE(setup.has_value());
             EXPECT_TRUE(device::CardPresent(*setup));
             EXPECT_FALSE(device::CardPresent(0xBF));
         },
         {0xC0, 2, 1, 0, 1}, 0x41},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open(c.meter);
        c.call();
        ExpectLog({c.sent});
        EXPECT_EQ(metersim_setup_byte(), c.meterByteAfter);
        EXPECT_TRUE(Appusb::HasHandle());
    }
}

TEST_F(MeterProtocol, LevelAndSetupReadsThatFailOrComeBackShort) {
    struct Case {
        const char* fault;  // nullptr: no link at all
        int levelResult;
        std::array<std::uint8_t, 4> levelBytes;
        bool linkStaysOpen;
    };
    const Case cases[] = {
        {"stall", -32, {0, 0, 0, 0}, false},
        {"timeout", -110, {0, 0, 0, 0}, false},
        {"short", 1, {0x0B, 0, 0, 0}, true},  // only the first byte arrived
        {nullptr, 0, {0, 0, 0, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault ? c.fault : "no link");
        Open("levels = 523\nsetup_byte = 0x3B\n");
        if (c.fault) {
            ASSERT_EQ(metersim_command((std::string("fault any ") + c.fault + " 2").c_str()), 0);
        } else {
            Appusb::CloseMeter();
        }

        const device::LevelReply level = device::ReadLevelWord();
        EXPECT_EQ(level.result, c.levelResult);
        EXPECT_EQ(level.bytes, c.levelBytes);
        if (!c.linkStaysOpen && c.fault) {
            ASSERT_EQ(Appusb::OpenMeter(), Appusb::Opened);  // the failure closed it
        }
        // A setup read that gets no byte gives none, never a stale or zero byte.
        EXPECT_EQ(device::ReadSetupByte(), std::nullopt);
        EXPECT_EQ(Appusb::HasHandle(), c.linkStaysOpen);
        EXPECT_EQ(metersim_log_count(), c.fault ? 2 : 0);
    }
}

TEST_F(MeterProtocol, ClockBlocksAreBcdInTheMetersLayout) {
    struct Case {
        const char* name;
        std::function<int()> call;
        Sent sent;
        std::vector<int> clockAfter;  // year, month, day, hour, minute, second (-1 never set)
    };
    const Case cases[] = {
        {"date", [] { return device::SetClockDate({24, 1, 31}); }, {0x40, 5, 0x2400, 0x3101, 0},
         {2024, 1, 31, -1, -1, -1}},
        {"time", [] { return device::SetClockTime({23, 59, 58}); }, {0x40, 5, 0x2301, 0x5859, 0},
         {-1, -1, -1, 23, 59, 58}},
        {"date, single digits", [] { return device::SetClockDate({5, 9, 7}); }, {0x40, 5, 0x0500, 0x0709, 0},
         {2005, 9, 7, -1, -1, -1}},
        {"time of midnight", [] { return device::SetClockTime({0, 0, 0}); }, {0x40, 5, 0x0001, 0x0000, 0},
         {-1, -1, -1, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open();
        EXPECT_EQ(c.call(), 0);
        ExpectLog({c.sent});
        int clock[6];
        metersim_clock(clock);
        EXPECT_EQ(std::vector<int>(clock, clock + 6), c.clockAfter);
    }
    // Values beyond two digits are clamped, never wrapped into other digits.
    EXPECT_EQ(device::Bcd(99), 0x99);
    EXPECT_EQ(device::Bcd(150), 0x99);
    EXPECT_EQ(device::Bcd(-3), 0x00);
    EXPECT_EQ(device::DateBlock({2024, 13, 100}).Index(), 0x9913);

    // A failed clock request gives the link's result and closes it.
    Open();
    ASSERT_EQ(metersim_command("fault 5 stall"), 0);
    EXPECT_EQ(device::SetClockDate({24, 1, 31}), -32);
    EXPECT_FALSE(Appusb::HasHandle());
    EXPECT_EQ(device::SetClockTime({1, 2, 3}), 0);  // nothing sent without a link
    EXPECT_EQ(metersim_log_count(), 1);
}

TEST_F(MeterProtocol, SectorRequestsCarryTheSectorAndThePiece) {
    QByteArray pattern(512, 0);
    for (int i = 0; i < 512; ++i) pattern[i] = char(i * 7 + 3);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pattern.constData());

    // Select and read: the command repeats bits 8..31 of the sector.
    Open(CardSettings(pattern));
    EXPECT_TRUE(device::SelectSector(0x12345678));
    EXPECT_TRUE(device::SendSectorCommand(0x12345678, device::SectorCommand::Read));
    EXPECT_TRUE(device::SelectSector(5));
    EXPECT_TRUE(device::SendSectorCommand(5, device::SectorCommand::Read));
    std::uint8_t piece[128];
    std::fill(std::begin(piece), std::end(piece), 0xEE);
    EXPECT_EQ(device::FetchBufferPiece(0, 128, 256, piece), 128);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(piece), 128), pattern.mid(256, 128));
    EXPECT_EQ(device::FetchBufferPiece(0, 100, 384, piece), 100);
    ExpectLog({{0x40, 81, 0x5678, 0x1234, 4},
               {0x40, 83, 0x5600, 0x1234, 4},
               {0x40, 81, 0x0005, 0x0000, 4},
               {0x40, 83, 0x0000, 0x0000, 4},
               {0xC0, 80, 0x8000, 0x0100, 128},
               {0xC0, 80, 0x6400, 0x0180, 100}});

    // Store four pieces and write them to another sector.
    metersim_log_clear();
    EXPECT_TRUE(device::SelectSector(9));
    for (std::uint32_t k = 0; k < 4; ++k) EXPECT_TRUE(device::StoreBufferPiece(0, 128, 128 * k, bytes + 128 * k));
    EXPECT_TRUE(device::SendSectorCommand(9, device::SectorCommand::Write));
    ExpectLog({{0x40, 81, 0x0009, 0x0000, 4},
               {0x40, 80, 0x8000, 0x0000, 128},
               {0x40, 80, 0x8000, 0x0080, 128},
               {0x40, 80, 0x8000, 0x0100, 128},
               {0x40, 80, 0x8000, 0x0180, 128},
               {0x40, 83, 0x0001, 0x0000, 4}});  // only byte 0 replaced: sector 9 fits it
    EXPECT_EQ(ImageSector(9), pattern);
}

TEST_F(MeterProtocol, SectorRequestsThatFailOrComeBackShort) {
    struct Case {
        const char* fault;
        std::function<void()> call;  // runs the operation and checks what it returned
        bool linkStaysOpen;
    };
    const Case cases[] = {
        {"fault 81 stall", [] { EXPECT_FALSE(device::SelectSector(5)); }, false},
        {"fault 81 short", [] { EXPECT_FALSE(device::SelectSector(5)); }, true},
        {"fault 83 timeout", [] { EXPECT_FALSE(device::SendSectorCommand(5, device::SectorCommand::Read)); }, false},
        {"fault 83 short", [] { EXPECT_FALSE(device::SendSectorCommand(5, device::SectorCommand::Read)); }, true},
        {"fault 80 short",
         [] {
             // One byte arrives: only it is copied, the rest stays as it was.
             std::uint8_t piece[128];
             std::fill(std::begin(piece), std::end(piece), 0xEE);
             EXPECT_EQ(device::FetchBufferPiece(0, 128, 0, piece), 1);
             EXPECT_EQ(piece[0], 0x03);
             EXPECT_EQ(piece[1], 0xEE);
             EXPECT_EQ(piece[127], 0xEE);
         },
         true},
        {"fault 80 nodev",
         [] {
             std::uint8_t piece[128];
             std::fill(std::begin(piece), std::end(piece), 0xEE);
             EXPECT_EQ(device::FetchBufferPiece(0, 128, 0, piece), -19);
             EXPECT_EQ(piece[0], 0xEE);
         },
         false},
        {"fault 80 stall",
         [] {
             const std::uint8_t piece[128] = {1, 2, 3};
             EXPECT_FALSE(device::StoreBufferPiece(0, 128, 0, piece));
         },
         false},
    };
    QByteArray pattern(512, 0);
    for (int i = 0; i < 512; ++i) pattern[i] = char(i * 7 + 3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        Open(CardSettings(pattern));
        // The buffer holds sector 5 before the fault is armed.
        ASSERT_TRUE(device::SelectSector(5));
        ASSERT_TRUE(device::SendSectorCommand(5, device::SectorCommand::Read));
        ASSERT_EQ(metersim_command(c.fault), 0);
        c.call();
        EXPECT_EQ(Appusb::HasHandle(), c.linkStaysOpen);
        // The link reported a failed transfer, never a short one.
        EXPECT_EQ(seams.messages.Count(QString::fromUtf8(Appusb::DisconnectedMessage)), c.linkStaysOpen ? 0 : 1);
        seams.messages.shown.clear();
    }
    // Without a link nothing is sent and nothing is done.
    Open(CardSettings(pattern));
    Appusb::CloseMeter();
    EXPECT_FALSE(device::SelectSector(5));
    EXPECT_FALSE(device::SendSectorCommand(5, device::SectorCommand::Write));
    std::uint8_t piece[128] = {};
    EXPECT_EQ(device::FetchBufferPiece(0, 128, 0, piece), 0);
    EXPECT_FALSE(device::StoreBufferPiece(0, 128, 0, piece));
    EXPECT_EQ(metersim_log_count(), 0);
    EXPECT_EQ(ImageSector(5), pattern);
}

}  // namespace
