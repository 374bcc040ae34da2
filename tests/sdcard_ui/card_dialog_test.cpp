// SPDX-License-Identifier: GPL-3.0-or-later
// The card dialog's operations on a real card: delete, upload, open with
// unsafe names, and a card without a file system.
#include "card_window.h"

#include <QDir>
#include <QFile>

namespace {

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class CardDialog : public CardWindowTest {
protected:
    void SetUp() override {
        MakeCard();
        StartWithCard();
    }
    const QStringList listedBefore{"...", "a.qzx", "ngfo0509.qzx", "b.txt", "c.bin", "logs"};
    const QStringList cardBefore{"METERCARD  ", "A       QZX", "NGFO0509QZX", "B       TXT", "C       BIN",
                                 "LOGS       "};
};

TEST_F(CardDialog, DeleteWithoutAClickOrOnADirectoryChangesNothing) {
    struct Case {
        const char* name;
        int clickedRow;  // -1: no click
        const char* message;
    };
    const Case cases[] = {
        {"no click", -1, "You can not delete the root directory!"},
        {"root row clicked", 0, "You can not delete the root directory!"},
        {"directory", RowOfLogs, TForm_sd::DirectoryDeleteMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        seams.messages.shown.clear();
        RunCommand([&](TForm_sd& d) {
            if (c.clickedRow >= 0) ClickRow(d, c.clickedRow);
            d.Button2->click();
            EXPECT_EQ(Captions(d), listedBefore);
            EXPECT_EQ(TableNames(d), cardBefore);
            d.Button7->click();
        });
        ASSERT_EQ(seams.messages.shown.size(), 1u);
        EXPECT_EQ(seams.messages.shown[0].text, QLatin1String(c.message));
        EXPECT_EQ(seams.messages.shown[0].icon, platform::MessageIcon::Warning);
        EXPECT_EQ(seams.messages.shown[0].buttons, int(platform::Cancel));
    }
    EXPECT_EQ(SectorWrites(), 0);
    EXPECT_EQ(card->ShortNames(), cardBefore.mid(1));  // mdir names the label apart
}

TEST_F(CardDialog, DeleteRemovesExactlyTheClickedFileFromCardListAndTable) {
    const std::uint32_t freeBefore = card->FsInfoFreeCount();
    seams.messages.answers = {platform::No, platform::Yes};
    RunCommand([&](TForm_sd& d) {
        // B and C selected, B clicked first: B is the one acted on.
        ClickRow(d, RowOfB);
        ClickRow(d, RowOfC, Qt::ControlModifier);
        EXPECT_EQ(d.SelectedIndex, RowOfB);
        EXPECT_EQ(d.ListView1->selectedItems().size(), 2);

        d.Button2->click();  // answered No
        EXPECT_EQ(Captions(d), listedBefore);
        EXPECT_EQ(SectorWrites(), 0);

        d.Button2->click();  // answered Yes
        EXPECT_EQ(Captions(d), (QStringList{"...", "a.qzx", "ngfo0509.qzx", "c.bin", "logs"}));
        EXPECT_EQ(TableNames(d),
                  (QStringList{"METERCARD  ", "A       QZX", "NGFO0509QZX", "C       BIN", "LOGS       "}));
        EXPECT_EQ(d.SelectedIndex, 0);
        EXPECT_TRUE(d.ListView1->selectedItems().isEmpty());

        // The rows after the deleted one still name their own entries.
        ClickRow(d, 3);
        d.Button3->click();
        d.Button7->click();
    });
    ASSERT_EQ(seams.messages.shown.size(), 2u);
    EXPECT_EQ(seams.messages.shown[1].text, QStringLiteral("Sure you want to delete this file?"));
    EXPECT_EQ(seams.messages.shown[1].icon, platform::MessageIcon::Warning);
    EXPECT_EQ(seams.messages.shown[1].buttons, platform::Yes | platform::No);
    EXPECT_EQ(card->ShortNames(), (QStringList{"A       QZX", "NGFO0509QZX", "C       BIN", "LOGS       "}));
    EXPECT_EQ(card->FsInfoFreeCount(), freeBefore + 2);  // 700 bytes in 512-byte clusters
    QString report;
    EXPECT_TRUE(card->FsckClean(&report)) << report.toStdString();
    ASSERT_EQ(seams.fileDialogs.asked.size(), 1u);
    EXPECT_EQ(seams.fileDialogs.asked[0].proposedName, QStringLiteral("C"));
    EXPECT_EQ(waitsOutsideWaitWindow, 0);
}

TEST_F(CardDialog, OnlyAClickMovesTheSelectedIndex) {
    RunCommand([&](TForm_sd& d) {
        ClickRow(d, RowOfA);
        EXPECT_EQ(d.SelectedIndex, RowOfA);
        d.ListView1->setFocus();
        QTest::keyClick(d.ListView1, Qt::Key_Down);
        QTest::keyClick(d.ListView1, Qt::Key_Down);
        EXPECT_EQ(d.ListView1->currentItem(), d.ListView1->topLevelItem(RowOfB));
        EXPECT_EQ(d.SelectedIndex, RowOfA);
        d.Button7->click();
    });
    EXPECT_EQ(dialogsOpened, 1);
}

TEST_F(CardDialog, UploadWritesTheCopyWithTheExtensionAppended) {
    QTemporaryDir target;
    ASSERT_TRUE(target.isValid());
    seams.fileDialogs.answers.push_back({true, target.filePath("copy"), 1});
    seams.fileDialogs.answers.push_back({true, target.filePath("record.qzx"), 1});
    bool stillOpen = false;
    RunCommand([&](TForm_sd& d) {
        ClickRow(d, RowOfC);
        d.Button3->click();
        ClickRow(d, RowOfRecord);
        d.Button3->click();
        d.Button3->click();  // cancelled
        stillOpen = d.isVisible();
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(FileBytes(target.filePath("copy.BIN")), cardtest::Pattern(5000, 3));
    EXPECT_EQ(FileBytes(target.filePath("record.qzx.QZX")), RecordBytes());  // whatever the user typed
    EXPECT_EQ(QDir(target.path()).entryList(QDir::Files).size(), 2);
    ASSERT_EQ(seams.fileDialogs.asked.size(), 3u);
    const platform::FileDialogRequest& asked = seams.fileDialogs.asked[0];
    EXPECT_TRUE(asked.save);
    EXPECT_EQ(asked.proposedName, QStringLiteral("C"));  // without the short name's padding
    EXPECT_EQ(asked.filter, QStringLiteral("BIN|*.BIN"));
    EXPECT_TRUE(seams.messages.shown.empty()) << seams.messages.Texts().join('|').toStdString();
    EXPECT_GT(waitsInsideWaitWindow, 0);
    EXPECT_EQ(waitsOutsideWaitWindow, 0);
}

TEST_F(CardDialog, NamesFromTheCardCannotLeaveTheChosenFolder) {
    TearDown();
    RenameOnCard("C       BIN", "C/D\\E:F*BIN");
    RenameOnCard("B       TXT", "B\\X/Y   /:*");
    StartWithCard();
    QTemporaryDir target;
    ASSERT_TRUE(target.isValid());
    seams.fileDialogs.answers.push_back({true, target.filePath("up"), 1});
    RunCommand([&](TForm_sd& d) {
        ClickRow(d, RowOfB);
        d.Button3->click();
        ClickRow(d, RowOfC);
        d.Button6->click();
    });
    // Copied, under a name that stays in its folder.
    EXPECT_EQ(FileBytes(target.filePath("up.___")), cardtest::Pattern(700, 2));
    EXPECT_EQ(seams.fileDialogs.asked.at(0).proposedName, QStringLiteral("B_X_Y"));
    EXPECT_EQ(FileBytes(folder.filePath("C_D_E_F_.BIN")), cardtest::Pattern(5000, 3));
    EXPECT_EQ(window->OpenFileName, folder.filePath("C_D_E_F_.BIN"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"ico"});
    EXPECT_EQ(QDir(target.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"up.___"});
}

// Copies are named without the short name's padding, and still found on
// the card by the padded 11-byte key.
TEST_F(CardDialog, CopiesOfPaddedAndExtensionlessEntriesHaveCleanNames) {
    TearDown();
    RenameOnCard("B       TXT", "NOTES      ");  // a file without extension
    // The record file loaded is named for its start time: a name shorter
    // than eight characters would take its date from the random folder name.
    RenameOnCard("A       QZX", "NGFO0509QZX");
    StartWithCard();
    QTemporaryDir target;
    ASSERT_TRUE(target.isValid());
    seams.fileDialogs.answers.push_back({true, target.filePath("notes"), 1});
    RunCommand([&](TForm_sd& d) {
        EXPECT_EQ(Captions(d).at(RowOfB), QStringLiteral("notes"));
        ClickRow(d, RowOfB);
        d.Button3->click();
        ClickRow(d, RowOfA);
        d.Button6->click();
    });
    ASSERT_EQ(seams.fileDialogs.asked.size(), 1u);
    EXPECT_EQ(seams.fileDialogs.asked[0].proposedName, QStringLiteral("NOTES"));
    EXPECT_EQ(QDir(target.path()).entryList(QDir::Files), QStringList{"notes"});
    EXPECT_EQ(FileBytes(target.filePath("notes")), cardtest::Pattern(700, 2));
    EXPECT_EQ(FileBytes(folder.filePath("NGFO0509.QZX")), cardtest::Pattern(1000, 1));
    EXPECT_EQ(window->OpenFileName, folder.filePath("NGFO0509.QZX"));
    // Its bytes are a test pattern, not a recording's words: loaded, with
    // the warning that their times can't be right.
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    EXPECT_TRUE(seams.messages.shown[0].text.startsWith(
        QStringLiteral("The record file %1 may be damaged").arg(folder.filePath("NGFO0509.QZX"))));
}

// A ticked box names the file the operations act on; the root row and a
// directory are never copied, so no file appears for them.
TEST_F(CardDialog, OpenActsOnTheTickedFileAndNothingIsWrittenForTheRootRowOrADirectory) {
    const auto tick = [](TForm_sd& d, int row, bool on = true) {
        d.ListView1->topLevelItem(row)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
    };
    RunCommand([&](TForm_sd& d) {
        EXPECT_EQ(d.SelectedIndex, 0);  // the root row is highlighted
        d.Button6->click();
        d.Button3->click();
        ClickRow(d, RowOfLogs);
        d.Button6->click();
        d.Button3->click();
        tick(d, RowOfA);
        tick(d, RowOfB);
        d.Button6->click();
        d.Button2->click();
        EXPECT_TRUE(d.isVisible());
        d.Button7->click();
    });
    EXPECT_EQ(seams.messages.Texts(),
              (QStringList{TForm_sd::RootCopyMessage, TForm_sd::RootCopyMessage, TForm_sd::DirectoryCopyMessage,
                           TForm_sd::DirectoryCopyMessage, TForm_sd::TickOneMessage, TForm_sd::TickOneMessage}));
    EXPECT_TRUE(seams.fileDialogs.asked.empty());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList());
    EXPECT_TRUE(window->OpenFileName.isEmpty());
    EXPECT_EQ(SectorWrites(), 0);

    // The record file's box ticked, the root row still highlighted.
    seams.messages.shown.clear();
    RunCommand([&](TForm_sd& d) {
        tick(d, RowOfRecord);
        d.Button6->click();
    });
    EXPECT_EQ(FileBytes(folder.filePath("NGFO0509.QZX")), RecordBytes());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"NGFO0509.QZX"});
    EXPECT_EQ(window->Session().ReadingCount, 3u);
    EXPECT_TRUE(seams.messages.shown.empty()) << seams.messages.Texts().join('|').toStdString();
}

TEST_F(CardDialog, AListingCutAtFiveHundredEntriesIsSaid) {
    TearDown();
    card = std::make_unique<cardtest::CardImage>(cardtest::ImageOptions{.label = "FULL"});
    QList<QPair<QString, QByteArray>> files;
    for (int i = 0; i < 510; ++i) files.append({QStringLiteral("F%1.QZX").arg(i, 5, 10, QLatin1Char('0')), QByteArray()});
    card->PutFiles(files);
    StartWithCard();
    RunCommand([&](TForm_sd& d) {
        EXPECT_EQ(d.ListView1->topLevelItemCount(), Fat32::EntryTableSize);
        EXPECT_TRUE(d.Label_ListingNote->isVisible());
        EXPECT_EQ(d.Label_ListingNote->text(), CardView::TruncatedListingNote(true, Fat32::EntryTableSize));
        // The note sits below the list, not over its rows.
        EXPECT_LE(d.ListView1->geometry().bottom(), d.Label_ListingNote->geometry().top());
        d.Button7->click();
    });
    EXPECT_EQ(dialogsOpened, 1);
}

TEST_F(CardDialog, CardWithoutFileSystemShowsNothingAndReadsNoMore) {
    TearDown();
    card->WriteBytes(0, QByteArray(512, '\0'));  // no boot sector, no partition table
    StartWithCard();
    RunCommand([&](TForm_sd& d) {
        EXPECT_TRUE(d.Label_FATTYPE->text().isEmpty());
        EXPECT_EQ(d.ListView1->topLevelItemCount(), 0);
        for (QLabel* figure : {d.Label_UsedSpaceBity, d.Label_FreeSpaceBity, d.Label_ALLSpaceBity,
                               d.Label_UsedSpaceMB, d.Label_FreeSpaceMB, d.Label_ALLSpaceMB})
            EXPECT_EQ(figure->text(), QStringLiteral("0"));
        EXPECT_TRUE(d.Chart1->Slices().empty());
        d.Button2->click();
        d.Button3->click();
        d.Button6->click();
        d.Button7->click();
    });
    EXPECT_EQ(Requests(Appusb::ReqSectorAddress).size(), 1u);  // sector 0 alone
    EXPECT_EQ(seams.messages.Texts(), QStringList{"You can not delete the root directory!"});
    EXPECT_TRUE(seams.fileDialogs.asked.empty());
    EXPECT_TRUE(window->OpenFileName.isEmpty());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList());
}

}  // namespace

// A link that fails in the middle of an operation: the list follows what
// the delete answered, and a copy the card could not give whole is neither
// kept nor loaded.
TEST_F(CardDialog, FailedDeleteKeepsTheFileListedAndAHalfDoneOneDropsIt) {
    struct Case {
        const char* fault;       // armed once the dialog shows the card
        bool listed;             // B still in the list and on the card afterwards
        const char* message;
    };
    // Deleting B (two clusters) sends 11 sector commands: the directory
    // read, the root chain's FAT read, the entry's write, per cluster a FAT
    // read and two FAT writes, then FSInfo read and write.
    const Case cases[] = {
        {"fault 83 stall", true, "The card could not be read: B.TXT was not deleted."},
        {"fault 83 stall after 2", true, "The card could not be written: B.TXT was not deleted."},
        {"fault 83 stall after 5", false, "B.TXT was deleted, but the card failed before all of its space was freed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        seams.messages.shown.clear();
        seams.messages.answers = {platform::Yes};
        if (!Appusb::HasHandle()) {
            ASSERT_EQ(Appusb::OpenMeter(), Appusb::Opened);
        }
        RunCommand([&](TForm_sd& d) {
            ClickRow(d, RowOfB);
            ASSERT_EQ(metersim_command(c.fault), 0);
            d.Button2->click();
            metersim_command("fault any off");
            EXPECT_EQ(Captions(d).contains("b.txt"), c.listed);
            EXPECT_EQ(TableNames(d).contains("B       TXT"), c.listed);
            EXPECT_EQ(TableNames(d).size(), Captions(d).size());
            d.Button7->click();
        });
        EXPECT_EQ(card->ShortNames().contains("B       TXT"), c.listed);
        const QStringList texts = seams.messages.Texts();
        ASSERT_EQ(texts.size(), 3) << texts.join('|').toStdString();
        EXPECT_EQ(texts[1], QString::fromUtf8(Appusb::DisconnectedMessage));
        EXPECT_EQ(texts[2], QLatin1String(c.message));
    }
}

TEST_F(CardDialog, CopyTheCardCouldNotGiveWholeIsNotSavedAndSaysHowMuchCameAcross) {
    QTemporaryDir target;
    ASSERT_TRUE(target.isValid());
    // An older file of the name the user picks stays as it was.
    {
        QFile older(target.filePath("copy.BIN"));
        ASSERT_TRUE(older.open(QIODevice::WriteOnly));
        older.write("older copy");
    }
    seams.fileDialogs.answers.push_back({true, target.filePath("copy"), 1});
    RunCommand([&](TForm_sd& d) {
        ClickRow(d, RowOfC);
        // The directory read, then per cluster a data read and a FAT read:
        // the sixth command, the third cluster's data, fails.
        ASSERT_EQ(metersim_command("fault 83 stall after 5"), 0);
        d.Button3->click();
        metersim_command("fault any off");
        d.Button7->click();
    });
    EXPECT_EQ(FileBytes(target.filePath("copy.BIN")), QByteArray("older copy"));
    EXPECT_EQ(QDir(target.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"copy.BIN"});
    const QStringList texts = seams.messages.Texts();
    ASSERT_EQ(texts.size(), 2) << texts.join('|').toStdString();
    EXPECT_EQ(texts[0], QString::fromUtf8(Appusb::DisconnectedMessage));
    EXPECT_EQ(texts[1], QStringLiteral("Only 1024 of the 5000 bytes of C.BIN could be read from the card. The file was "
                                       "not saved."));
}
