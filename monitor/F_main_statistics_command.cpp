// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's "Noise statistics" command: shows the statistics window
// over the program's stream of readings, creating it the first time. The window
// is not modal and stays open beside the main window; clicking again brings
// it to the front.
#include "monitor/F_main.h"
#include "noise_windows/F_statistics.h"

void TFormMain::ToolButton8Click() {
    if (!FormNoiseStatistics) {
        // A view of the program's stream: the statistics and the alarms go
        // on whether it is open or not.
        FormNoiseStatistics = new TFormNoiseStatistics(stream_, this);
        FormNoiseStatistics->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    FormNoiseStatistics->show();
    FormNoiseStatistics->raise();
    FormNoiseStatistics->activateWindow();
}
