// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's "Noise statistics" command: shows the statistics window
// over the window's readings session, creating it the first time. The window
// is not modal and stays open beside the main window; clicking again brings
// it to the front.
#include "monitor/F_main.h"
#include "statistics/F_statistics.h"
#include "monitor/alarms_attach.h"

void TFormMain::ToolButton8Click() {
    if (!FormNoiseStatistics) {
        FormNoiseStatistics = new TFormNoiseStatistics(Session(), this);
        // Closing only hides it: the figures go on following the session.
        FormNoiseStatistics->setAttribute(Qt::WA_DeleteOnClose, false);
        AttachAlarms(*FormNoiseStatistics, *this);
    }
    FormNoiseStatistics->show();
    FormNoiseStatistics->raise();
    FormNoiseStatistics->activateWindow();
}
