// SPDX-License-Identifier: GPL-3.0-or-later
// Copying card files to the PC and the 8.3 name rules.
#include "card_fixture.h"

#include <QBuffer>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>

using namespace cardtest;

namespace {

// Copies like the dialog: the key is built from a listed entry (8 base
// bytes, '.', 3 extension bytes) and rewritten by the copy.
struct CopyOutcome {
    int result = -1;
    QByteArray bytes;
};

CopyOutcome CopyListed(CardUnderTest& card, const QString& directoryForm) {
    card.volume.ScanRootDirectory(Fat32::ScanList, nullptr);
    const QStringList names = card.ListedNames();
    const int row = names.indexOf(directoryForm);
    if (row < 0) return {};
    const auto& entry = card.volume.EntryTable[row];
    Fat32::ShortNameKey key{};
    std::copy(entry.begin(), entry.begin() + 8, key.begin());
    key[8] = '.';
    std::copy(entry.begin() + 8, entry.begin() + 11, key.begin() + 9);

    QBuffer destination;
    destination.open(QIODevice::WriteOnly);
    card.volume.Destination = &destination;
    card.volume.WritePosition = 0;
    card.device.Forget();
    CopyOutcome outcome;
    outcome.result = card.volume.CopyCardFile(key);
    card.volume.Destination = nullptr;
    outcome.bytes = destination.data();
    return outcome;
}

std::vector<std::uint32_t> FileClusters(CardImage& image, const QString& name) { return image.Clusters(name); }

}  // namespace

TEST(Fat32Copy, CopiesEqualWhatMtoolsReadsOut) {
    struct Case {
        const char* what;
        int sectorsPerCluster;
        int size;
    };
    const Case cases[] = {
        {"empty file", 1, 0},         {"one byte", 1, 1},
        {"a whole sector", 1, 512},   {"1000 bytes over a cluster end", 1, 1000},
        {"several clusters of four sectors", 4, 3 * 2048 + 17},
        {"64 KB", 2, 65536},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // FAT32 needs at least 65525 clusters.
        CardImage image({.kib = 36000 * c.sectorsPerCluster, .sectorsPerCluster = c.sectorsPerCluster, .label = "COPY"});
        image.PutFile("BEFORE.BIN", Pattern(700, 1));
        image.PutFile("subject.qzx", Pattern(c.size, 2));
        image.PutFile("AFTER.BIN", Pattern(700, 3));
        const QByteArray expected = image.ReadOut("SUBJECT.QZX");
        ASSERT_EQ(expected.size(), c.size);

        CardUnderTest card(image);
        ASSERT_EQ(card.volume.MountVolume(), 0);
        const CopyOutcome outcome = CopyListed(card, "SUBJECT QZX");
        EXPECT_EQ(outcome.result, Fat32::CopyDone);
        EXPECT_EQ(outcome.bytes, expected);
        EXPECT_EQ(card.volume.WritePosition, std::uint64_t(c.size));
        EXPECT_TRUE(card.Messages().isEmpty());
        // The find reads the one directory sector; then one sector per 512
        // bytes and one FAT read per cluster left.
        const std::uint32_t sectors = (std::uint32_t(c.size) + 511) / 512;
        const std::uint32_t clusters = (sectors + c.sectorsPerCluster - 1) / c.sectorsPerCluster;
        EXPECT_EQ(card.device.reads.size(), 1 + sectors + (clusters ? clusters - 1 : 0));
        EXPECT_TRUE(card.device.writes.empty());
    }
}

TEST(Fat32Copy, FollowsAFragmentedChainIntoARealFile) {
    CardImage image;
    QList<QPair<QString, QByteArray>> fillers;
    for (int i = 0; i < 20; ++i) fillers.append({QString("FILL%1.BIN").arg(i, 2, 10, QChar('0')), Pattern(1024, 10 + i)});
    image.PutFiles(fillers);
    for (int i = 0; i < 20; i += 2) image.DeleteFile(fillers[i].first);
    image.WriteU32(512 + 0x1EC, 2);  // mtools then fills the holes from the start
    image.PutFile("Fragmented record.qzx", Pattern(20000, 99));
    const std::vector<std::uint32_t> clusters = FileClusters(image, "Fragmented record.qzx");
    ASSERT_EQ(clusters.size(), 40u);
    ASSERT_NE(clusters.back() - clusters.front(), 39u) << "the file is not fragmented";

    CardUnderTest card(image);
    ASSERT_EQ(card.volume.MountVolume(), 0);
    QFile destination(image.Folder() + "/FRAGME~1.QZX");
    ASSERT_TRUE(destination.open(QIODevice::WriteOnly | QIODevice::Truncate));
    card.volume.Destination = &destination;
    card.volume.WritePosition = 0;
    Fat32::ShortNameKey key = Fat32::MakeShortNameKey("fragme~1.qzx");
    EXPECT_EQ(card.volume.CopyCardFile(key), Fat32::CopyDone);
    destination.close();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(key.data()), 11), "FRAGME~1QZX");
    ASSERT_TRUE(destination.open(QIODevice::ReadOnly));
    EXPECT_EQ(destination.readAll(), image.ReadOut("FRAGME~1.QZX"));
    EXPECT_TRUE(card.Messages().isEmpty());
}

TEST(Fat32Copy, BrokenChainsEndAnIncompleteCopyWithTheClusterMessage) {
    struct Case {
        const char* what;
        std::function<std::uint32_t(const std::vector<std::uint32_t>& chain)> entryToPatch;  // index into the chain
        std::function<std::uint32_t(const std::vector<std::uint32_t>& chain)> value;
        int bytesCopied;
    };
    // A file of 2500 bytes: five clusters of one sector.
    const Case cases[] = {
        {"free entry inside the chain", [](auto&) { return 1; }, [](auto&) { return 0u; }, 1024},
        {"chain ends early", [](auto&) { return 2; }, [](auto&) { return 0x0FFFFFFFu; }, 1536},
        {"chain leads back to its start", [](auto&) { return 3; }, [](auto& c) { return c[0]; }, 2048},
        {"chain leads to cluster 1", [](auto&) { return 0; }, [](auto&) { return 1u; }, 512},
        {"chain leads beyond the volume", [](auto&) { return 0; }, [](auto&) { return 0x0FFFFFF0u; }, 512},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CardImage image;
        image.PutFile("BROKEN.QZX", Pattern(2500, 5));
        const QByteArray original = image.ReadOut("BROKEN.QZX");
        const std::vector<std::uint32_t> chain = FileClusters(image, "BROKEN.QZX");
        ASSERT_EQ(chain.size(), 5u);
        image.WriteU32(image.FatEntryOffset(chain[c.entryToPatch(chain)]), c.value(chain));

        CardUnderTest card(image);
        ASSERT_EQ(card.volume.MountVolume(), 0);
        const CopyOutcome outcome = CopyListed(card, "BROKEN  QZX");
        EXPECT_EQ(outcome.result, Fat32::CopyIncomplete);
        EXPECT_EQ(outcome.bytes, original.left(c.bytesCopied));
        EXPECT_EQ(card.volume.CopiedBytes, std::uint32_t(c.bytesCopied));
        EXPECT_EQ(card.Messages(), QStringList{Fat32::ChainErrorMessage});
        EXPECT_TRUE(card.ReadsOnlyWithin(card.imageDevice.SectorCount()));
    }
}

TEST(Fat32Copy, MissingFileOrUnusableDestinationCopiesNothing) {
    CardImage image;
    image.PutFile("THERE.QZX", Pattern(100, 1));
    CardUnderTest card(image);
    ASSERT_EQ(card.volume.MountVolume(), 0);

    QBuffer destination;
    destination.open(QIODevice::WriteOnly);
    card.volume.Destination = &destination;
    Fat32::ShortNameKey missing = Fat32::MakeShortNameKey("absent.qzx");
    EXPECT_EQ(card.volume.CopyCardFile(missing), Fat32::CopyMissing);
    EXPECT_EQ(card.Messages(), QStringList{Fat32::FileMissingMessage});
    EXPECT_TRUE(destination.data().isEmpty());

    card.seams.messages.shown.clear();
    card.device.Forget();
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    card.volume.Destination = &readOnly;
    Fat32::ShortNameKey there = Fat32::MakeShortNameKey("there.qzx");
    EXPECT_EQ(card.volume.CopyCardFile(there), Fat32::CopyNoDestination);
    card.volume.Destination = nullptr;
    there = Fat32::MakeShortNameKey("there.qzx");
    EXPECT_EQ(card.volume.CopyCardFile(there), Fat32::CopyNoDestination);
    EXPECT_TRUE(card.device.reads.empty());
    EXPECT_TRUE(card.Messages().isEmpty());
}

TEST(Fat32Names, NormalizesBaseAndExtensionIntoTheDirectoryForm) {
    struct Case {
        const char* text;
        const char* directoryForm;  // nullptr: invalid
    };
    const Case cases[] = {
        {"abc.d", "ABC     D  "},
        {"ABCDEFGH.QZX", "ABCDEFGHQZX"},
        {"20240305.qzx", "20240305QZX"},
        {"ABC     .QZX", "ABC     QZX"},   // the dialog's key, blanks kept
        {"LABEL   .   ", "LABEL      "},   // a label's key
        {"a.b", "A       B  "},
        {"x~1.dat", "X~1     DAT"},
        {".txt", "        TXT"},
        {"abc.", "ABC        "},
        {"abcdefghi.txt", nullptr},       // base of nine
        {"ABCDEFGHIJKL", nullptr},        // twelve bytes, no '.'
        {"abc", nullptr},                 // no '.' at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        platform::testing::SeamDoubles seams;
        Fat32::ShortNameKey key = Fat32::MakeShortNameKey(c.text);
        const Fat32::ShortNameKey before = key;
        const bool invalid = Fat32::NormalizeShortName(key);
        EXPECT_EQ(invalid, c.directoryForm == nullptr);
        if (c.directoryForm) {
            EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(key.data()), 11), QByteArray(c.directoryForm));
            EXPECT_TRUE(seams.messages.shown.empty());
        } else {
            EXPECT_EQ(key, before);
            EXPECT_EQ(seams.messages.Texts(), QStringList{Fat32::InvalidNameMessage});
        }
    }
}

TEST(Fat32Names, InvalidNameMakesTheCopyReadNothing) {
    CardImage image;
    CardUnderTest card(image);
    ASSERT_EQ(card.volume.MountVolume(), 0);
    QBuffer destination;
    destination.open(QIODevice::WriteOnly);
    card.volume.Destination = &destination;
    card.device.Forget();
    Fat32::ShortNameKey key = Fat32::MakeShortNameKey("toolongbase.qzx");
    EXPECT_EQ(card.volume.CopyCardFile(key), Fat32::CopyInvalidName);
    EXPECT_TRUE(card.device.reads.empty());
    EXPECT_EQ(card.Messages(), QStringList{Fat32::InvalidNameMessage});
}
