// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window on the simulated meter holding a real FAT32 card image,
// with helpers to act inside the card dialog while it is open, to click its
// rows, and to see whether every card access ran inside a wait window.
#include "tests/sdcard/card_image.h"
#include "tests/setup/meter_window.h"

#include "sdcard/Await.h"
#include "sdcard/F_sdcard.h"
#include "sdcard/card_pie.h"
#include "ico/animate_widget.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <memory>

class CardWindowTest : public MeterWindowTest {
protected:
    using Act = std::function<void(TForm_sd&)>;

    // A card like the meter's: a label, record and other files, a directory.
    void MakeCard(cardtest::ImageOptions options = {.label = "METERCARD"}) {
        card = std::make_unique<cardtest::CardImage>(options);
        card->PutFiles({{"A.QZX", cardtest::Pattern(1000, 1)},
                        {"NGFO0509.QZX", RecordBytes()},
                        {"B.TXT", cardtest::Pattern(700, 2)},
                        {"C.BIN", cardtest::Pattern(5000, 3)}});
        card->MakeDirectory("LOGS");
    }
    static constexpr int RowOfA = 1, RowOfRecord = 2, RowOfB = 3, RowOfC = 4, RowOfLogs = 5;

    // Three readings of 55,0, 60,0 and 65,0 dB from 14:05:09 on.
    static QByteArray RecordBytes() {
        QByteArray bytes;
        for (int i = 0; i < 3; ++i) {
            const std::uint32_t code = 250 + 50 * std::uint32_t(i);
            const std::uint32_t word = code | (6u << 10) | (((14u << 12) | (5u << 6) | (9u + i)) << 15);
            for (int b = 0; b < 4; ++b) bytes.append(char(word >> (8 * b)));
        }
        return bytes;
    }

    // Builds the window on the meter with the card in it; every pacing
    // wait notes whether a wait window was showing and had its clip going.
    void StartWithCard(const std::string& extra = "") {
        StartWindow("card_image = " + card->Path().toStdString() + "\n" + extra);
        // The wait window's clip, as the program finds it in its working folder.
        const QString clip = QStringLiteral(QV_RUN_DIR "/ico/palmpilot.avi");
        ASSERT_TRUE(QFile::exists(clip)) << "build the clips first (target qv_art)";
        QFile::remove(folder.filePath("ico/palmpilot.avi"));
        ASSERT_TRUE(QFile::copy(clip, folder.filePath("ico/palmpilot.avi")));
        seams.time.onAdvance = [this](int ms) {
            metersim_advance_ms(ms);
            bool playing = false;
            for (TForm_await* w : window->findChildren<TForm_await*>())
                playing = playing || (w->isVisible() && w->Animate1->IsPlaying() && w->Animate1->FrameCount() == 19);
            ++(playing ? waitsInsideWaitWindow : waitsOutsideWaitWindow);
        };
    }

    // Runs the command with `act` done in the open dialog.
    void RunCommand(const Act& act) {
        WhenOpen<TForm_sd>(act);
        window->ToolButton6Click();
    }

    static void ClickRow(TForm_sd& d, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTreeWidgetItem* item = d.ListView1->topLevelItem(row);
        ASSERT_NE(item, nullptr);
        d.ListView1->scrollToItem(item);
        QTest::mouseClick(d.ListView1->viewport(), Qt::LeftButton, modifiers,
                          d.ListView1->visualItemRect(item).center());
    }

    static QStringList Captions(const TForm_sd& d) {
        QStringList captions;
        for (int i = 0; i < d.ListView1->topLevelItemCount(); ++i) captions << d.ListView1->topLevelItem(i)->text(0);
        return captions;
    }
    // The 11-byte names of the dialog's EntryTable rows.
    static QStringList TableNames(const TForm_sd& d) {
        QStringList names;
        const Fat32::Volume& v = d.CardVolume();
        for (int i = 0; i < v.EntryCount; ++i)
            names << QString::fromLatin1(reinterpret_cast<const char*>(v.EntryTable[std::size_t(i)].data()), 11);
        return names;
    }

    // Sectors the meter was told to write to the card.
    static int SectorWrites() {
        int writes = 0;
        for (const metersim_request& r : Requests(Appusb::ReqSectorCommand)) writes += (r.value & 0xFF) == 1;
        return writes;
    }

    // Byte offset in the image of the root directory's first sector.
    std::uint64_t RootDirectoryOffset() const {
        const QByteArray boot = card->ReadBytes(card->VolumeOffset(), 512);
        const std::uint32_t reserved = std::uint8_t(boot[0x0E]) | (std::uint8_t(boot[0x0F]) << 8);
        const std::uint32_t fats = std::uint8_t(boot[0x10]);
        const std::uint32_t perCluster = std::uint8_t(boot[0x0D]);
        const std::uint32_t fatSectors = card->ReadU32(card->VolumeOffset() + 0x24);
        const std::uint32_t root = card->ReadU32(card->VolumeOffset() + 0x2C);
        return card->VolumeSectorOffset(reserved + fats * fatSectors + (root - 2) * perCluster);
    }
    // Rewrites the 11 name bytes of a root directory entry in the image.
    void RenameOnCard(const QByteArray& from11, const QByteArray& to11) {
        const std::uint64_t root = RootDirectoryOffset();
        const QByteArray sector = card->ReadBytes(root, 512);
        const int at = sector.indexOf(from11);
        ASSERT_GE(at, 0) << from11.constData();
        ASSERT_EQ(at % 32, 0);
        card->WriteBytes(root + std::uint64_t(at), to11);
    }

    std::unique_ptr<cardtest::CardImage> card;
    int waitsInsideWaitWindow = 0;
    int waitsOutsideWaitWindow = 0;
};
