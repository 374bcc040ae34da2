// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting card files: the result must be a volume fsck.fat finds clean.
#include "card_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace cardtest;

namespace {

void Delete(CardUnderTest& card, const QString& directoryForm) {
    const QByteArray name = directoryForm.toLatin1();
    card.volume.DeleteCardFile(reinterpret_cast<const std::uint8_t*>(name.data()));
}

QByteArray ReservedFatEntries(const CardImage& image, int fat) { return image.ReadBytes(image.FatEntryOffset(0, fat), 8); }

}  // namespace

TEST(Fat32Delete, FragmentedLongNamedFileLeavesACleanVolume) {
    CardImage image({.label = "DELETE"});
    QList<QPair<QString, QByteArray>> fillers;
    for (int i = 0; i < 12; ++i) fillers.append({QString("FILL%1.BIN").arg(i, 2, 10, QChar('0')), Pattern(1500, i)});
    image.PutFiles(fillers);
    for (int i = 1; i < 12; i += 2) image.DeleteFile(fillers[i].first);
    image.WriteU32(512 + 0x1EC, 2);  // mtools then fills the holes from the start
    image.PutFile("Recording of the fifth of March.qzx", Pattern(9000, 77));
    image.PutFile("NEIGHBOR.QZX", Pattern(3000, 78));
    const std::vector<std::uint32_t> clusters = image.Clusters("Recording of the fifth of March.qzx");
    ASSERT_EQ(clusters.size(), 18u);
    ASSERT_NE(clusters.back() - clusters.front(), 17u) << "the file is not fragmented";
    const QByteArray neighbour = image.ReadOut("NEIGHBOR.QZX");
    // A hint above the file's first cluster, to see it lowered.
    image.WriteU32(512 + 0x1EC, clusters.front() + 100);
    const std::uint32_t freeBefore = image.FsInfoFreeCount();
    QString report;
    ASSERT_TRUE(image.FsckClean(&report)) << report.toStdString();

    CardUnderTest card(image);
    ASSERT_EQ(card.volume.MountVolume(), 0);
    card.device.Forget();
    Delete(card, "RECORD~1QZX");

    EXPECT_TRUE(card.Messages().isEmpty());
    EXPECT_TRUE(image.FsckClean(&report)) << report.toStdString();
    EXPECT_FALSE(image.ShortNames().contains("RECORD~1QZX"));
    EXPECT_FALSE(image.Listing().contains("fifth of March"));
    EXPECT_TRUE(image.ShortNames().contains("NEIGHBORQZX"));
    EXPECT_EQ(image.ReadOut("NEIGHBOR.QZX"), neighbour);
    EXPECT_EQ(image.FsInfoFreeCount(), freeBefore + clusters.size());
    EXPECT_EQ(image.FsInfoNextFree(), clusters.front());
    for (std::uint32_t c : clusters) {
        EXPECT_EQ(image.ReadU32(image.FatEntryOffset(c, 0)), 0u) << "cluster " << c;
    }
    EXPECT_EQ(image.Fat(0), image.Fat(1));

    // Every FAT entry: one read of its sector, then the same sector written
    // to the first FAT and then to the second.
    const std::uint32_t fatStart = card.volume.PartitionStart + card.volume.ReservedSectors;
    std::vector<std::uint32_t> fatWrites;
    for (std::uint32_t s : card.device.writes)
        if (s >= fatStart && s < card.volume.FirstDataSector) fatWrites.push_back(s);
    ASSERT_EQ(fatWrites.size(), 2 * clusters.size());
    for (std::size_t i = 0; i < clusters.size(); ++i) {
        const std::uint32_t sector = fatStart + clusters[i] * 4 / 512;
        EXPECT_EQ(fatWrites[2 * i], sector);
        EXPECT_EQ(fatWrites[2 * i + 1], sector + card.volume.SectorsPerFat);
    }
    const auto fatReads = std::count_if(card.device.reads.begin(), card.device.reads.end(), [&](std::uint32_t s) {
        return s >= fatStart && s < card.volume.FirstDataSector;
    });
    // Plus one: the root directory's one-cluster chain, read before any
    // write so that the delete can never free it.
    EXPECT_EQ(std::size_t(fatReads), clusters.size() + 1);
}

TEST(Fat32Delete, LongNameSplitAcrossTwoDirectoryClustersGoesWithItsFile) {
    CardImage image({.label = "SPLIT"});
    QList<QPair<QString, QByteArray>> fillers;
    for (int i = 0; i < 13; ++i) fillers.append({QString("F%1.BIN").arg(i, 2, 10, QChar('0')), Pattern(10, i)});
    image.PutFiles(fillers);
    // 35 characters: three long-name entries in slots 14 and 15 of the
    // first directory cluster and slot 0 of the second, the short one after.
    image.PutFile("a long name needing three slots.txt", Pattern(700, 50));
    CardUnderTest card(image);
    ASSERT_EQ(card.volume.MountVolume(), 0);
    const std::uint64_t secondCluster = 512ull * card.volume.ClusterToSector(image.ReadU32(image.FatEntryOffset(2)));
    const std::uint64_t firstCluster = 512ull * card.volume.ClusterToSector(2);
    ASSERT_EQ(image.ReadBytes(firstCluster + 14 * 32 + 11, 1), QByteArray(1, 0x0F));
    ASSERT_EQ(image.ReadBytes(secondCluster + 11, 1), QByteArray(1, 0x0F));
    ASSERT_EQ(image.ReadBytes(secondCluster + 32, 11), "ALONGN~1TXT");

    Delete(card, "ALONGN~1TXT");
    EXPECT_TRUE(card.Messages().isEmpty());
    for (std::uint64_t slot : {firstCluster + 14 * 32, firstCluster + 15 * 32, secondCluster, secondCluster + 32})
        EXPECT_EQ(std::uint8_t(image.ReadBytes(slot, 1)[0]), 0xE5);
    QString report;
    EXPECT_TRUE(image.FsckClean(&report)) << report.toStdString();
    EXPECT_EQ(image.ShortNames().size(), 13);
}

TEST(Fat32Delete, OnAPartitionedCardWithoutUsableFsInfo) {
    CardImage image({.partitioned = true});
    image.PutFile("FIRST.QZX", Pattern(1500, 1));
    image.PutFile("SECOND.QZX", Pattern(1500, 2));
    const std::vector<std::uint32_t> clusters = image.Clusters("SECOND.QZX");
    const std::uint64_t fsInfo = image.VolumeSectorOffset(1);
    image.WriteU32(fsInfo, 0);  // lead signature gone
    const QByteArray fsInfoBefore = image.ReadBytes(fsInfo, 512);

    CardUnderTest card(image);
    ASSERT_EQ(card.volume.MountVolume(), 0);
    ASSERT_FALSE(card.volume.FsInfoValid);
    Delete(card, "SECOND  QZX");

    EXPECT_EQ(image.ReadBytes(fsInfo, 512), fsInfoBefore);
    EXPECT_EQ(image.ShortNames(), QStringList{"FIRST   QZX"});
    for (std::uint32_t c : clusters) EXPECT_EQ(image.ReadU32(image.FatEntryOffset(c, 0)), 0u);
    EXPECT_EQ(image.Fat(0), image.Fat(1));
    EXPECT_TRUE(card.Messages().isEmpty());
}

TEST(Fat32Delete, EmptyFileTouchesNoFatEntry) {
    CardImage image;
    image.PutFile("EMPTY.QZX", {});
    image.PutFile("OTHER.QZX", Pattern(100, 3));
    const QByteArray fatBefore = image.Fat(0);
    const std::uint32_t hintBefore = image.FsInfoNextFree();
    const std::uint32_t freeBefore = image.FsInfoFreeCount();
    CardUnderTest card(image);
    ASSERT_EQ(card.volume.MountVolume(), 0);
    card.device.Forget();
    Delete(card, "EMPTY   QZX");

    EXPECT_EQ(image.Fat(0), fatBefore);
    EXPECT_EQ(image.FsInfoNextFree(), hintBefore);
    EXPECT_EQ(image.FsInfoFreeCount(), freeBefore);
    EXPECT_EQ(image.ShortNames(), QStringList{"OTHER   QZX"});
    QString report;
    EXPECT_TRUE(image.FsckClean(&report)) << report.toStdString();
    EXPECT_TRUE(card.Messages().isEmpty());
}

TEST(Fat32Delete, MissingFileChangesNothing) {
    CardImage image;
    image.PutFile("KEEP.QZX", Pattern(100, 3));
    CardUnderTest card(image);
    ASSERT_EQ(card.volume.MountVolume(), 0);
    card.device.Forget();
    Delete(card, "ABSENT  QZX");
    EXPECT_EQ(card.Messages(), QStringList{Fat32::FileMissingMessage});
    EXPECT_TRUE(card.device.writes.empty());
}

TEST(Fat32Delete, BrokenOrLoopingChainStopsAndNeverWritesTheReservedEntries) {
    struct Case {
        const char* what;
        int patchedIndex;        // chain position whose FAT entry is patched
        int targetIndex;         // -1: write `value` instead of a chain cluster
        std::uint32_t value;
        int freed;               // chain clusters that end up free
    };
    const Case cases[] = {
        {"free entry inside the chain", 2, -1, 0, 3},
        {"chain leads back to its start", 3, 0, 0, 4},
        {"chain leads to reserved cluster 1", 1, -1, 1, 2},
        {"chain leads beyond the volume", 1, -1, 0x0FFFFFF0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CardImage image;
        image.PutFile("CHAINED.QZX", Pattern(2000, 9));
        const std::vector<std::uint32_t> chain = image.Clusters("CHAINED.QZX");
        ASSERT_EQ(chain.size(), 4u);
        const std::uint32_t value = c.targetIndex >= 0 ? chain[c.targetIndex] : c.value;
        for (int fat : {0, 1}) image.WriteU32(image.FatEntryOffset(chain[c.patchedIndex], fat), value);
        const QByteArray reserved = ReservedFatEntries(image, 0);

        CardUnderTest card(image);
        ASSERT_EQ(card.volume.MountVolume(), 0);
        Delete(card, "CHAINED QZX");
        EXPECT_EQ(card.Messages(), QStringList{Fat32::ChainErrorMessage});
        EXPECT_TRUE(image.ShortNames().isEmpty());
        for (int i = 0; i < c.freed; ++i) EXPECT_EQ(image.ReadU32(image.FatEntryOffset(chain[i], 0)), 0u);
        EXPECT_EQ(ReservedFatEntries(image, 0), reserved);
        EXPECT_EQ(ReservedFatEntries(image, 1), reserved);
        EXPECT_TRUE(card.ReadsOnlyWithin(card.imageDevice.SectorCount()));
    }
}

TEST(Fat32Delete, FreeCountRisesByTheClustersFreedWhenAClusterHoldsFourSectors) {
    // 2048-byte clusters: a 3000-byte file takes two, a 2048-byte one
    // exactly one, a 1-byte one one.
    struct Case {
        int size;
        std::uint32_t clusters;
    };
    for (const Case c : {Case{3000, 2}, Case{2048, 1}, Case{2049, 2}, Case{1, 1}}) {
        SCOPED_TRACE(c.size);
        CardImage image({.kib = 140000, .sectorsPerCluster = 4});
        image.PutFile("KEEP.QZX", Pattern(5000, 1));
        image.PutFile("GONE.QZX", Pattern(c.size, 2));
        ASSERT_EQ(image.Clusters("GONE.QZX").size(), c.clusters);
        const std::uint32_t freeBefore = image.FsInfoFreeCount();

        CardUnderTest card(image);
        ASSERT_EQ(card.volume.MountVolume(), 0);
        ASSERT_EQ(card.volume.SectorsPerCluster, 4u);
        EXPECT_TRUE(card.volume.DeleteCardFile(reinterpret_cast<const std::uint8_t*>("GONE    QZX")));
        EXPECT_EQ(image.FsInfoFreeCount(), freeBefore + c.clusters);
        QString report;
        EXPECT_TRUE(image.FsckClean(&report)) << report.toStdString();
        EXPECT_TRUE(card.Messages().isEmpty());
    }
}

TEST(Fat32Delete, AChainCrossedIntoTheRootDirectoryNeverFreesIt) {
    // Enough files for a root directory of two clusters; the victim's
    // chain is made to lead into the root's second cluster.
    CardImage image({.label = "CROSS"});
    QList<QPair<QString, QByteArray>> files;
    for (int i = 0; i < 20; ++i) files.append({QString("F%1.TXT").arg(i, 2, 10, QChar('0')), Pattern(10, i)});
    image.PutFiles(files);
    image.PutFile("VICTIM.QZX", Pattern(1500, 3));
    const std::vector<std::uint32_t> root{2, image.ReadU32(image.FatEntryOffset(2)) & 0x0FFFFFFF};
    ASSERT_LT(root[1], 0x0FFFFFF8u) << "the root directory has one cluster";
    const std::vector<std::uint32_t> chain = image.Clusters("VICTIM.QZX");
    ASSERT_EQ(chain.size(), 3u);
    for (int fat : {0, 1}) image.WriteU32(image.FatEntryOffset(chain[1], fat), root[1]);
    const std::uint32_t freeBefore = image.FsInfoFreeCount();

    CardUnderTest card(image);
    ASSERT_EQ(card.volume.MountVolume(), 0);
    EXPECT_TRUE(card.volume.DeleteCardFile(reinterpret_cast<const std::uint8_t*>("VICTIM  QZX")));
    EXPECT_EQ(card.Messages(), QStringList{Fat32::ChainErrorMessage});
    for (std::uint32_t c : root) EXPECT_NE(image.ReadU32(image.FatEntryOffset(c)), 0u) << "root cluster " << c;
    EXPECT_EQ(image.ReadU32(image.FatEntryOffset(chain[0])), 0u);
    EXPECT_EQ(image.ReadU32(image.FatEntryOffset(chain[1])), 0u);
    // Raised by the two clusters freed, not the three the size promised.
    EXPECT_EQ(image.FsInfoFreeCount(), freeBefore + 2);
    EXPECT_EQ(image.ShortNames().size(), 20);
}
