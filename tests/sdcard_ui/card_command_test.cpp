// SPDX-License-Identifier: GPL-3.0-or-later
// The SD card command: its guards, the dialog it shows with the card
// loaded, and the file it hands to the main window.
#include "card_window.h"
#include "device/meter_use.h"

#include <QFile>

namespace {

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class CardCommand : public CardWindowTest {};

TEST_F(CardCommand, GuardsShowOnlyTheirMessage) {
    struct Case {
        const char* name;
        std::string meter;
        const char* message;
        int setupReads;
        bool emptiesOpenFileName;
    };
    const Case cases[] = {
        {"no meter", "devices = none", "USB does not properly connected! ", 0, true},
        {"meter without a card", "setup_byte = 0x3B", "Failed to detect the SD card! ", 1, false},
        {"every other setup bit set", "setup_byte = 0xBF", "Failed to detect the SD card! ", 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartWindow(c.meter);
        seams.messages.shown.clear();
        window->OpenFileName = QStringLiteral("earlier.qzx");
        RunCommand([](TForm_sd&) {});
        EXPECT_EQ(dialogsOpened, 0);
        EXPECT_EQ(seams.messages.Texts(), QStringList{QLatin1String(c.message)});
        EXPECT_EQ(int(Requests(Appusb::ReqReadSetup).size()), c.setupReads);
        EXPECT_EQ(metersim_log_count(), c.setupReads);  // nothing else was asked of the meter
        EXPECT_EQ(window->OpenFileName.isEmpty(), c.emptiesOpenFileName);
        EXPECT_TRUE(window->Recorder().Timer().isActive());
        EXPECT_NE(window->cursor().shape(), Qt::WaitCursor);
        TearDown();
    }
}

TEST_F(CardCommand, ShowsTheCardWhileTheMainWindowWaits) {
    MakeCard();
    StartWithCard();
    const std::uint32_t freeClusters = card->FsInfoFreeCount();
    RunCommand([&](TForm_sd& d) {
        EXPECT_TRUE(d.isModal());
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Micro SD Card"));
        EXPECT_EQ(d.size(), QSize(747, 439));
        EXPECT_EQ(window->cursor().shape(), Qt::WaitCursor);
        EXPECT_FALSE(window->Recorder().Timer().isActive());
        EXPECT_EQ(window->findChildren<TForm_await*>().size(), 0);  // the load's wait window is gone

        EXPECT_EQ(d.Label_FATTYPE->text(), QStringLiteral(" FAT32 "));
        EXPECT_EQ(Captions(d), (QStringList{"...", "a.qzx", "ngfo0509.qzx", "b.txt", "c.bin", "logs"}));
        EXPECT_EQ(d.ListView1->topLevelItem(RowOfA)->text(1), QStringLiteral("0,976   KB"));
        EXPECT_TRUE(d.ListView1->topLevelItem(0)->text(1).isEmpty());
        EXPECT_FALSE(d.ListView1->topLevelItem(RowOfA)->text(2).isEmpty());
        EXPECT_EQ(d.SelectedIndex, 0);

        const QString freeBytes = QString::number(std::uint64_t(freeClusters) * 512);
        EXPECT_EQ(d.Label_FreeSpaceBity->text(), freeBytes);
        const std::uint64_t capacity = d.Label_ALLSpaceBity->text().toULongLong();
        EXPECT_GT(capacity, 36000ull * 1024 * 9 / 10);  // the data area of a 36000 KiB volume
        EXPECT_EQ(d.Label_UsedSpaceBity->text().toULongLong(), capacity - freeBytes.toULongLong());
        EXPECT_EQ(d.Label_ALLSpaceMB->text(), CardView::MegabyteText(capacity));

        // The used share in blue as the square of the used row, the free
        // share in fuchsia as the square of the free row.
        const int freeShare = int(std::uint64_t(freeClusters) * 512 * 100 / capacity);
        ASSERT_EQ(d.Chart1->Slices().size(), 2u);
        EXPECT_EQ(d.Chart1->Slices()[0].value, 100 - freeShare);
        EXPECT_EQ(d.Chart1->Slices()[0].colour, QColor(0, 0, 255));
        EXPECT_EQ(d.Chart1->Slices()[0].colour, d.Shape1->palette().color(QPalette::Window));
        EXPECT_EQ(d.Chart1->Slices()[1].value, freeShare);
        EXPECT_EQ(d.Chart1->Slices()[1].colour, QColor(255, 0, 255));
        EXPECT_EQ(d.Chart1->Slices()[1].colour, d.Shape2->palette().color(QPalette::Window));
        EXPECT_GT(freeShare, 50);  // a mostly empty card: the fuchsia slice is the bigger one
        EXPECT_FALSE(d.Label_ListingNote->isVisible());
        d.Button7->click();
    });
    EXPECT_EQ(dialogsOpened, 1);
    EXPECT_GT(waitsInsideWaitWindow, 0);
    EXPECT_EQ(waitsOutsideWaitWindow, 0);
    EXPECT_TRUE(seams.messages.shown.empty()) << seams.messages.Texts().join('|').toStdString();
    EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
    EXPECT_TRUE(window->Recorder().Timer().isActive());
    EXPECT_NE(window->cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(window->findChild<TForm_sd*>(), nullptr);
    EXPECT_TRUE(window->OpenFileName.isEmpty());
}

TEST_F(CardCommand, DuringARecordingTheTickLeavesTheMeterToTheCard) {
    MakeCard();
    const QString log = folder.filePath(QStringLiteral("meter.log"));
    StartWithCard("log_file = " + log.toStdString());
    window->Recorder().Tick();      // the clock sample that names the recording's file
    window->ToolButton3Click();  // recording: each tick opens the meter and asks for the level
    ASSERT_TRUE(window->Session().Recording);
    window->Recorder().Tick();
    ASSERT_EQ(Requests(Appusb::ReqReadLevel).size(), 1u);
    const auto opens = [&log] {
        QFile file(log);
        return file.open(QIODevice::ReadOnly) ? int(file.readAll().count("usb_open")) : -1;
    };
    const int opensBefore = opens();
    ASSERT_GT(opensBefore, 0);
    metersim_log_clear();
    const QString copy = folder.filePath(QStringLiteral("copy-of-a"));
    seams.fileDialogs.answers.push_back({true, copy, 1});

    bool runningInside = true;
    RunCommand([&](TForm_sd& d) {
        runningInside = window->Recorder().Timer().isActive();
        EXPECT_TRUE(device::MeterUse::Held());
        // A tick that comes all the same, between two card operations.
        window->Recorder().Tick();
        ClickRow(d, RowOfA);
        d.Button3->click();  // copies A.QZX sector by sector
        window->Recorder().Tick();
        d.Button7->click();
    });
    EXPECT_EQ(dialogsOpened, 1);
    EXPECT_FALSE(runningInside);
    EXPECT_TRUE(Requests(Appusb::ReqReadLevel).empty());
    EXPECT_EQ(FileBytes(copy + QStringLiteral(".QZX")), cardtest::Pattern(1000, 1));  // the copy came across whole
    EXPECT_EQ(opens(), opensBefore);  // the link was never reopened
    EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
    EXPECT_FALSE(device::MeterUse::Held());
    EXPECT_TRUE(window->Recorder().Timer().isActive());
    EXPECT_EQ(window->Recorder().Timer().interval(), 1000);

    window->Recorder().Tick();
    EXPECT_EQ(Requests(Appusb::ReqReadLevel).size(), 1u);
    EXPECT_EQ(opens(), opensBefore + 1);
}

TEST_F(CardCommand, OpenCopiesIntoTheWorkingFolderAndTheMainWindowShowsTheFile) {
    MakeCard();
    StartWithCard();
    RunCommand([](TForm_sd& d) {
        ClickRow(d, RowOfRecord);
        d.Button6->click();
    });
    const QString copy = folder.path() + QStringLiteral("/NGFO0509.QZX");
    EXPECT_EQ(FileBytes(copy), RecordBytes());
    EXPECT_EQ(window->OpenFileName, copy);
    EXPECT_EQ(window->Table->RowCount(), 4);
    EXPECT_EQ(window->Table->Cell(1, 1), QStringLiteral("55,0"));
    EXPECT_EQ(window->Table->Cell(1, 3), QStringLiteral("65,0"));
    EXPECT_EQ(window->findChild<TForm_sd*>(), nullptr);
    EXPECT_EQ(waitsOutsideWaitWindow, 0);
    EXPECT_TRUE(seams.messages.shown.empty()) << seams.messages.Texts().join('|').toStdString();
    EXPECT_TRUE(window->Recorder().Timer().isActive());
    EXPECT_NE(window->cursor().shape(), Qt::WaitCursor);
}

TEST_F(CardCommand, OpenOfACopyTheCardCouldNotGiveWholeLoadsNothing) {
    MakeCard();
    StartWithCard();
    // An older copy in the working folder is neither replaced nor loaded.
    const QString copy = folder.path() + QStringLiteral("/NGFO0509.QZX");
    {
        QFile older(copy);
        ASSERT_TRUE(older.open(QIODevice::WriteOnly));
        older.write(RecordBytes().left(8));
    }
    RunCommand([](TForm_sd& d) {
        ClickRow(d, RowOfRecord);
        // The directory sector arrives; the file's one sector does not.
        ASSERT_EQ(metersim_command("fault 83 timeout after 1"), 0);
        d.Button6->click();
        metersim_command("fault any off");
    });
    EXPECT_EQ(FileBytes(copy), RecordBytes().left(8));
    EXPECT_TRUE(window->OpenFileName.isEmpty());
    EXPECT_EQ(window->Table->Cell(1, 1), QString());
    const QStringList texts = seams.messages.Texts();
    ASSERT_EQ(texts.size(), 2) << texts.join('|').toStdString();
    EXPECT_EQ(texts[0], QString::fromUtf8(Appusb::DisconnectedMessage));
    EXPECT_EQ(texts[1], QStringLiteral("Only 0 of the 12 bytes of NGFO0509.QZX could be read from the card. The file "
                                       "was not saved."));
    EXPECT_EQ(window->findChild<TForm_sd*>(), nullptr);
    EXPECT_TRUE(window->Recorder().Timer().isActive());
}

TEST_F(CardCommand, OpenIsRefusedDuringARecording) {
    MakeCard();
    StartWithCard();
    window->Session().Recording = true;
    bool stillOpen = false;
    RunCommand([&](TForm_sd& d) {
        ClickRow(d, RowOfRecord);
        d.Button6->click();
        stillOpen = d.isVisible();
    });
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    const platform::Message& m = seams.messages.shown[0];
    EXPECT_EQ(m.text, QStringLiteral("Record data, please stop recording!"));
    EXPECT_EQ(m.icon, platform::MessageIcon::Warning);
    EXPECT_EQ(m.buttons, int(platform::Cancel));
    EXPECT_FALSE(QFile::exists(folder.path() + QStringLiteral("/NGFO0509.QZX")));
    EXPECT_TRUE(window->OpenFileName.isEmpty());
    EXPECT_TRUE(window->Session().Recording);
    EXPECT_EQ(window->Table->Cell(1, 1), QString());
}

TEST_F(CardCommand, CursorAndTimerComeBackWhenTheFileLoadsNothing) {
    MakeCard();
    card->PutFile("NBUA0000.QZX", RecordBytes());  // a name that gives 30 February
    StartWithCard();
    RunCommand([](TForm_sd& d) {
        ClickRow(d, RowOfLogs + 1);
        d.Button6->click();
    });
    // The day is asked for, and not given.
    ASSERT_EQ(seams.dates.asked.size(), 1u);
    EXPECT_TRUE(seams.dates.asked[0].text.contains(QStringLiteral("NBUA0000"))) << seams.dates.asked[0].text.toStdString();
    EXPECT_EQ(window->Session().ReadingCount, 0u);
    EXPECT_TRUE(window->Recorder().Timer().isActive());
    EXPECT_NE(window->cursor().shape(), Qt::WaitCursor);
}

TEST_F(CardCommand, FiguresOfLargeCardsAndOfCardsWithoutFreeCount) {
    struct Case {
        const char* name;
        cardtest::ImageOptions options;
        bool breakFsInfo;
    };
    const Case cases[] = {
        {"32 GB card", {.kib = 31250000, .sectorsPerCluster = 64, .label = "BIG"}, false},
        {"FSInfo unusable", {.label = "NOFREE"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        card = std::make_unique<cardtest::CardImage>(c.options);
        card->PutFile("A.QZX", cardtest::Pattern(1000, 1));
        if (c.breakFsInfo) card->WriteU32(card->VolumeSectorOffset(1), 0);
        // The data area from the boot sector, independently of the program.
        const QByteArray boot = card->ReadBytes(0, 512);
        const std::uint64_t reserved = std::uint8_t(boot[0x0E]) | (std::uint8_t(boot[0x0F]) << 8);
        const std::uint64_t total = card->ReadU32(0x20);
        const std::uint64_t fats = std::uint8_t(boot[0x10]) * std::uint64_t(card->ReadU32(0x24));
        const std::uint64_t capacity = (total - reserved - fats) * 512;
        const std::uint64_t freeBytes = c.breakFsInfo ? 0 : std::uint64_t(card->FsInfoFreeCount()) * c.options.sectorsPerCluster * 512;

        StartWithCard();
        RunCommand([&](TForm_sd& d) {
            EXPECT_EQ(d.Label_ALLSpaceBity->text(), QString::number(capacity));
            EXPECT_EQ(d.Label_FreeSpaceBity->text(), QString::number(freeBytes));
            EXPECT_EQ(d.Label_UsedSpaceBity->text(), QString::number(capacity - freeBytes));
            EXPECT_EQ(d.Label_ALLSpaceMB->text(), CardView::MegabyteText(capacity));
            ASSERT_EQ(d.Chart1->Slices().size(), 2u);
            EXPECT_EQ(d.Chart1->Slices()[1].value, int(freeBytes * 100 / capacity));
            EXPECT_EQ(d.Chart1->Slices()[0].value, 100 - int(freeBytes * 100 / capacity));
            d.Button7->click();
        });
        EXPECT_EQ(dialogsOpened, 1);
        if (!c.breakFsInfo) EXPECT_GT(capacity, 31000000000ull);
        else EXPECT_EQ(freeBytes, 0u);
        dialogsOpened = 0;
        TearDown();
    }
}

}  // namespace
