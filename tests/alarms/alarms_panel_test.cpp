// SPDX-License-Identifier: GPL-3.0-or-later
// Live alarms as the user meets them (a desktop notification, the status
// strip, the list, the chart's band) and the panel that sets them.
#include "statistics/alarm_alerts.h"
#include "report/alarm_bands.h"
#include "noise_windows/alarms_panel.h"
#include "noise_windows/report_panel.h"
#include "platform/testing/seam_doubles.h"
#include "reading/readings_session.h"
#include "statistics/noise_stream.h"
#include "tests/statistics/readings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <qcustomplot.h>

namespace noisestats {
namespace {

using testing::At;

constexpr std::int64_t kT0 = 1'780'000'000;  // 2026-05-28 20:26:40 UTC

AlarmSettings TenSecondsAt65() {
    AlarmSettings s;
    s.thresholdTenths = 650;
    s.minimumSeconds = 10;
    return s;
}

struct Outlets {
    std::vector<QString> strip;
    std::vector<std::int64_t> bands;
    std::vector<AlarmRow> ended;
    AlarmOutlets Wire() {
        return {[this](const QString& t) { strip.push_back(t); }, [this](std::int64_t s) { bands.push_back(s); },
                [this](const AlarmRow& r) { ended.push_back(r); }};
    }
};

TEST(LiveAlarms, StartTellsTheDesktopAndTheStripEndFillsTheList) {
    platform::testing::SeamDoubles seams;
    AlarmWatch watch;
    watch.Configure(true, TenSecondsAt65());
    Outlets out;
    // 5 quiet seconds, 30 loud, 20 quiet, UTC+2.
    for (int s = 0; s < 55; ++s) {
        const int tenths = s >= 5 && s < 35 ? 700 : 550;
        const AlarmStep step = watch.Add(At(kT0 + s, tenths, Weighting::A, TimeWeighting::Fast, false, 7200));
        ForwardAlarmStep(watch, step, out.Wire());
        if (s == 13) {
            EXPECT_TRUE(seams.notifications.sent.empty()) << "told before the minimum duration";
        }
        if (s == 14) {
            ASSERT_EQ(seams.notifications.sent.size(), 1u) << "not told when the minimum duration was reached";
        }
    }
    ASSERT_EQ(seams.notifications.sent.size(), 1u);
    const platform::DesktopNotification& n = seams.notifications.sent[0];
    EXPECT_EQ(n.summary, "Noise alarm: LA at or above 65,0 dB");
    EXPECT_EQ(n.body, "Since 2026-05-28 22:26:45 +02:00 (LA \u2265 65,0 dB for 10 s).");
    EXPECT_EQ(n.urgency, platform::DesktopNotification::Urgency::Critical);
    ASSERT_EQ(out.strip.size(), 2u);
    EXPECT_EQ(out.strip[0], "Alarm since 22:26:45: LA \u2265 65,0 dB for 10 s");
    EXPECT_EQ(out.strip[1], "");  // cleared when it ended
    EXPECT_EQ(out.bands, std::vector<std::int64_t>{kT0 + 5});
    ASSERT_EQ(out.ended.size(), 1u);
    EXPECT_EQ(out.ended[0].startEpoch, kT0 + 5);
    EXPECT_EQ(out.ended[0].endEpoch, kT0 + 35);
    ASSERT_EQ(watch.Rows().size(), 1u);
    EXPECT_EQ(watch.Rows()[0].endEpoch, kT0 + 35);
}

TEST(LiveAlarms, OffMeansSilentAndAFileFillsTheListAtOnce) {
    platform::testing::SeamDoubles seams;
    std::vector<Reading> file;
    for (int s = 0; s < 100; ++s) file.push_back(At(kT0 + s, s % 50 < 20 ? 700 : 500));
    AlarmWatch watch;
    watch.Configure(false, TenSecondsAt65());
    Outlets out;
    for (const Reading& r : file) ForwardAlarmStep(watch, watch.Add(r), out.Wire());
    EXPECT_TRUE(seams.notifications.sent.empty());
    EXPECT_TRUE(out.strip.empty());
    EXPECT_TRUE(watch.Rows().empty());

    watch.Configure(true, TenSecondsAt65());
    watch.RunOver(file);
    ASSERT_EQ(watch.Rows().size(), 2u);
    EXPECT_EQ(watch.Rows()[1].startEpoch, kT0 + 50);
    EXPECT_EQ(watch.Rows()[1].endEpoch, kT0 + 70);
    EXPECT_TRUE(seams.notifications.sent.empty()) << "an opened file is no reason to notify";
    // Running it again gives the same list, not twice the rows.
    watch.RunOver(file);
    EXPECT_EQ(watch.Rows().size(), 2u);
}

TEST(AlarmsPanelWidget, EditsTheStreamsAlarmsAndShowsItsList) {
    platform::testing::SeamDoubles seams;
    reading::ReadingsSession session;
    NoiseStream stream(session, QTimeZone::utc());
    stream.SetAlarms(false, TenSecondsAt65());
    const AlarmWatch& watch = stream.Alarms();
    AlarmsPanel panel(stream);
    QSignalSpy changed(&stream, &NoiseStream::AlarmsChanged);
    EXPECT_EQ(panel.threshold->value(), 65.0);
    EXPECT_EQ(panel.minimum->value(), 10);
    EXPECT_FALSE(panel.window->isEnabled());
    EXPECT_EQ(panel.state->text(), "Alarms are off.");

    panel.enabled->setChecked(true);
    panel.threshold->setValue(70.5);
    panel.mode->setCurrentIndex(1);
    panel.window->setCurrentIndex(2);
    panel.minimum->setValue(120);
    panel.hysteresis->setValue(3);
    panel.weighting->setCurrentIndex(1);
    EXPECT_EQ(changed.count(), 7);
    EXPECT_TRUE(watch.Enabled());
    const AlarmSettings& s = watch.Settings();
    EXPECT_EQ(s.thresholdTenths, 705);
    EXPECT_EQ(s.mode, AlarmMode::SlidingLeq);
    EXPECT_EQ(s.windowSeconds, 900);
    EXPECT_EQ(s.minimumSeconds, 120);
    EXPECT_EQ(s.hysteresisTenths, 30);
    EXPECT_EQ(s.weighting, Weighting::C);
    EXPECT_TRUE(panel.window->isEnabled());
    EXPECT_EQ(panel.state->text(), "Watching: LCeq 15 min 00 s \u2265 70,5 dB for 2 min 00 s, ends 3,0 dB below");

    // A second panel (the window opened again) shows the same settings.
    AlarmsPanel again(stream);
    EXPECT_TRUE(again.enabled->isChecked());
    EXPECT_EQ(again.threshold->value(), 70.5);
    // The level boxes show and take "," as decimal mark in any locale.
    EXPECT_EQ(again.threshold->text(), "70,5 dB");
    EXPECT_EQ(again.threshold->valueFromText(QStringLiteral("66,5 dB")), 66.5);
    EXPECT_EQ(again.window->currentIndex(), 2);
    EXPECT_EQ(again.weighting->currentText(), "C");

    // The list shows the alarms of the file on show, as soon as it is in;
    // new settings run it again.
    stream.SetAlarms(true, TenSecondsAt65());
    std::vector<std::uint32_t> file;
    const QTime start = QDateTime::fromSecsSinceEpoch(kT0, QTimeZone::utc()).time();
    for (int s = 0; s < 40; ++s) {
        const QTime t = start.addSecs(s);
        const std::uint32_t time = std::uint32_t((t.hour() << 12) | (t.minute() << 6) | t.second()) << 15;
        file.push_back(std::uint32_t((s < 25 ? 712 : 500) - 300) | (6u << 10) | (1u << 14) | time);
    }
    session.AppendFileWords(file, QDate(2026, 5, 28));
    ASSERT_EQ(panel.list->rowCount(), 1);
    EXPECT_EQ(panel.list->item(0, 0)->text(), "2026-05-28 20:26:40");
    EXPECT_EQ(panel.list->item(0, 1)->text(), "2026-05-28 20:27:05");
    EXPECT_EQ(panel.list->item(0, 2)->text(), "25 s");
    EXPECT_EQ(panel.list->item(0, 3)->text(), "71,2 dB");
    EXPECT_EQ(panel.list->item(0, 4)->text(), "71,2 dB");
    EXPECT_EQ(panel.list->item(0, 5)->text(), "quiet");
    panel.threshold->setValue(75);
    EXPECT_EQ(panel.list->rowCount(), 0);
    panel.threshold->setValue(69.5);
    EXPECT_EQ(panel.list->rowCount(), 1);
    EXPECT_TRUE(seams.notifications.sent.empty()) << "an opened file is no reason to notify";
    session.ClearTable();  // another file: the list starts over
    EXPECT_EQ(panel.list->rowCount(), 0);
}

TEST(ReportPanelWidget, WritesTheReportWithTheNoteAndKeepsTheNote) {
    platform::testing::SeamDoubles seams;
    QString noteSeen;
    ReportPanel panel([&](const QString& note) {
        noteSeen = note;
        return BuildReport({At(kT0, 600), At(kT0 + 1, 610)}, IntervalLength::Minutes1, {}, note);
    });
    panel.note->setPlainText(QStringLiteral("Garden, 1.5 m above ground"));
    panel.button->click();  // cancelled in the dialog
    EXPECT_EQ(noteSeen, "Garden, 1.5 m above ground");
    ASSERT_EQ(seams.fileDialogs.asked.size(), 1u);
    EXPECT_TRUE(panel.lastWritten.isEmpty());
    ReportPanel later([](const QString& note) { return BuildReport({}, IntervalLength::Minutes1, {}, note); });
    EXPECT_EQ(later.note->toPlainText(), "Garden, 1.5 m above ground");
}

TEST(AlarmBandsOnAChart, BandsLieBelowTheGridAndTheLevels) {
    QCustomPlot plot;
    plot.addGraph();
    AlarmBands bands(&plot);
    QCPLayer* layer = plot.layer(QString::fromLatin1(AlarmBands::LayerName));
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->index() + 1, plot.layer(QStringLiteral("grid"))->index());
    EXPECT_LT(layer->index(), plot.graph(0)->layer()->index());

    bands.Add(10, 20);
    bands.Start(100);
    EXPECT_TRUE(bands.Running());
    bands.Extend(130);
    bands.End(160);
    EXPECT_FALSE(bands.Running());
    bands.Extend(500);  // no running band: nothing moves
    ASSERT_EQ(bands.Count(), 2);
    EXPECT_EQ(bands.Bands()[0]->topLeft->coords(), QPointF(10, 0));
    EXPECT_EQ(bands.Bands()[1]->topLeft->coords(), QPointF(100, 0));
    EXPECT_EQ(bands.Bands()[1]->bottomRight->coords(), QPointF(160, 1));
    EXPECT_EQ(bands.Bands()[1]->layer(), layer);
    // Bands scrolled out of the time axis's range are not drawn at all.
    plot.xAxis->setRange(0, 50);
    EXPECT_TRUE(bands.Bands()[0]->visible());
    EXPECT_FALSE(bands.Bands()[1]->visible());
    plot.xAxis->setRange(150, 400);
    EXPECT_FALSE(bands.Bands()[0]->visible());
    EXPECT_TRUE(bands.Bands()[1]->visible());
    // A second set on the same chart shares the layer.
    AlarmBands more(&plot);
    EXPECT_EQ(plot.layerCount(), 7);
    bands.Clear();
    EXPECT_EQ(bands.Count(), 0);
    EXPECT_EQ(plot.itemCount(), 0);
}

}  // namespace
}  // namespace noisestats
