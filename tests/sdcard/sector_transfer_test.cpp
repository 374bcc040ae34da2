// SPDX-License-Identifier: GPL-3.0-or-later
// The sector sequences on the wire, against the simulated meter in virtual
// time, and the FAT32 layer over the USB sector source.
#include "card_image.h"

#include "device/appusb.h"
#include "platform/testing/seam_doubles.h"
#include "sdcard/fat32.h"
#include "sdcard/sector_device.h"
#include "sdcard/sector_transfer.h"

#include <QBuffer>
#include <QFile>

#include <metersim.h>

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

using namespace cardtest;

namespace {

constexpr std::uint32_t FarSector = 0x01020304;

struct Wire {
    int requesttype, request, value, index, size;
    long long t_ms;
    bool operator==(const Wire&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Wire& w) {
    return out << std::hex << "{type 0x" << w.requesttype << " req " << std::dec << w.request << std::hex << " value 0x"
               << w.value << " index 0x" << w.index << std::dec << " size " << w.size << " t " << w.t_ms << "}";
}

class SectorTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        Appusb::CloseMeter();
        metersim_reset();
        seams.time.onAdvance = [](int ms) { metersim_advance_ms(ms); };
        // A sparse card reaching sector 0x01020304, with a pattern there.
        card = folder.filePath("card.img");
        QFile file(card);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(qint64(FarSector + 1) * 512));
        ASSERT_TRUE(file.seek(qint64(FarSector) * 512));
        farContent = Pattern(512, 42);
        file.write(farContent);
        file.close();
        ASSERT_EQ(metersim_configure(("virtual_time = 1\ncard_image = " + card.toStdString() + "\n").c_str()), 0);
        ASSERT_EQ(Appusb::OpenMeter(), Appusb::Opened);
        metersim_log_clear();
        start = metersim_now_ms();
    }
    void TearDown() override {
        EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
        Appusb::CloseMeter();
        metersim_reset();
    }

    std::vector<Wire> Log() const {
        std::vector<Wire> wire;
        for (int i = 0; i < metersim_log_count(); ++i) {
            metersim_request r{};
            metersim_log_get(i, &r);
            EXPECT_EQ(r.timeout, 5000);
            wire.push_back({r.requesttype, r.request, r.value, r.index, r.size, r.t_ms - start});
        }
        return wire;
    }
    QByteArray CardSector(std::uint32_t sector) const {
        QFile file(card);
        file.open(QIODevice::ReadOnly);
        file.seek(qint64(sector) * 512);
        return file.read(512);
    }

    platform::testing::SeamDoubles seams;
    QTemporaryDir folder;
    QString card;
    QByteArray farContent;
    long long start = 0;
};

}  // namespace

TEST_F(SectorTransferTest, ReadSectorSelectsCommandsThenFetchesFourPieces) {
    std::array<std::uint8_t, 512> buffer{};
    EXPECT_EQ(Fat32::ReadSector(FarSector, buffer.data()), 0);
    const std::vector<Wire> expected{
        {0x40, 81, 0x0304, 0x0102, 4, 0},    {0x40, 83, 0x0300, 0x0102, 4, 50},
        {0xC0, 80, 0x8000, 0x0000, 128, 150}, {0xC0, 80, 0x8000, 0x0080, 128, 200},
        {0xC0, 80, 0x8000, 0x0100, 128, 250}, {0xC0, 80, 0x8000, 0x0180, 128, 300},
    };
    EXPECT_EQ(Log(), expected);
    EXPECT_EQ(seams.time.sleeps, (std::vector<int>{50, 100, 50, 50, 50, 50, 100}));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buffer.data()), 512), farContent);
    EXPECT_TRUE(seams.messages.shown.empty());
}

TEST_F(SectorTransferTest, WriteSectorSelectsStoresFourPiecesThenCommands) {
    const QByteArray content = Pattern(512, 7);
    EXPECT_EQ(Fat32::WriteSector(FarSector, reinterpret_cast<const std::uint8_t*>(content.data())), 0);
    const std::vector<Wire> expected{
        {0x40, 81, 0x0304, 0x0102, 4, 0},     {0x40, 80, 0x8000, 0x0000, 128, 50},
        {0x40, 80, 0x8000, 0x0080, 128, 100}, {0x40, 80, 0x8000, 0x0100, 128, 150},
        {0x40, 80, 0x8000, 0x0180, 128, 200}, {0x40, 83, 0x0301, 0x0102, 4, 350},
    };
    EXPECT_EQ(Log(), expected);
    EXPECT_EQ(seams.time.SleptMs(), Fat32::SectorWaitMs);
    EXPECT_EQ(CardSector(FarSector), content);
}

TEST_F(SectorTransferTest, PiecesAreAtMost128BytesAndFourAtMost) {
    struct Case {
        std::uint32_t length;
        std::vector<int> pieces;  // lengths, at offsets 0, 128, ...
    };
    const Case cases[] = {{200, {128, 72}}, {600, {128, 128, 128, 128}}, {512, {128, 128, 128, 128}},
                          {128, {128}},     {1, {1}},                    {0, {}}};
    Fat32::ReadSector(FarSector, std::array<std::uint8_t, 512>{}.data());  // fills the meter's buffer
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::vector<Wire> expected;
        long long t = 0;
        for (std::size_t k = 0; k < c.pieces.size(); ++k, t += 50)
            expected.push_back({0xC0, 80, c.pieces[k] << 8, int(128 * k), c.pieces[k], t});

        std::array<std::uint8_t, 640> buffer;
        buffer.fill(0xA5);
        metersim_log_clear();
        start = metersim_now_ms();
        seams.time.sleeps.clear();
        EXPECT_EQ(Fat32::ReadSectorBuffer(0, c.length, buffer.data()), 0);
        EXPECT_EQ(Log(), expected);
        EXPECT_EQ(seams.time.sleeps, std::vector<int>(c.pieces.size(), 50));
        const int moved = std::min<int>(c.length, 512);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buffer.data()), moved), farContent.left(moved));
        EXPECT_EQ(std::count(buffer.begin() + moved, buffer.end(), 0xA5), 640 - moved);

        // The same pieces the other way.
        for (auto& w : expected) w.requesttype = 0x40;
        metersim_log_clear();
        start = metersim_now_ms();
        EXPECT_EQ(Fat32::WriteSectorBuffer(0, c.length, buffer.data()), 0);
        EXPECT_EQ(Log(), expected);
    }
}

TEST_F(SectorTransferTest, LinkDroppingMidReadFailsTheSectorAndSendsNothingMore) {
    // The meter goes away right after the first piece has arrived.
    int advances = 0;
    seams.time.onAdvance = [&](int ms) {
        metersim_advance_ms(ms);
        if (++advances == 3) metersim_command("unplug");
    };
    std::array<std::uint8_t, 512> buffer;
    buffer.fill(0x5A);
    EXPECT_EQ(Fat32::ReadSector(FarSector, buffer.data()), 1);

    // The steps sent keep their waits; no retry once the link is gone.
    EXPECT_EQ(seams.time.sleeps, (std::vector<int>{50, 100, 50, 50, 100}));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buffer.data()), 128), farContent.left(128));
    EXPECT_EQ(std::count(buffer.begin() + 128, buffer.end(), 0x5A), 384);
    EXPECT_EQ(seams.messages.Texts(), QStringList{QString::fromUtf8(Appusb::DisconnectedMessage)});
    // Select, command, the piece that came, the one that failed; then nothing.
    EXPECT_EQ(metersim_log_count(), 4);
    EXPECT_FALSE(Appusb::HasHandle());
}

TEST_F(SectorTransferTest, SectorNumberTravelsInSelectAndCommandOfEverySector) {
    // The card's sector 0 is blank and sectors beyond the image read as
    // zeros on the meter.
    const std::uint32_t sectors[] = {0x00012345, 0x00FF00AA, 0xFEDCBA98, 0};
    for (std::uint32_t sector : sectors) {
        SCOPED_TRACE(sector);
        metersim_log_clear();
        std::array<std::uint8_t, 512> buffer;
        buffer.fill(0xEE);
        ASSERT_EQ(Fat32::ReadSector(sector, buffer.data()), 0);
        ASSERT_EQ(metersim_log_count(), 6);
        metersim_request select{}, command{};
        metersim_log_get(0, &select);
        metersim_log_get(1, &command);
        EXPECT_EQ(std::make_tuple(select.requesttype, select.request, select.value, select.index, select.size),
                  std::make_tuple(0x40, 81, int(sector & 0xFFFF), int(sector >> 16), 4));
        EXPECT_EQ(std::make_tuple(command.requesttype, command.request, command.value, command.index, command.size),
                  std::make_tuple(0x40, 83, int(sector & 0xFF00), int(sector >> 16), 4));
        for (int k = 0; k < 4; ++k) {
            metersim_request piece{};
            metersim_log_get(2 + k, &piece);
            EXPECT_EQ(std::make_tuple(piece.requesttype, piece.request, piece.value, piece.index, piece.result),
                      std::make_tuple(0xC0, 80, 0x8000, 128 * k, 128));
        }
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buffer.data()), 512), QByteArray(512, 0));
    }
    EXPECT_TRUE(seams.messages.shown.empty());
}

TEST_F(SectorTransferTest, AFailedOrShortTransferFailsTheSectorAndAShortReadIsTriedAgain) {
    struct Case {
        const char* fault;
        bool write;
        int result;
        std::vector<int> requests;  // request codes on the wire, in order
        bool linkKept;
    };
    const std::vector<int> read{81, 83, 80, 80, 80, 80};
    const std::vector<int> write{81, 80, 80, 80, 80, 83};
    const auto join = [](std::initializer_list<std::vector<int>> parts) {
        std::vector<int> all;
        for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    const Case cases[] = {
        {"fault 80 short", false, 0, join({{81, 83, 80}, read}), true},
        {"fault 80 short after 3", false, 0, join({read, read}), true},
        {"fault 83 short", false, 0, join({{81, 83}, read}), true},
        {"fault 80 short 2", false, 0, join({{81, 83, 80}, {81, 83, 80}, read}), true},
        {"fault 80 short 3", false, 1, join({{81, 83, 80}, {81, 83, 80}, {81, 83, 80}}), true},
        {"fault 81 short", false, 0, join({{81}, read}), true},
        {"fault 81 timeout", false, 1, {81}, false},
        {"fault 80 stall after 1", false, 1, {81, 83, 80, 80}, false},
        {"fault 83 nodev", false, 1, {81, 83}, false},
        {"fault 80 short after 1", true, 1, {81, 80, 80}, true},
        {"fault 81 stall", true, 1, {81}, false},
        {"fault 80 timeout after 3", true, 1, {81, 80, 80, 80, 80}, false},
        {"fault 83 stall", true, 1, write, false},
    };
    const QByteArray content = Pattern(512, 9);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        if (!Appusb::HasHandle()) {
            ASSERT_EQ(Appusb::OpenMeter(), Appusb::Opened);
        }
        ASSERT_EQ(metersim_command(c.fault), 0);
        metersim_log_clear();
        seams.messages.shown.clear();
        std::array<std::uint8_t, 512> buffer{};
        const int result = c.write ? Fat32::WriteSector(FarSector, reinterpret_cast<const std::uint8_t*>(content.data()))
                                   : Fat32::ReadSector(FarSector, buffer.data());
        metersim_command("fault any off");
        EXPECT_EQ(result, c.result);
        std::vector<int> requests;
        for (int i = 0; i < metersim_log_count(); ++i) {
            metersim_request r{};
            metersim_log_get(i, &r);
            requests.push_back(r.request);
        }
        EXPECT_EQ(requests, c.requests);
        EXPECT_EQ(Appusb::HasHandle(), c.linkKept);
        EXPECT_EQ(seams.messages.shown.size(), c.linkKept ? 0u : 1u);
        if (!c.write && result == 0) {
            EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buffer.data()), 512), farContent);
        }
        // No write command went out after a failed store: the card keeps its sector.
        if (c.write) {
            EXPECT_EQ(CardSector(FarSector), farContent);
        }
    }
}

TEST_F(SectorTransferTest, WithoutALinkNothingIsSentOrWaitedFor) {
    Appusb::CloseMeter();
    metersim_log_clear();
    std::array<std::uint8_t, 512> buffer{};
    EXPECT_EQ(Fat32::ReadSector(FarSector, buffer.data()), 1);
    EXPECT_EQ(Fat32::WriteSector(FarSector, buffer.data()), 1);
    EXPECT_EQ(Fat32::ReadSectorBuffer(0, 512, buffer.data()), 1);
    EXPECT_EQ(Fat32::WriteSectorBuffer(0, 512, buffer.data()), 1);
    EXPECT_EQ(metersim_log_count(), 0);
    EXPECT_EQ(seams.time.sleeps, (std::vector<int>{50, 50}));  // one piece each was tried
    EXPECT_TRUE(seams.messages.shown.empty());
}

TEST(LittleEndian, ReadsTwoAndFourByteFields) {
    struct Case {
        std::array<std::uint8_t, 4> bytes;
        std::uint8_t count;
        std::uint32_t value;
    };
    const Case cases[] = {
        {{0x52, 0x52, 0x61, 0x41}, 4, 0x41615252}, {{0x00, 0x00, 0x55, 0xAA}, 4, 0xAA550000},
        {{0x34, 0x12, 0xFF, 0xFF}, 2, 0x1234},     {{0xFF, 0xFF, 0xFF, 0xFF}, 4, 0xFFFFFFFF},
        {{0x07, 0x99, 0x99, 0x99}, 1, 0x07},       {{0x07, 0x99, 0x99, 0x99}, 0, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(Fat32::LittleEndianValue(c.bytes.data(), c.count), c.value);
}

// The whole layer over USB: what the image tests show holds on the wire,
// with nothing but the sector sequences sent and their waits as the time.
TEST(Fat32OverUsb, MountListCopyAndDeleteThroughTheMeter) {
    Appusb::CloseMeter();
    metersim_reset();
    platform::testing::SeamDoubles seams;
    seams.time.onAdvance = [](int ms) { metersim_advance_ms(ms); };
    CardImage image({.label = "METER"});
    image.PutFile("20240305.QZX", Pattern(1000, 1));
    image.PutFile("20240306.QZX", Pattern(1500, 2));
    ASSERT_EQ(metersim_configure(("virtual_time = 1\ncard_image = " + image.Path().toStdString() + "\n").c_str()), 0);
    ASSERT_EQ(Appusb::OpenMeter(), Appusb::Opened);
    metersim_log_clear();

    Fat32::UsbSectorDevice usb;
    Fat32::Volume volume(usb);
    ASSERT_EQ(volume.MountVolume(), 0);
    EXPECT_TRUE(volume.FsInfoValid);
    volume.ScanRootDirectory(Fat32::ScanList, nullptr);
    ASSERT_EQ(volume.EntryCount, 3);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(volume.EntryTable[1].data()), 11), "20240305QZX");

    QBuffer copy;
    copy.open(QIODevice::WriteOnly);
    volume.Destination = &copy;
    volume.WritePosition = 0;
    Fat32::ShortNameKey key = Fat32::MakeShortNameKey("20240305.QZX");
    EXPECT_EQ(volume.CopyCardFile(key), Fat32::CopyDone);
    EXPECT_EQ(copy.data(), image.ReadOut("20240305.QZX"));

    volume.DeleteCardFile(reinterpret_cast<const std::uint8_t*>("20240306QZX"));
    EXPECT_EQ(image.ShortNames(), QStringList{"20240305QZX"});
    QString report;
    EXPECT_TRUE(image.FsckClean(&report)) << report.toStdString();

    // Six transfers and 450 ms of waits per sector, nothing else.
    EXPECT_EQ(metersim_log_count() % 6, 0);
    EXPECT_EQ(seams.time.SleptMs(), qint64(metersim_log_count() / 6) * Fat32::SectorWaitMs);
    EXPECT_TRUE(seams.messages.shown.empty());
    EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
    Appusb::CloseMeter();
    metersim_reset();
}
