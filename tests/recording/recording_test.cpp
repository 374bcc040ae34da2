// SPDX-License-Identifier: GPL-3.0-or-later
// Online recording against the simulated meter, one tick per virtual second:
// what lands in the record file, the table and the curves, the moving chart
// window, unplugging, failed requests and failed writes.
#include "reading/record_file.h"
#include "tests/recording/recording_fixture.h"

#include <QLabel>

#include <csignal>
#include <sys/resource.h>

namespace {

TEST_F(OnlineRecording, ThreeReadingsLandInTheFileTableAndCurvesAsTheyAreTaken) {
    // Range 3 (60..110 dB), C, SLOW, maximum hold.
    ASSERT_EQ(metersim_configure("setup_byte = 0x3B\nlevels = list:523,700,699\n"), 0);
    Tick();  // 14:07:10, the clock sample the file name comes from
    window->ToolButton3Click();
    ASSERT_TRUE(window->Session().Recording);
    EXPECT_EQ(window->Session().RecordingFileName, folder.path() + "/OC5O0710.qzx");
    EXPECT_EQ(window->Table->RowCount(), 1);
    EXPECT_EQ(FileBytes(window->Session().RecordingFileName).size(), 0);

    const std::uint32_t bits = (3u << 10) | C | Slow;
    const std::uint32_t expected[] = {523 | bits | TimeBits(14, 7, 11), 700 | bits | TimeBits(14, 7, 12),
                                      699 | bits | TimeBits(14, 7, 13)};
    for (int i = 0; i < 3; ++i) {
        Tick();
        // Each word is in the file the moment its tick ends.
        const QByteArray bytes = FileBytes(window->Session().RecordingFileName);
        ASSERT_EQ(bytes.size(), 4 * (i + 1));
        EXPECT_EQ(WordAt(bytes, i), expected[i]) << "reading " << i + 1;
    }
    EXPECT_EQ(window->Session().ReadingCount, 3u);

    // The table: a row per reading, numbered from 1.
    EXPECT_EQ(window->Table->RowCount(), 4);
    const char* levels[] = {"82,3", "100,0", "99,9"};
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(window->Table->Cell(0, r), QString::number(r));
        EXPECT_EQ(window->Table->Cell(1, r), levels[r - 1]);
        EXPECT_EQ(window->Table->Cell(2, r), "C");
        EXPECT_FALSE(window->Table->Cell(3, r).isEmpty());
        EXPECT_FALSE(window->Table->Cell(4, r).isEmpty());
    }
    // The meter face, the big digits and the summary show the last reading.
    EXPECT_EQ(window->Label_DB->text(), " 99,9");
    EXPECT_EQ(window->Label4->text(), " 99,9");
    EXPECT_EQ(window->Label_LcdStart->text(), "60");
    EXPECT_EQ(window->Label_LcdEnd->text(), "110");
    EXPECT_EQ(window->LabelAC->text(), "C");
    EXPECT_EQ(window->LabelFS->text(), "SLOW");
    EXPECT_NEAR(window->Chart2->BarValue(), 99.9, 1e-4);
    EXPECT_TRUE(window->ChartTool_Txt->Text().endsWith("  Value: 99,9 dB  Max: 100 dB  Min: 82 dB"))
        << window->ChartTool_Txt->Text().toStdString();
    // Three curves, one point each per reading, in their colours.
    ASSERT_EQ(window->Series_rec->Count(), 3);
    const double rec[] = {82.3, 100.0, 99.9}, mx[] = {82.3, 100.0, 100.0}, mn[] = {82.3, 82.3, 82.3};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(window->Series_rec->KeyAt(i), i);
        EXPECT_NEAR(window->Series_rec->ValueAt(i), rec[i], 1e-4);
        EXPECT_NEAR(window->Series_max->ValueAt(i), mx[i], 1e-4);
        EXPECT_NEAR(window->Series_min->ValueAt(i), mn[i], 1e-4);
        EXPECT_EQ(window->Series_rec->ColourAt(i), QColor(0, 0, 255));
        EXPECT_EQ(window->Series_max->ColourAt(i), QColor(255, 0, 0));
        EXPECT_EQ(window->Series_min->ColourAt(i), QColor(0, 128, 0));
    }

    // Stop: nothing more is read or written, everything stays shown.
    window->ToolButton3Click();
    EXPECT_FALSE(window->Session().Recording);
    ASSERT_TRUE(window->Session().RecordingFile && window->Session().RecordingFile->IsOpen());
    Tick(2);
    EXPECT_EQ(LevelRequests(), 3);
    EXPECT_EQ(FileBytes(window->Session().RecordingFileName).size(), 12);
    EXPECT_EQ(window->Table->RowCount(), 4);
    EXPECT_EQ(window->Series_rec->Count(), 3);
    EXPECT_TRUE(seams.messages.shown.empty());
    EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
}

TEST_F(OnlineRecording, TheHorizontalWindowMovesByOneForEachReadingAfter290) {
    ASSERT_EQ(metersim_configure("levels = 400\n"), 0);
    Tick();
    window->ToolButton3Click();
    Tick(290);
    EXPECT_EQ(window->Chart1->BottomMinimum(), 0);
    EXPECT_EQ(window->Chart1->BottomMaximum(), 300);
    Tick();
    EXPECT_EQ(window->Chart1->BottomMinimum(), 1);
    EXPECT_EQ(window->Chart1->BottomMaximum(), 301);
    Tick(9);
    EXPECT_EQ(window->Session().ReadingCount, 300u);
    EXPECT_EQ(window->Chart1->BottomMinimum(), 10);
    EXPECT_EQ(window->Chart1->BottomMaximum(), 310);

    // A new recording doesn't put the window back; its readings move it again only after 290.
    window->ToolButton3Click();
    Tick();
    window->ToolButton3Click();
    Tick(5);
    EXPECT_EQ(window->Chart1->BottomMinimum(), 10);
    EXPECT_EQ(window->Chart1->BottomMaximum(), 310);
}

TEST_F(OnlineRecording, RangeSevenLeavesTheScaleLabelsAsTheyWere) {
    // Whole reading words: range 3, then the index 7 that names no range.
    ASSERT_EQ(metersim_configure(QStringLiteral("levels = list:%1,%2\n")
                                     .arg((3 << 10) | 223)
                                     .arg((7 << 10) | 223)
                                     .toLatin1()
                                     .constData()),
              0);
    Tick();
    window->ToolButton3Click();
    Tick();
    EXPECT_EQ(window->Label_LcdStart->text(), "60");
    EXPECT_EQ(window->Label_LcdEnd->text(), "110");
    Tick();
    EXPECT_EQ(window->Session().LiveTexts.Range, "7");
    EXPECT_EQ(window->Label_LcdStart->text(), "60");
    EXPECT_EQ(window->Label_LcdEnd->text(), "110");
    EXPECT_EQ(window->Table->Cell(1, 2), "52,3");
}

TEST_F(OnlineRecording, AnUnpluggedMeterAddsNoRowsAndTheNumberingGoesOnAfterTheReplug) {
    ASSERT_EQ(metersim_configure("levels = 500\n"), 0);
    Tick();
    window->ToolButton3Click();
    Tick(2);
    metersim_command("unplug");
    for (int i = 0; i < 10; ++i) {
        Tick();
        EXPECT_EQ(window->LabelUSBState->text(), " USB Disconnect  ");
    }
    EXPECT_EQ(window->Session().ReadingCount, 2u);
    EXPECT_EQ(window->Table->RowCount(), 3);
    EXPECT_TRUE(window->Session().Recording);

    metersim_command("replug");
    Tick();
    EXPECT_EQ(window->LabelUSBState->text(), " USB Connect     ");
    EXPECT_EQ(window->Session().ReadingCount, 3u);
    EXPECT_EQ(window->Table->Cell(0, 3), "3");
    const QByteArray bytes = FileBytes(window->Session().RecordingFileName);
    ASSERT_EQ(bytes.size(), 12);
    // Nothing marks the gap: the third word carries its own time, 13 s after the second.
    EXPECT_EQ(WordAt(bytes, 2) >> 15, (WordAt(bytes, 1) >> 15) + 11);
    EXPECT_TRUE(seams.messages.shown.empty());
}

TEST_F(OnlineRecording, AFailedOrShortLevelRequestTakesNoReadingThatSecond) {
    ASSERT_EQ(metersim_configure("levels = 500\n"), 0);
    Tick();
    window->ToolButton3Click();
    Tick();  // reading 1: 500
    metersim_command("fault 4 timeout 1");
    Tick();
    // Told without waiting for anybody: a notice, no box.
    EXPECT_EQ(seams.notices.Count(Appusb::DisconnectedMessage), 1);
    EXPECT_TRUE(seams.messages.shown.empty());
    EXPECT_TRUE(window->Recorder().Timer().isActive());
    EXPECT_EQ(window->Session().ReadingCount, 1u);
    EXPECT_EQ(window->Table->RowCount(), 2);
    EXPECT_EQ(window->Label_DB->text(), " 80,0");

    metersim_command("fault 4 short 1");
    Tick();  // cut to one byte: not a reading, and not reported as a lost link
    EXPECT_EQ(window->Session().ReadingCount, 1u);
    EXPECT_EQ(seams.notices.shown.size(), 1u);
    EXPECT_TRUE(seams.messages.shown.empty());
    EXPECT_EQ(window->Recorder().Link().Missed(), 2u);

    metersim_command("level 510");
    Tick();  // the link is opened again and 510 arrives as reading 2
    EXPECT_EQ(window->Session().ReadingCount, 2u);
    EXPECT_EQ(window->Table->Cell(0, 2), "2");
    EXPECT_EQ(window->Table->Cell(1, 2), "81,0");
    const QByteArray bytes = FileBytes(window->Session().RecordingFileName);
    ASSERT_EQ(bytes.size(), 8);
    EXPECT_EQ(WordAt(bytes, 1) & 0x3FF, 510u);
    EXPECT_EQ(window->Series_rec->Count(), 2);
}

TEST_F(OnlineRecording, StartingBeforeTheFirstTickReportsAnErrorAndRecordsNothing) {
    window->ToolButton3Click();
    EXPECT_FALSE(window->Session().Recording);
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    EXPECT_EQ(seams.messages.shown[0].icon, platform::MessageIcon::Error);
    EXPECT_TRUE(RecordFiles().isEmpty());
    Tick(2);
    EXPECT_EQ(LevelRequests(), 0);
    EXPECT_EQ(window->Session().ReadingCount, 0u);
}

TEST_F(OnlineRecording, AFolderThatCannotBeWrittenStopsTheStart) {
    Tick();
    window->StartFolder = folder.path() + "/no/such/folder";
    window->ToolButton3Click();
    EXPECT_FALSE(window->Session().Recording);
    EXPECT_EQ(seams.messages.shown.size(), 1u);
    EXPECT_EQ(window->Table->RowCount(), 1);  // already emptied, as the start does first
}

TEST_F(OnlineRecording, AFailedWriteIsToldOnceAndLaterWordsKeepTheirOffsets) {
    ASSERT_EQ(metersim_configure("levels = list:501,502,503,504,505\n"), 0);
    Tick();
    window->ToolButton3Click();
    Tick(2);
    ASSERT_EQ(FileBytes(window->Session().RecordingFileName).size(), 8);

    // The disk fills up: no file may grow beyond 8 bytes for a while.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit tight = before;
    tight.rlim_cur = 8;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    Tick(2);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &before), 0);

    EXPECT_EQ(window->Session().ReadingCount, 4u);  // both readings were taken and shown
    EXPECT_EQ(window->Table->RowCount(), 5);
    EXPECT_FALSE(window->Label5->text().isEmpty());
    EXPECT_TRUE(seams.messages.shown.empty());  // no box holds up the readings
    const QString notice = window->Label5->text();

    Tick();  // space again: reading 5 lands at its own offset
    const QByteArray bytes = FileBytes(window->Session().RecordingFileName);
    ASSERT_EQ(bytes.size(), 20);
    EXPECT_EQ(WordAt(bytes, 1) & 0x3FF, 502u);
    EXPECT_EQ(WordAt(bytes, 2), 0u);
    EXPECT_EQ(WordAt(bytes, 3), 0u);
    EXPECT_EQ(WordAt(bytes, 4) & 0x3FF, 505u);
    EXPECT_EQ(window->Label5->text(), notice);

    // The next recording starts with a clean status strip.
    Tick();
    window->ToolButton3Click();
    window->ToolButton3Click();
    EXPECT_TRUE(window->Label5->text().isEmpty());
}

TEST_F(OnlineRecording, ANewRecordingClosesTheLastFileAndReseedsTheExtremes) {
    ASSERT_EQ(metersim_configure("levels = list:700,300,500\n"), 0);
    Tick();
    window->ToolButton3Click();
    Tick(2);  // 100,0 and 60,0
    window->ToolButton3Click();
    const QString first = window->Session().RecordingFileName;
    Tick();
    window->ToolButton3Click();  // a new name, a second later
    ASSERT_NE(window->Session().RecordingFileName, first);
    EXPECT_EQ(FileBytes(first).size(), 8);
    EXPECT_EQ(window->Table->RowCount(), 1);
    EXPECT_EQ(window->Series_max->Count(), 0);
    EXPECT_EQ(RecordFiles().size(), 2);

    Tick();  // 80,0 seeds both extremes
    EXPECT_FLOAT_EQ(window->Session().RunningMax, 80.0f);
    EXPECT_FLOAT_EQ(window->Session().RunningMin, 80.0f);
    EXPECT_EQ(window->Table->Cell(0, 1), "1");
}

TEST_F(OnlineRecording, StartingTwiceInOneSecondEmptiesTheFirstFile) {
    ASSERT_EQ(metersim_configure("levels = 500\n"), 0);
    Tick();
    window->ToolButton3Click();
    window->ToolButton3Click();
    window->ToolButton3Click();  // same clock sample, same name
    EXPECT_TRUE(window->Session().Recording);
    EXPECT_EQ(RecordFiles().size(), 1);
    Tick();
    EXPECT_EQ(FileBytes(window->Session().RecordingFileName).size(), 4);
}

}  // namespace
