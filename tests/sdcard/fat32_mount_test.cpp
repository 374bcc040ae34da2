// SPDX-License-Identifier: GPL-3.0-or-later
// Mounting real FAT32 images: both card layouts, FSInfo, and boot sectors
// that must not be trusted.
#include "card_fixture.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>

using namespace cardtest;

namespace {

// What fsck.fat -v says about a volume.
struct FsckGeometry {
    std::uint32_t dataStartSector = 0;  // volume-relative
    std::uint32_t dataClusters = 0;
    std::uint32_t totalSectors = 0;
};

FsckGeometry AskFsck(CardImage& image) {
    QString path = image.Path();
    if (image.VolumeOffset()) {
        image.FsckClean();  // leaves the volume alone in volume.img
        path = image.Folder() + "/volume.img";
    }
    const QString out = RunTool("fsck.fat", {"-n", "-v", path}).output;
    FsckGeometry g;
    g.dataStartSector = QRegularExpression("Data area starts at byte \\d+ \\(sector (\\d+)\\)").match(out).captured(1).toUInt();
    g.dataClusters = QRegularExpression("(\\d+) data clusters").match(out).captured(1).toUInt();
    g.totalSectors = QRegularExpression("(\\d+) sectors total").match(out).captured(1).toUInt();
    return g;
}

std::uint64_t MdirBytesFree(CardImage& image) {
    const QString out = image.Listing();
    const auto m = QRegularExpression("([\\d ]+) bytes free").match(out);
    return m.captured(1).remove(' ').toULongLong();
}

}  // namespace

TEST(Fat32Mount, FindsTheVolumeInBothLayoutsWithTheGeometryTheToolsSee) {
    struct Case {
        const char* what;
        ImageOptions options;
        std::uint32_t partitionStart;
    };
    const Case cases[] = {
        {"boot sector in card sector 0", {.kib = 36000, .sectorsPerCluster = 1, .label = "QVCARD"}, 0},
        {"partition table in card sector 0", {.kib = 36000, .sectorsPerCluster = 1, .partitioned = true}, PartitionSectorStart},
        {"larger clusters, one FAT", {.kib = 300000, .sectorsPerCluster = 8, .fats = 1}, 0},
        {"boot sector with its own partition entry", {.kib = 36000, .extraMkfsArguments = {"--mbr=y"}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CardImage image(c.options);
        image.PutFile("DATA.BIN", Pattern(5000, 1));
        const FsckGeometry expected = AskFsck(image);
        ASSERT_GT(expected.dataClusters, 0u);

        CardUnderTest card(image);
        ASSERT_EQ(card.volume.MountVolume(), 0);
        EXPECT_TRUE(card.volume.Mounted);
        EXPECT_EQ(card.volume.PartitionStart, c.partitionStart);
        EXPECT_EQ(card.volume.BytesPerSector, 512u);
        EXPECT_EQ(card.volume.SectorsPerCluster, std::uint32_t(c.options.sectorsPerCluster));
        EXPECT_EQ(card.volume.NumberOfFats, std::uint32_t(c.options.fats));
        EXPECT_EQ(card.volume.RootCluster, 2u);
        EXPECT_EQ(card.volume.ClusterCount, expected.dataClusters);
        EXPECT_EQ(card.volume.FirstDataSector, c.partitionStart + expected.dataStartSector);
        EXPECT_EQ(card.volume.CapacityBytes, std::uint64_t(expected.totalSectors - expected.dataStartSector) * 512);
        EXPECT_TRUE(card.volume.FsInfoValid);
        EXPECT_EQ(card.volume.FreeBytes, MdirBytesFree(image));
        // Sector 0, the partition's boot sector when there is a table, FSInfo.
        std::vector<std::uint32_t> reads{0};
        if (c.partitionStart) reads.push_back(c.partitionStart);
        reads.push_back(c.partitionStart + 1);
        EXPECT_EQ(card.device.reads, reads);
        EXPECT_TRUE(card.device.writes.empty());
        EXPECT_TRUE(card.Messages().isEmpty());
    }
}

TEST(Fat32Mount, JudgesTheFsInfoFreeCount) {
    struct Case {
        const char* what;
        std::function<void(CardImage&, std::uint32_t clusterCount)> patch;
        bool valid;
        std::uint32_t freeClusters;  // when valid
    };
    const std::uint64_t fsInfo = 512;
    const Case cases[] = {
        {"lead signature wrong", [&](CardImage& i, std::uint32_t) { i.WriteU32(fsInfo, 0x41615253); }, false, 0},
        {"middle signature wrong", [&](CardImage& i, std::uint32_t) { i.WriteU32(fsInfo + 0x1E4, 0); }, false, 0},
        {"trail signature wrong", [&](CardImage& i, std::uint32_t) { i.WriteU32(fsInfo + 0x1FC, 0xAA550001); }, false, 0},
        {"count unknown", [&](CardImage& i, std::uint32_t) { i.WriteU32(fsInfo + 0x1E8, 0xFFFFFFFF); }, false, 0},
        {"count one above the clusters", [&](CardImage& i, std::uint32_t n) { i.WriteU32(fsInfo + 0x1E8, n + 1); }, false, 0},
        {"count equal to the clusters", [&](CardImage& i, std::uint32_t n) { i.WriteU32(fsInfo + 0x1E8, n); }, true, 0},
        {"count zero", [&](CardImage& i, std::uint32_t) { i.WriteU32(fsInfo + 0x1E8, 0); }, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CardImage image;
        std::uint32_t clusterCount = 0;
        {
            CardUnderTest probe(image);
            ASSERT_EQ(probe.volume.MountVolume(), 0);
            clusterCount = probe.volume.ClusterCount;
        }
        c.patch(image, clusterCount);
        CardUnderTest card(image);
        ASSERT_EQ(card.volume.MountVolume(), 0);
        EXPECT_EQ(card.volume.FsInfoValid, c.valid);
        const std::uint32_t expectedFree = c.valid ? image.FsInfoFreeCount() : 0;
        EXPECT_EQ(card.volume.FreeBytes, std::uint64_t(expectedFree) * 512);
    }
}

TEST(Fat32Mount, RefusesWhatIsNoUsableVolumeAndKeepsThePreviousGeometry) {
    struct Case {
        const char* what;
        bool partitioned;
        std::function<void(CardImage&)> patch;
        int result;
        std::uint32_t partitionStart;
    };
    const std::uint64_t part = 512ull * PartitionSectorStart;
    auto byte = [](CardImage& i, std::uint64_t at, int value) { i.WriteBytes(at, QByteArray(1, char(value))); };
    const Case cases[] = {
        {"neither boot sector nor partition table", false,
         [&](CardImage& i) { byte(i, 0, 0); byte(i, 0x1FE, 0); byte(i, 0x1FF, 0); }, 1, 0},
        {"table with 0x55 alone", true, [&](CardImage& i) { byte(i, 0x1FF, 0x12); }, 0, PartitionSectorStart},
        {"table with 0xAA alone", true, [&](CardImage& i) { byte(i, 0x1FE, 0x12); }, 0, PartitionSectorStart},
        {"first partition without boot sector", true, [&](CardImage& i) { byte(i, part, 0); }, 1, PartitionSectorStart},
        {"first partition beyond the card", true, [&](CardImage& i) { i.WriteU32(0x1C6, 0xFFFFFF00); }, 1, 0xFFFFFF00},
        {"boot sector naming a partition elsewhere", false, [&](CardImage& i) { i.WriteU32(0x1C6, 100); }, 0, 0},
        {"sectors of 1024 bytes", false, [&](CardImage& i) { byte(i, 0x0B, 0); byte(i, 0x0C, 4); }, 1, 0},
        {"no sectors per cluster", false, [&](CardImage& i) { byte(i, 0x0D, 0); }, 1, 0},
        {"three sectors per cluster", false, [&](CardImage& i) { byte(i, 0x0D, 3); }, 1, 0},
        {"no reserved sectors", false, [&](CardImage& i) { byte(i, 0x0E, 0); byte(i, 0x0F, 0); }, 1, 0},
        {"no FAT", false, [&](CardImage& i) { byte(i, 0x10, 0); }, 1, 0},
        {"FAT of no sectors", false, [&](CardImage& i) { i.WriteU32(0x24, 0); }, 1, 0},
        {"FAT too small for the clusters", false, [&](CardImage& i) { i.WriteU32(0x24, 10); }, 1, 0},
        {"no total sectors", false, [&](CardImage& i) { i.WriteU32(0x20, 0); }, 1, 0},
        {"volume past sector 2^32", true, [&](CardImage& i) { i.WriteU32(part + 0x20, 0xFFFFFF00); }, 1, PartitionSectorStart},
        {"root cluster 0", false, [&](CardImage& i) { i.WriteU32(0x2C, 0); }, 1, 0},
        {"root cluster beyond the volume", false, [&](CardImage& i) { i.WriteU32(0x2C, 0x0FFFFFF0); }, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CardImage image({.partitioned = c.partitioned});
        image.PutFile("KEEP.TXT", "kept");
        CardUnderTest card(image);
        ASSERT_EQ(card.volume.MountVolume(), 0);
        const Fat32::Volume& v = card.volume;
        const auto geometry = std::make_tuple(v.BytesPerSector, v.SectorsPerCluster, v.ReservedSectors, v.RootCluster,
                                              v.FirstDataSector, v.ClusterCount, v.CapacityBytes, v.FreeBytes);
        c.patch(image);
        card.device.Forget();

        EXPECT_EQ(card.volume.MountVolume(), c.result);
        EXPECT_EQ(card.volume.PartitionStart, c.partitionStart);
        if (c.result == 0) {
            card.volume.ScanRootDirectory(Fat32::ScanList, nullptr);
            EXPECT_EQ(card.ListedNames(), QStringList({DirectoryForm("KEEP.TXT")}));
            continue;
        }
        EXPECT_FALSE(card.volume.Mounted);
        // Card sector 0 and the boot sector it names, nothing read after them.
        std::vector<std::uint32_t> reads{0};
        if (c.partitioned) reads.push_back(c.partitionStart);
        EXPECT_EQ(card.device.reads, reads);
        EXPECT_EQ(std::make_tuple(v.BytesPerSector, v.SectorsPerCluster, v.ReservedSectors, v.RootCluster,
                                  v.FirstDataSector, v.ClusterCount, v.CapacityBytes, v.FreeBytes),
                  geometry);
        // Nothing is read with stale geometry after a failed mount.
        card.device.Forget();
        card.volume.ScanRootDirectory(Fat32::ScanList, nullptr);
        const QByteArray name = DirectoryForm("KEEP.TXT").toLatin1();
        card.volume.DeleteCardFile(reinterpret_cast<const std::uint8_t*>(name.data()));
        EXPECT_EQ(card.volume.EntryCount, 0);
        EXPECT_TRUE(card.device.reads.empty());
        EXPECT_TRUE(card.device.writes.empty());
    }
}
