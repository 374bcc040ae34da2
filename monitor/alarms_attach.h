// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The alarms and the measurement report in the statistics window (two
// pages), following the window's feed, showing a running alarm in the main
// window's status strip and on its live chart.
class TFormMain;
class TFormNoiseStatistics;

void AttachAlarms(TFormNoiseStatistics& window, TFormMain& main);
