// SPDX-License-Identifier: GPL-3.0-or-later
// The alarms joined to the readings stream: live readings notify, mark the
// live chart and fill the list; a file's readings fill the list at once,
// quietly; new settings run a file again.
#include "statistics/alarm_bands.h"
#include "statistics/alarms_hook.h"
#include "statistics/alarms_panel.h"
#include "platform/testing/seam_doubles.h"
#include "tests/statistics/readings.h"

#include <QDoubleSpinBox>
#include <QTableWidget>
#include <gtest/gtest.h>
#include <qcustomplot.h>

namespace noisestats {
namespace {

using testing::At;

constexpr std::int64_t kT0 = 1'780'000'000;

class Hooked : public ::testing::Test {
protected:
    Hooked() {
        AlarmSettings s;
        s.thresholdTenths = 650;
        s.minimumSeconds = 10;
        watch.Configure(true, s);
        hook = std::make_unique<AlarmsHook>(
            watch, AlarmsHook::Outlets{[this](const QString& t) { strip.push_back(t); }, &chart,
                                       [this] { return double(points - 1); }});
    }
    // 5 quiet seconds, 30 loud, 20 quiet.
    void Feed(bool live) {
        for (int s = 0; s < 55; ++s) {
            ++points;
            hook->Add(At(kT0 + s, s >= 5 && s < 35 ? 700 : 550), live);
        }
        hook->BatchDone();
    }
    platform::testing::SeamDoubles seams;
    AlarmWatch watch;
    QCustomPlot chart;
    std::vector<QString> strip;
    int points = 0;  // the live chart's points
    std::unique_ptr<AlarmsHook> hook;
};

TEST_F(Hooked, LiveReadingsNotifyMarkTheChartAndFillTheList) {
    QWidget window;
    AlarmsPanel* panel = hook->MakeAlarmsPanel(&window);
    Feed(true);
    ASSERT_EQ(seams.notifications.sent.size(), 1u);
    ASSERT_EQ(strip.size(), 2u);
    EXPECT_TRUE(strip[0].startsWith(QStringLiteral("Alarm since")));
    EXPECT_TRUE(strip[1].isEmpty());
    // The band covers the loud points 5..34.
    ASSERT_EQ(hook->Bands()->Count(), 1);
    EXPECT_FALSE(hook->Bands()->Running());
    EXPECT_EQ(hook->Bands()->Bands()[0]->topLeft->coords().x(), 5);
    EXPECT_EQ(hook->Bands()->Bands()[0]->bottomRight->coords().x(), 34);
    ASSERT_EQ(panel->list->rowCount(), 1);
    EXPECT_EQ(panel->list->item(0, 2)->text(), "30 s");
    EXPECT_EQ(hook->Readings().size(), 55u);
}

TEST_F(Hooked, AFileFillsTheListAtOnceWithoutNotifyingAndNewSettingsRunItAgain) {
    QWidget window;
    AlarmsPanel* panel = hook->MakeAlarmsPanel(&window);
    Feed(false);
    EXPECT_TRUE(seams.notifications.sent.empty());
    EXPECT_EQ(hook->Bands()->Count(), 0);
    ASSERT_EQ(watch.Rows().size(), 1u);
    EXPECT_EQ(panel->list->rowCount(), 1);
    // 75 dB: the file never reaches it.
    panel->threshold->setValue(75);
    EXPECT_TRUE(watch.Rows().empty());
    EXPECT_EQ(panel->list->rowCount(), 0);
    panel->threshold->setValue(69.5);
    EXPECT_EQ(panel->list->rowCount(), 1);
    // A new file drops the list and the readings.
    hook->Reset();
    EXPECT_TRUE(hook->Readings().empty());
    EXPECT_EQ(panel->list->rowCount(), 0);
}

}  // namespace
}  // namespace noisestats
