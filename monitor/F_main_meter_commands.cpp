// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's two commands that talk to the meter, "Setup" and "SD
// card": they hand the modules what they need and show what comes back.
// The commands themselves live in setup/ and sdcard/; the tick steps aside
// while they hold the meter (tick_pause.h).
#include "device/meter_use.h"
#include "monitor/F_main.h"
#include "monitor/startup.h"
#include "monitor/tick_pause.h"
#include "reading/readings_session.h"
#include "sdcard/sdcard_command.h"
#include "setup/setup_command.h"

#include <QScopeGuard>
#include <QTimer>

namespace {

// Holds the listener; a child of the tick's timer, so it goes with it.
class TickPause : public QObject {
public:
    explicit TickPause(QTimer& tick)
        : QObject(&tick), listener_([&tick](bool inUse) {
              if (inUse) tick.stop();
              else tick.start(device::TickIntervalMs);
          }) {}

private:
    device::MeterUseListener listener_;
};

}  // namespace

void StopTickWhileMeterInUse(QTimer& tick) { new TickPause(tick); }

void TFormMain::ToolButton5Click() {
    // Whatever way the command ends, the curves take the colours chosen (the
    // points already drawn keep theirs; the next ones take the new colour).
    const auto recolour = qScopeGuard([this] {
        Series_rec->SetColour(QColor::fromRgba(session_.RecColour));
        Series_max->SetColour(QColor::fromRgba(session_.MaxColour));
        Series_min->SetColour(QColor::fromRgba(session_.MinColour));
    });
    setup::SetupCommandContext context{this, Connected, CurrentSetup, session_, ClockReading, ClockTexts};
    setup::RunSetupCommand(context);
}

void TFormMain::ToolButton6Click() {
    sdcard::CardCommandContext context{this, Connected, session_.Recording, StartFolder, OpenFileName,
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
