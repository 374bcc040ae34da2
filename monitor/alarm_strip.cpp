// SPDX-License-Identifier: GPL-3.0-or-later
// The alarm's part of the status strip: the alarms (statistics/) say what
// to show, the window keeps it while the tick redraws the strip.
#include "monitor/F_main.h"

void TFormMain::SetAlarmStrip(const QString& text) {
    if (alarmStrip_ == text) return;
    alarmStrip_ = text;
    ShowStripMessage();
}
