// SPDX-License-Identifier: GPL-3.0-or-later
// A flaky link during a delete and a copy: every fault kind of the
// simulated meter injected at one transfer of the operation at a time, on
// a real mkfs.fat image. After each run the card must be as before or
// without the file (never damaged), and a copy must be whole or reported
// incomplete with only bytes read whole in it.
//
// The normal run takes a fixed spread of transfer indices; with
// QV_CARD_FAULT_SWEEP=full in the environment it takes every index.
#include "card_image.h"

#include "device/appusb.h"
#include "platform/testing/seam_doubles.h"
#include "sdcard/fat32.h"
#include "sdcard/sector_device.h"

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>

#include <metersim.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>

using namespace cardtest;

namespace {

const char* const FaultKinds[] = {"timeout", "stall", "short", "nodev"};
const QString LongName = "Recording of the fifth of March.qzx";
const char ShortName[] = "RECORD~1QZX";
const QString ShortName8Dot3 = "RECORD~1.QZX";

// The card: a label, twenty small files, and a long-named file over three
// holes left by deleted fillers, so its chain is fragmented; the root
// directory needs several clusters.
struct SweepCard {
    std::unique_ptr<CardImage> image;
    QByteArray pristine;          // the whole image before any operation
    QStringList names;            // mdir's short names
    QByteArray content;           // the long-named file as mcopy reads it
    std::vector<std::uint32_t> chain;
    std::uint32_t sectorsPerFat = 0, fatStart = 0, firstDataSector = 0;
    std::set<std::uint32_t> rootSectors;
};

SweepCard& Card() {
    static SweepCard card = [] {
        SweepCard c;
        c.image = std::make_unique<CardImage>(ImageOptions{.label = "SWEEP"});
        QList<QPair<QString, QByteArray>> files;
        for (int i = 1; i <= 20; ++i) files.append({QString("F%1.TXT").arg(i, 2, 10, QChar('0')), Pattern(100, i)});
        for (int i = 0; i < 6; ++i) files.append({QString("FILL%1.BIN").arg(i), Pattern(1500, 40 + i)});
        c.image->PutFiles(files);
        for (int i = 1; i < 6; i += 2) c.image->DeleteFile(QString("FILL%1.BIN").arg(i));
        c.image->WriteU32(512 + 0x1EC, 2);  // mtools then fills the holes from the start
        c.image->PutFile(LongName, Pattern(4000, 77));
        c.chain = c.image->Clusters(LongName);
        c.content = c.image->ReadOut(LongName);
        c.names = c.image->ShortNames();

        QFile file(c.image->Path());
        if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read the image");
        c.pristine = file.readAll();
        const auto u16 = [&](int at) { return std::uint32_t(std::uint8_t(c.pristine[at])) | std::uint8_t(c.pristine[at + 1]) << 8; };
        c.fatStart = u16(0x0E);
        c.sectorsPerFat = c.image->ReadU32(0x24);
        c.firstDataSector = c.fatStart + 2 * c.sectorsPerFat;
        for (std::uint32_t cluster = c.image->ReadU32(0x2C); cluster >= 2 && cluster < 0x0FFFFFF8;
             cluster = c.image->ReadU32(c.image->FatEntryOffset(cluster)) & 0x0FFFFFFF)
            c.rootSectors.insert(c.firstDataSector + cluster - 2);
        return c;
    }();
    return card;
}

// What a finished run left on the image, checked against the card before
// it. Returns an empty text when the card is acceptable.
std::string JudgeImage(const SweepCard& c, const QByteArray& now, bool gone) {
    if (now.size() != c.pristine.size()) return "the image changed its size";
    const std::set<std::uint32_t> chain(c.chain.begin(), c.chain.end());
    std::uint32_t freedInFirstFat = 0;
    for (std::uint32_t sector = 0; sector < std::uint32_t(now.size() / 512); ++sector) {
        const char* before = c.pristine.constData() + 512 * sector;
        const char* after = now.constData() + 512 * sector;
        if (std::memcmp(before, after, 512) == 0) continue;
        const std::string where = "sector " + std::to_string(sector) + ": ";
        for (int at = 0; at < 512; ++at) {
            if (before[at] == after[at]) continue;
            if (sector == 1) {
                if (at < 0x1E8 || at >= 0x1F0) return where + "FSInfo changed outside its two counts";
            } else if (sector >= c.fatStart && sector < c.firstDataSector) {
                const std::uint32_t fatSector = (sector - c.fatStart) % c.sectorsPerFat;
                const std::uint32_t cluster = (fatSector * 512 + at) / 4;
                std::uint32_t value = 0;
                std::memcpy(&value, after + at / 4 * 4, 4);
                if (!chain.count(cluster) || value != 0) return where + "FAT entry of cluster " + std::to_string(cluster) + " changed";
            } else if (c.rootSectors.count(sector)) {
                if (!gone && at % 32 == 0) {
                    // Only long-name entries may be gone while the file stays.
                    if (std::uint8_t(before[at + 11]) != 0x0F) return where + "a short entry changed, file still listed";
                }
                if (at % 32 != 0 || std::uint8_t(after[at]) != 0xE5) return where + "directory bytes other than a delete mark";
            } else {
                return where + "a sector outside FSInfo, the FATs and the root directory changed";
            }
        }
    }
    for (std::uint32_t cluster : c.chain) {
        std::uint32_t value = 0;
        std::memcpy(&value, now.constData() + c.image->FatEntryOffset(cluster), 4);
        freedInFirstFat += value == 0;
    }
    if (freedInFirstFat > 0 && !gone) return "clusters freed while the file is still listed";
    std::uint32_t countBefore = 0, countAfter = 0;
    std::memcpy(&countBefore, c.pristine.constData() + 512 + 0x1E8, 4);
    std::memcpy(&countAfter, now.constData() + 512 + 0x1E8, 4);
    if (countAfter < countBefore || countAfter - countBefore > freedInFirstFat)
        return "free count raised by " + std::to_string(qint64(countAfter) - qint64(countBefore)) + " with " +
               std::to_string(freedInFirstFat) + " clusters freed";
    return {};
}

// fsck.fat -n may only report what an interrupted delete is allowed to
// leave: lost clusters of the file, a free count that is low, FATs that
// differ (checked entry by entry above).
std::string JudgeFsck(const QString& path, int chainLength) {
    const ToolResult result = RunTool("fsck.fat", {"-n", path});
    if (result.exitCode != 0 && result.exitCode != 1) return "fsck.fat failed: " + result.output.toStdString();
    static const QRegularExpression benign(
        R"(^(fsck\.fat .*|.*: \d+ files, \d+/\d+ clusters|Leaving filesystem unchanged\.|  Auto-correcting\.|)$)");
    static const QRegularExpression lost(R"(^Reclaimed (\d+) unused clusters? \(\d+ bytes\)\.$)");
    static const QRegularExpression freeCount(R"(^Free cluster summary wrong \((\d+) vs\. really (\d+)\)$)");
    static const QRegularExpression fatsDiffer(R"(^(FATs differ but appear to be intact\.|  Using first FAT\.)$)");
    for (const QString& line : result.output.split('\n')) {
        if (benign.match(line).hasMatch() || fatsDiffer.match(line).hasMatch()) continue;
        if (const auto m = lost.match(line); m.hasMatch() && m.captured(1).toInt() <= chainLength) {
            continue;
        }
        if (const auto m = freeCount.match(line);
            m.hasMatch() && m.captured(2).toLongLong() >= m.captured(1).toLongLong() &&
            m.captured(2).toLongLong() - m.captured(1).toLongLong() <= chainLength) {
            continue;
        }
        return "fsck.fat: " + result.output.toStdString();
    }
    return {};
}

class CardFaultSweep : public ::testing::Test {
protected:
    void SetUp() override {
        seams.time.onAdvance = [](int ms) { metersim_advance_ms(ms); };
        // Same geometry as the card; each run writes the card's bytes over it.
        workImage = std::make_unique<CardImage>(ImageOptions{.label = "SWEEP"});
        work = workImage->Path().toStdString();
    }
    void TearDown() override {
        Appusb::CloseMeter();
        metersim_reset();
    }

    // A fresh copy of the card behind a freshly opened meter, mounted; the
    // fault (if any) is then armed to hit transfer `index` of what follows.
    void Start(const char* kind, int index) {
        Appusb::CloseMeter();
        metersim_reset();
        if (!pristineOnDisk) workImage->WriteBytes(0, Card().pristine);
        pristineOnDisk = false;
        ASSERT_EQ(metersim_configure(("virtual_time = 1\ncard_image = " + work + "\n").c_str()), 0);
        ASSERT_EQ(Appusb::OpenMeter(), Appusb::Opened);
        volume = std::make_unique<Fat32::Volume>(usb);
        ASSERT_EQ(volume->MountVolume(), 0);
        metersim_log_clear();
        seams.messages.shown.clear();
        if (kind) {
            const std::string fault = "fault any " + std::string(kind) + " after " + std::to_string(index);
            ASSERT_EQ(metersim_command(fault.c_str()), 0);
        }
    }
    QByteArray WorkImage() const {
        QFile file(QString::fromStdString(work));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The indices a run takes: every one, or a fixed spread: each transfer
    // of the first sector, then every 31st, and the last sector's command
    // and last piece.
    static std::vector<int> Indices(int transfers) {
        const char* sweep = std::getenv("QV_CARD_FAULT_SWEEP");
        std::vector<int> indices;
        const bool full = sweep && std::string(sweep) == "full";
        for (int i = 0; i < transfers; ++i)
            if (full || i < 6 || i % 31 == 0 || i == transfers - 1 || i == transfers - 4) indices.push_back(i);
        return indices;
    }

    platform::testing::SeamDoubles seams;
    std::unique_ptr<CardImage> workImage;
    std::string work;
    bool pristineOnDisk = false;  // the work image holds the card's bytes
    Fat32::UsbSectorDevice usb;
    std::unique_ptr<Fat32::Volume> volume;
};

TEST_F(CardFaultSweep, DeleteCutAtAnyTransferLeavesTheCardWholeOrWithoutTheFile) {
    const SweepCard& c = Card();
    ASSERT_GE(c.chain.size(), 8u);
    ASSERT_NE(c.chain.back() - c.chain.front(), c.chain.size() - 1) << "the file is not fragmented";
    ASSERT_GE(c.rootSectors.size(), 2u);
    QStringList without = c.names;
    without.removeAll(ShortName);
    ASSERT_EQ(without.size(), c.names.size() - 1);

    Start(nullptr, 0);
    ASSERT_TRUE(volume->DeleteCardFile(reinterpret_cast<const std::uint8_t*>(ShortName)));
    const int transfers = metersim_log_count();
    const QByteArray completed = WorkImage();
    ASSERT_EQ(JudgeImage(c, completed, true), "");
    ASSERT_EQ(JudgeFsck(QString::fromStdString(work), 0), "");
    ASSERT_TRUE(seams.messages.shown.empty());

    int runs = 0, deleted = 0, kept = 0, healed = 0;
    for (const char* kind : FaultKinds) {
        for (int index : Indices(transfers)) {
            SCOPED_TRACE(std::string(kind) + " at transfer " + std::to_string(index) + " of " + std::to_string(transfers));
            Start(kind, index);
            const bool gone = volume->DeleteCardFile(reinterpret_cast<const std::uint8_t*>(ShortName));
            metersim_command("fault any off");
            ++runs;
            (gone ? deleted : kept)++;
            // A delete that did not get as far as without the fault says
            // so, once, naming the file (beside the link's own box); a
            // fault the retries or a read-back healed says nothing.
            const QByteArray now = WorkImage();
            QStringList messages = seams.messages.Texts();
            messages.removeAll(QString::fromUtf8(Appusb::DisconnectedMessage));
            if (now == completed) {
                ++healed;
                EXPECT_TRUE(gone);
                EXPECT_TRUE(messages.isEmpty()) << messages.join(" | ").toStdString();
            } else {
                ASSERT_EQ(messages.size(), 1);
                EXPECT_TRUE(messages[0].contains("RECORD~1.QZX")) << messages[0].toStdString();
                EXPECT_EQ(messages[0].contains("was not deleted"), !gone) << messages[0].toStdString();
            }
            EXPECT_EQ(JudgeImage(c, now, gone), "");
            EXPECT_EQ(JudgeFsck(QString::fromStdString(work), int(c.chain.size())), "");
            EXPECT_EQ(workImage->ShortNames(), gone ? without : c.names);
            if (!gone) {
                EXPECT_EQ(workImage->ReadOut(ShortName8Dot3), c.content);
            }
            EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
        }
    }
    std::printf("delete: %d transfers, %d runs: %d deleted (%d of them whole), %d kept\n", transfers, runs, deleted,
                healed, kept);
}

TEST_F(CardFaultSweep, CopyCutAtAnyTransferIsWholeOrReportedIncomplete) {
    const SweepCard& c = Card();
    QBuffer copy;
    const auto runCopy = [&] {
        copy.close();
        copy.setData(QByteArray());
        copy.open(QIODevice::WriteOnly);
        volume->Destination = &copy;
        volume->WritePosition = 0;
        Fat32::ShortNameKey key = Fat32::MakeShortNameKey("RECORD~1.QZX");
        return volume->CopyCardFile(key);
    };
    Start(nullptr, 0);
    ASSERT_EQ(runCopy(), Fat32::CopyDone);
    ASSERT_EQ(copy.data(), c.content);
    const int transfers = metersim_log_count();

    int runs = 0, whole = 0, incomplete = 0;
    for (const char* kind : FaultKinds) {
        for (int index : Indices(transfers)) {
            SCOPED_TRACE(std::string(kind) + " at transfer " + std::to_string(index) + " of " + std::to_string(transfers));
            Start(kind, index);
            const int result = runCopy();
            metersim_command("fault any off");
            ++runs;
            if (result == Fat32::CopyDone) {
                ++whole;
                EXPECT_EQ(copy.data(), c.content);
            } else {
                ++incomplete;
                EXPECT_EQ(result, Fat32::CopyIncomplete);
                EXPECT_LT(volume->CopiedBytes, std::uint32_t(c.content.size()));
                EXPECT_EQ(copy.data(), c.content.left(int(volume->CopiedBytes)));
            }
            // A copy only reads.
            pristineOnDisk = WorkImage() == c.pristine;
            EXPECT_TRUE(pristineOnDisk);
            EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
        }
    }
    std::printf("copy: %d transfers, %d runs: %d whole, %d reported incomplete\n", transfers, runs, whole, incomplete);
}

}  // namespace
