// SPDX-License-Identifier: GPL-3.0-or-later
// Alarms over an online recording against the simulated meter, in virtual
// time: set in the statistics window's "Alarms" page, told on the desktop
// and in the status strip when the level has stayed high long enough,
// marked on the live chart, listed when it ends; new settings run the
// readings on show again.
#include "noise_windows/F_statistics.h"
#include "report/alarm_bands.h"
#include "noise_windows/alarms_panel.h"
#include "noise_windows/report_panel.h"
#include "monitor/level_chart.h"
#include "statistics/noise_stream.h"
#include "tests/recording/recording_fixture.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>

namespace {

using RecordingAlarms = OnlineRecording;

TEST_F(RecordingAlarms, ALoudStretchIsToldMarkedAndListed) {
    // Range 7, A, SLOW; a minute of 55 dB x 10, 72 dB x 30, 55 dB x 20, again and again.
    std::string levels = "setup_byte = 0x16\nlevels = list:";
    for (int i = 0; i < 60; ++i) levels += (i ? "," : "") + std::to_string(i >= 10 && i < 40 ? 420 : 250);
    ASSERT_EQ(metersim_configure((levels + "\n").c_str()), 0);
    window->ToolButton8->click();
    TFormNoiseStatistics* stats = window->FormNoiseStatistics;
    ASSERT_NE(stats, nullptr);
    QStringList pages;
    for (int i = 0; i < stats->Tabs->count(); ++i) pages << stats->Tabs->tabText(i);
    EXPECT_TRUE(pages.contains(QStringLiteral("Alarms"))) << pages.join(',').toStdString();
    EXPECT_TRUE(pages.contains(QStringLiteral("Measurement report")));
    auto* panel = stats->findChild<noisestats::AlarmsPanel*>();
    ASSERT_NE(panel, nullptr);
    panel->threshold->setValue(65);
    panel->minimum->setValue(10);
    panel->enabled->setChecked(true);

    Tick();  // before the recording
    window->ToolButton3Click();
    Tick(19);  // 10 quiet readings, then 9 loud ones
    EXPECT_TRUE(seams.notifications.sent.empty());
    EXPECT_FALSE(window->Label5->text().contains(QStringLiteral("Alarm")));
    Tick();  // the 10th loud second
    ASSERT_EQ(seams.notifications.sent.size(), 1u);
    EXPECT_EQ(seams.notifications.sent[0].summary, "Noise alarm: LA at or above 65,0 dB");
    EXPECT_TRUE(window->Label5->text().startsWith(QStringLiteral("Alarm since"))) << window->Label5->text().toStdString();
    QCPLayer* bands = window->Chart1->layer(QString::fromLatin1(noisestats::AlarmBands::LayerName));
    ASSERT_NE(bands, nullptr);
    EXPECT_EQ(bands->children().size(), 1);

    Tick(40);  // the rest of the loud stretch and 20 quiet seconds
    EXPECT_EQ(seams.notifications.sent.size(), 1u);
    EXPECT_FALSE(window->Label5->text().contains(QStringLiteral("Alarm")));
    ASSERT_EQ(panel->list->rowCount(), 1);
    EXPECT_EQ(panel->list->item(0, 2)->text(), "30 s");
    EXPECT_EQ(panel->list->item(0, 3)->text(), "72,0 dB");

    // New settings run the readings on show again, quietly.
    window->ToolButton3Click();  // the recording stops
    panel->threshold->setValue(75);
    EXPECT_EQ(panel->list->rowCount(), 0);
    panel->threshold->setValue(70);
    EXPECT_EQ(panel->list->rowCount(), 1);
    EXPECT_EQ(seams.notifications.sent.size(), 1u);
}

// An alarm still on when the recording stops ends at the last reading, as
// "recording stopped"; opening the recording's file then shows its alarms
// as bands, and the strip and the summary speak of the file, not of the
// recording before it.
TEST_F(RecordingAlarms, StoppingEndsTheAlarmAndAFileOpenedLaterBringsItsOwnBandsAndTexts) {
    ASSERT_EQ(metersim_configure("setup_byte = 0x16\nlevels = 420\n"), 0);  // 72 dB, A, SLOW
    window->Stream().SetAlarms(true, [] {
        noisestats::AlarmSettings s;
        s.thresholdTenths = 650;
        s.minimumSeconds = 10;
        return s;
    }());
    Tick();
    window->ToolButton3Click();
    Tick(15);
    metersim_command("unplug");
    Tick(3);  // a gap: the alarm ends, three readings missed
    metersim_command("replug");
    Tick(20);
    ASSERT_TRUE(window->Label5->text().startsWith(QStringLiteral("Alarm since"))) << window->Label5->text().toStdString();
    ASSERT_TRUE(window->Label5->text().contains(QStringLiteral("Readings again since")));
    const QString file = window->Session().RecordingFileName;

    window->ToolButton3Click();  // stop
    EXPECT_FALSE(window->Label5->text().contains(QStringLiteral("Alarm"))) << window->Label5->text().toStdString();
    const auto& rows = window->Stream().Alarms().Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].end, noisestats::AlarmEnd::Gap);
    EXPECT_EQ(rows[1].end, noisestats::AlarmEnd::Stopped);
    EXPECT_EQ(rows[1].DurationSeconds(), 20);
    QCPLayer* bands = window->Chart1->layer(QString::fromLatin1(noisestats::AlarmBands::LayerName));
    ASSERT_NE(bands, nullptr);
    EXPECT_EQ(bands->children().size(), 2);

    window->OpenFileName = file;
    window->LoadFile();
    ASSERT_EQ(window->Session().ReadingCount, 35u);
    EXPECT_FALSE(window->Label5->text().contains(QStringLiteral("Readings again"))) << window->Label5->text().toStdString();
    const int last = window->Table->RowCount() - 1;
    EXPECT_TRUE(window->ChartTool_Txt->Text().startsWith(QStringLiteral("Date: ") + window->Table->Cell(4, last) +
                                                        QStringLiteral("  Time: ") + window->Table->Cell(3, last)))
        << window->ChartTool_Txt->Text().toStdString();
    // The file's alarms: the gap ended the first, the second runs to its end.
    ASSERT_EQ(window->Stream().Alarms().Rows().size(), 2u);
    EXPECT_EQ(window->Stream().Alarms().Rows()[1].end, noisestats::AlarmEnd::EndOfData);
    EXPECT_EQ(bands->children().size(), 2);
    EXPECT_EQ(seams.notifications.sent.size(), 2u) << "the file notifies nobody";
}

}  // namespace
