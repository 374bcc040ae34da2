// SPDX-License-Identifier: GPL-3.0-or-later
// A card's bytes are not to be trusted: random damage to the boot sector,
// FSInfo, the FAT and the root directory must never make the layer hang,
// crash, or touch a sector outside the card.
#include "card_fixture.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <random>

using namespace cardtest;

TEST(Fat32Damage, RandomlyDamagedCardsAreWalkedSafely) {
    CardImage image({.label = "DAMAGE"});
    for (int i = 0; i < 6; ++i) image.PutFile(QString("long file name %1.qzx").arg(i), Pattern(700 * i, i));
    image.MakeDirectory("SUB");
    std::uint32_t dataStart = 0;
    {
        CardUnderTest probe(image);
        ASSERT_EQ(probe.volume.MountVolume(), 0);
        dataStart = probe.volume.FirstDataSector;
    }
    const int systemBytes = int(dataStart + 16) * 512;  // through the first root directory sectors
    const QByteArray pristine = image.ReadBytes(0, systemBytes);
    // Places worth damaging: boot sector fields, FSInfo, the FAT's start, the root directory.
    const std::uint64_t fatStart = image.FatEntryOffset(0);
    const std::uint64_t hotSpots[][2] = {{0, 0x60}, {512, 512}, {fatStart, 128}, {512ull * dataStart, 512}};

    std::mt19937 random(20240305);
    int mounted = 0, refused = 0, withMessages = 0;
    for (int round = 0; round < 150; ++round) {
        SCOPED_TRACE(round);
        image.WriteBytes(0, pristine);
        const int damages = 1 + int(random() % 6);
        for (int d = 0; d < damages; ++d) {
            const auto& spot = hotSpots[random() % 4];
            const std::uint64_t at = spot[0] + random() % spot[1];
            image.WriteBytes(at, QByteArray(1, char(random() % 4 ? random() : 0)));
        }
        const QByteArray reserved = image.ReadBytes(fatStart, 8);
        CardUnderTest card(image);
        if (card.volume.MountVolume() != 0) {
            EXPECT_TRUE(card.ReadsOnlyWithin(card.imageDevice.SectorCount()) || card.device.reads.size() == 2);
            ++refused;
            continue;
        }
        ++mounted;
        card.volume.ScanRootDirectory(Fat32::ScanList, nullptr);
        const int listed = card.volume.EntryCount;
        EXPECT_LE(listed, Fat32::EntryTableSize);
        for (int row = 0; row < listed; ++row) {
            Fat32::ShortNameKey key{};
            std::copy_n(card.volume.EntryTable[row].begin(), 8, key.begin());
            key[8] = '.';
            std::copy_n(card.volume.EntryTable[row].begin() + 8, 3, key.begin() + 9);
            QBuffer destination;
            destination.open(QIODevice::WriteOnly);
            card.volume.Destination = &destination;
            card.volume.WritePosition = 0;
            card.volume.CopyCardFile(key);
            card.volume.Destination = nullptr;
        }
        if (listed > 1) {
            const auto name = card.volume.EntryTable[1 + random() % (listed - 1)];
            card.volume.DeleteCardFile(name.data());
        }
        EXPECT_TRUE(card.ReadsOnlyWithin(card.imageDevice.SectorCount()));
        EXPECT_EQ(image.ReadBytes(fatStart, 8), reserved) << "reserved FAT entries written";
        withMessages += !card.Messages().isEmpty();
    }
    // The damage reached all the paths: refused mounts, and mounted cards
    // whose walks ran into trouble.
    RecordProperty("mounted", mounted);
    RecordProperty("refused", refused);
    EXPECT_GT(refused, 10);
    EXPECT_GT(mounted, 50);
    EXPECT_GT(withMessages, 10);
}
