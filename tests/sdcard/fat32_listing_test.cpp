// SPDX-License-Identifier: GPL-3.0-or-later
// Listing the root directory of real images: what is listed, in which
// order, across clusters, and what a broken or looping chain does.
#include "card_fixture.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <functional>

using namespace cardtest;

namespace {

std::vector<std::uint32_t> FatChain(const CardImage& image, std::uint32_t first) {
    std::vector<std::uint32_t> chain{first};
    for (std::uint32_t next; (next = image.ReadU32(image.FatEntryOffset(chain.back())) & 0x0FFFFFFF) < 0x0FFFFFF7;)
        chain.push_back(next);
    return chain;
}

QList<QPair<QString, QByteArray>> EmptyFiles(int count, const QString& prefix = "F") {
    QList<QPair<QString, QByteArray>> files;
    for (int i = 0; i < count; ++i) files.append({QString("%1%2.TXT").arg(prefix).arg(i, 4, 10, QChar('0')), {}});
    return files;
}

}  // namespace

TEST(Fat32Listing, ListsLabelDirectoriesHiddenFilesButNoFreeDeletedOrLongNameEntries) {
    CardImage image({.label = "QVCARD"});
    image.PutFile("GONE.TXT", "soon deleted");
    image.PutFile("ZED.TXT", "zed");
    image.MakeDirectory("SUB");
    image.PutFile("a long file name here.dat", "long");
    image.PutFile("low.txt", "low");
    image.PutFile("HIDDEN.SYS", "h");
    ASSERT_EQ(RunTool("mattrib", {"-i", image.Path(), "+h", "+s", "::HIDDEN.SYS"}).exitCode, 0);
    image.DeleteFile("GONE.TXT");
    const QStringList onCard = image.ShortNames();
    ASSERT_EQ(onCard, QStringList({"ZED     TXT", "SUB        ", "ALONGF~1DAT", "LOW     TXT", "HIDDEN  SYS"}));

    CardUnderTest card(image);
    ASSERT_EQ(card.volume.MountVolume(), 0);
    card.device.Forget();
    EXPECT_EQ(card.volume.ScanRootDirectory(Fat32::ScanList, nullptr), nullptr);

    EXPECT_EQ(card.ListedNames(), QStringList{"QVCARD     "} + onCard);
    EXPECT_EQ(card.volume.EntryTable[0][11], 0x08);           // the label
    EXPECT_EQ(card.volume.EntryTable[2][11], 0x10);           // the subdirectory
    EXPECT_EQ(card.volume.EntryTable[5][11] & 0x06, 0x06);    // hidden, system
    EXPECT_FALSE(card.volume.ListingTruncated);
    // The end marker lies in the first directory sector: nothing else is read.
    EXPECT_EQ(card.device.reads, std::vector<std::uint32_t>{card.volume.FirstDataSector});
    EXPECT_TRUE(card.Messages().isEmpty());
}

TEST(Fat32Listing, FollowsARootDirectoryOfSeveralScatteredClusters) {
    CardImage image({.label = "MANY"});
    // Long names take several entries each; the files' data sits between
    // the directory's clusters, so the chain is not contiguous.
    for (int i = 0; i < 60; ++i)
        image.PutFile(QString("measurement file number %1.qzx").arg(i), Pattern(600, i));
    const QStringList onCard = image.ShortNames();
    ASSERT_EQ(onCard.size(), 60);

    CardUnderTest card(image);
    ASSERT_EQ(card.volume.MountVolume(), 0);
    const std::vector<std::uint32_t> rootChain = FatChain(image, card.volume.RootCluster);
    ASSERT_GE(rootChain.size(), 8u);
    bool scattered = false;
    for (std::size_t i = 1; i < rootChain.size(); ++i) scattered |= rootChain[i] != rootChain[i - 1] + 1;
    ASSERT_TRUE(scattered);

    card.device.Forget();
    card.volume.ScanRootDirectory(Fat32::ScanList, nullptr);
    EXPECT_EQ(card.ListedNames(), QStringList{"MANY       "} + onCard);
    EXPECT_TRUE(card.Messages().isEmpty());
    // Every directory cluster is read once, in chain order, with one FAT
    // read to leave each cluster but the one holding the end marker.
    std::vector<std::uint32_t> directoryReads;
    int fatReads = 0;
    for (std::uint32_t s : card.device.reads) {
        if (s >= card.volume.FirstDataSector)
            directoryReads.push_back(s);
        else
            ++fatReads;
    }
    std::vector<std::uint32_t> expected;
    for (std::uint32_t c : rootChain) expected.push_back(card.volume.ClusterToSector(c));
    EXPECT_EQ(directoryReads, expected);
    EXPECT_EQ(fatReads, int(rootChain.size()) - 1);
}

TEST(Fat32Listing, EndsAtTheFirstEndMarker) {
    CardImage image;
    image.PutFiles(EmptyFiles(6));
    CardUnderTest card(image);
    ASSERT_EQ(card.volume.MountVolume(), 0);
    image.WriteBytes(512ull * card.volume.FirstDataSector + 3 * 32, QByteArray(1, '\0'));
    card.volume.ScanRootDirectory(Fat32::ScanList, nullptr);
    EXPECT_EQ(card.ListedNames(), image.ShortNames().mid(0, 3));
}

TEST(Fat32Listing, KeepsAtMostFiveHundredEntriesAndSaysSo) {
    CardImage image({.label = "FULL"});
    image.PutFiles(EmptyFiles(520));
    const QStringList onCard = image.ShortNames();
    ASSERT_EQ(onCard.size(), 520);

    CardUnderTest card(image);
    ASSERT_EQ(card.volume.MountVolume(), 0);
    card.device.Forget();
    card.volume.ScanRootDirectory(Fat32::ScanList, nullptr);
    EXPECT_EQ(card.volume.EntryCount, Fat32::EntryTableSize);
    EXPECT_TRUE(card.volume.ListingTruncated);
    EXPECT_EQ(card.ListedNames(), (QStringList{"FULL       "} + onCard).mid(0, 500));
    // The 501st entry (directory slot 500) is in the 32nd directory sector;
    // the listing reads no further.
    int directoryReads = 0;
    for (std::uint32_t s : card.device.reads) directoryReads += s >= card.volume.FirstDataSector;
    EXPECT_EQ(directoryReads, 32);

    // A smaller listing afterwards clears the flag.
    image.WriteBytes(512ull * card.volume.FirstDataSector + 32, QByteArray(1, '\0'));
    card.volume.ScanRootDirectory(Fat32::ScanList, nullptr);
    EXPECT_EQ(card.volume.EntryCount, 1);
    EXPECT_FALSE(card.volume.ListingTruncated);
}

TEST(Fat32Listing, BrokenOrLoopingDirectoryChainEndsWithTheClusterMessage) {
    struct Case {
        const char* what;
        std::function<void(CardImage&, const std::vector<std::uint32_t>& chain)> patch;
        int listed;        // entries listed before the message
        bool endlessLoop;  // the chain leads back to its start
    };
    // Label + 40 files: 41 entries in three clusters of 16.
    const Case cases[] = {
        {"free entry after the first cluster", [](CardImage& i, auto& c) { i.WriteU32(i.FatEntryOffset(c[0]), 0); }, 16, false},
        {"reserved cluster 1 next", [](CardImage& i, auto& c) { i.WriteU32(i.FatEntryOffset(c[0]), 1); }, 16, false},
        {"cluster beyond the volume next", [](CardImage& i, auto& c) { i.WriteU32(i.FatEntryOffset(c[1]), 0x0FFFFFF0); }, 32, false},
        {"second cluster leads to itself", [](CardImage& i, auto& c) { i.WriteU32(i.FatEntryOffset(c[1]), c[1]); }, 32, false},
        {"last cluster leads back to the first", [](CardImage& i, auto& c) { i.WriteU32(i.FatEntryOffset(c[2]), c[0]); }, 48, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CardImage image({.label = "CHAIN"});
        image.PutFiles(EmptyFiles(40));
        QStringList all = QStringList{"CHAIN      "} + image.ShortNames();
        ASSERT_EQ(all.size(), 41);
        CardUnderTest card(image);
        ASSERT_EQ(card.volume.MountVolume(), 0);
        const std::vector<std::uint32_t> chain = FatChain(image, card.volume.RootCluster);
        ASSERT_EQ(chain.size(), 3u);
        if (c.endlessLoop) {
            // Fill the last cluster so that no end marker stops the walk.
            QByteArray padding;
            for (int k = 0; k < 7; ++k) {
                const QByteArray name = QString("PAD%1    BIN").arg(k).toLatin1();
                padding += name + QByteArray(32 - name.size(), '\0');
                all << QString::fromLatin1(name);
            }
            image.WriteBytes(512ull * card.volume.ClusterToSector(chain[2]) + 9 * 32, padding);
        }
        c.patch(image, chain);

        card.volume.ScanRootDirectory(Fat32::ScanList, nullptr);
        EXPECT_EQ(card.ListedNames(), all.mid(0, c.listed));
        EXPECT_EQ(card.Messages(), QStringList{Fat32::ChainErrorMessage});
        EXPECT_TRUE(card.ReadsOnlyWithin(card.imageDevice.SectorCount()));

        // A find through the same chain ends too.
        card.seams.messages.shown.clear();
        const QByteArray missing = DirectoryForm("NOPE.TXT").toLatin1();
        EXPECT_EQ(card.volume.ScanRootDirectory(Fat32::ScanFind, reinterpret_cast<const std::uint8_t*>(missing.data())),
                  nullptr);
        EXPECT_EQ(card.Messages(), QStringList{Fat32::ChainErrorMessage});
    }
}

TEST(Fat32FatEntry, ReadsAFatSectorAgainWhileTheDeviceReportsFailureTenTimesAtMost) {
    // Fails the first `failures` reads of FAT sectors.
    class FlakyFat final : public Fat32::SectorDevice {
    public:
        FlakyFat(Fat32::SectorDevice& inner, std::uint32_t fatStart, std::uint32_t dataStart)
            : inner_(inner), fatStart_(fatStart), dataStart_(dataStart) {}
        int Read(std::uint32_t sector, std::uint8_t* buffer) override {
            if (sector >= fatStart_ && sector < dataStart_) {
                ++fatReads;
                if (failures > 0) {
                    --failures;
                    return 1;
                }
            }
            return inner_.Read(sector, buffer);
        }
        int Write(std::uint32_t sector, const std::uint8_t* buffer) override { return inner_.Write(sector, buffer); }
        int failures = 0;
        int fatReads = 0;

    private:
        Fat32::SectorDevice& inner_;
        std::uint32_t fatStart_, dataStart_;
    };
    struct Case {
        int failures;
        int reads;
    };
    const Case cases[] = {{0, 1}, {3, 4}, {9, 10}, {25, 10}};
    CardImage image;
    image.PutFile("TWO.BIN", Pattern(1024, 1));
    const std::vector<std::uint32_t> chain = image.Clusters("TWO.BIN");
    ASSERT_EQ(chain.size(), 2u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failures);
        CardUnderTest probe(image);
        ASSERT_EQ(probe.volume.MountVolume(), 0);
        FlakyFat flaky(probe.imageDevice, probe.volume.ReservedSectors, probe.volume.FirstDataSector);
        Fat32::Volume volume(flaky);
        ASSERT_EQ(volume.MountVolume(), 0);
        flaky.failures = c.failures;
        const std::uint32_t next = volume.AccessFatEntry(chain[0], false);
        EXPECT_EQ(flaky.fatReads, c.reads);
        if (c.failures < 10) {
            EXPECT_EQ(next, chain[1]);
        }
    }
}

TEST(Fat32Listing, RootDirectoryOutsideClusterTwoListsAndCopies) {
    struct Case {
        int sectorsPerCluster;
        std::uint32_t rootCluster;
    };
    for (const Case c : {Case{1, 9}, Case{4, 300}}) {
        SCOPED_TRACE(c.rootCluster);
        CardImage image({.kib = 36000 * c.sectorsPerCluster, .sectorsPerCluster = c.sectorsPerCluster, .label = "MOVED"});
        image.MoveRootDirectory(c.rootCluster);
        image.PutFile("FIRST.QZX", Pattern(3000, 1));
        image.PutFile("SECOND.QZX", Pattern(700, 2));
        // The first file took cluster 2, where the root directory was.
        ASSERT_EQ(image.Clusters("FIRST.QZX").front(), 2u);
        QString report;
        ASSERT_TRUE(image.FsckClean(&report)) << report.toStdString();

        CardUnderTest card(image);
        ASSERT_EQ(card.volume.MountVolume(), 0);
        EXPECT_EQ(card.volume.RootCluster, c.rootCluster);
        card.volume.ScanRootDirectory(Fat32::ScanList, nullptr);
        EXPECT_EQ(card.ListedNames(), (QStringList{"MOVED      ", "FIRST   QZX", "SECOND  QZX"}));
        for (const char* name : {"FIRST.QZX", "SECOND.QZX"}) {
            QBuffer copy;
            copy.open(QIODevice::WriteOnly);
            card.volume.Destination = &copy;
            card.volume.WritePosition = 0;
            Fat32::ShortNameKey key = Fat32::MakeShortNameKey(name);
            EXPECT_EQ(card.volume.CopyCardFile(key), Fat32::CopyDone);
            EXPECT_EQ(copy.data(), image.ReadOut(name)) << name;
        }
        EXPECT_TRUE(card.Messages().isEmpty());
    }
}
