// SPDX-License-Identifier: GPL-3.0-or-later
// The alarms and the measurement report in the statistics window: two more
// pages, and the readings its feed takes passed to the alarms as well; a
// running alarm shows in the main window's status strip and on its chart.
#include "monitor/F_main.h"
#include "statistics/F_statistics.h"
#include "statistics/alarms_hook.h"
#include "statistics/alarms_panel.h"
#include "statistics/report_panel.h"
#include "monitor/alarms_attach.h"
#include "statistics/session_feed.h"

#include "monitor/level_chart.h"

void AttachAlarms(TFormNoiseStatistics& window, TFormMain& main) {
    noisestats::AlarmsHook::Outlets outlets;
    outlets.strip = [&main](const QString& text) { main.SetAlarmStrip(text); };
    outlets.liveChart = main.Chart1;
    // The chart's points are the session's curve points, one a reading.
    outlets.liveChartX = [&main] { return double(main.Session().Curves().Count()) - 1; };
    outlets.recording = [&main] { return main.Session().Recording; };
    auto* hook = new noisestats::AlarmsHook(noisestats::ProgramAlarms(), outlets, &window);
    noisestats::SessionFeed& feed = window.Feed();
    QObject::connect(&feed, &noisestats::SessionFeed::Restarted, hook, &noisestats::AlarmsHook::Reset);
    QObject::connect(&feed, &noisestats::SessionFeed::ReadingsFed, hook, &noisestats::AlarmsHook::AddAll);
    QObject::connect(&feed, &noisestats::SessionFeed::Changed, hook, &noisestats::AlarmsHook::BatchDone);
    // The readings the feed took before the hook was there (the window
    // opens over data already on show).
    feed.Recompute();
    window.AddPage(hook->MakeAlarmsPanel(&window), QStringLiteral("Alarms"));
    window.AddPage(hook->MakeReportPanel([&window] { return window.Statistics().Length(); }, &window),
                   QStringLiteral("Measurement report"));
}
