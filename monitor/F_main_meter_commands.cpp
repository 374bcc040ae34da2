// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's two commands that talk to the meter, "Setup" and "SD
// card": they hand the modules what they need and show what comes back.
// The commands themselves live in setup/ and sdcard/; they hold the meter
// (device::MeterUse) while they run, and the recorder's tick steps aside.
#include "monitor/F_main.h"
#include "monitor/error_guard.h"
#include "reading/readings_session.h"
#include "recording/recorder.h"
#include "sdcard/sdcard_command.h"
#include "setup/setup_command.h"

#include <QScopeGuard>

void TFormMain::ToolButton5Click() {
    // Whatever way the command ends, the curves take the colours chosen (the
    // points already drawn keep theirs; the next ones take the new colour).
    const auto recolour = qScopeGuard([this] {
        Series_rec->SetColour(QColor::fromRgba(session_.RecColour));
        Series_max->SetColour(QColor::fromRgba(session_.MaxColour));
        Series_min->SetColour(QColor::fromRgba(session_.MinColour));
    });
    setup::SetupCommandContext context{this, recorder_->Connected, CurrentSetup, session_,
                                       recorder_->ClockReading, recorder_->ClockTexts};
    setup::RunSetupCommand(context);
}

void TFormMain::ToolButton6Click() {
    sdcard::CardCommandContext context{this, recorder_->Connected, session_.Recording, StartFolder, OpenFileName,
                                       [this](const QString& path) {
                                           OpenFileName = path;
                                           try {
                                               LoadFile();
                                           } catch (...) {
                                               ShowCurrentError();
                                           }
                                       }};
    sdcard::RunCardCommand(context);
}
