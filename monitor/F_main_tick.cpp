// The one-second tick: clock, link state and, while recording, one reading.
#include "device/appusb.h"
#include "monitor/F_main.h"
#include "platform/clock.h"

#include <QLabel>
#include <QTimer>

void TFormMain::Timer1STimer() {
    // Stopped while the tick runs, so a box shown inside it cannot let
    // another tick in; restarted at the end, so ticks count from the end of
    // the previous one. An error that ends the tick early leaves it stopped.
    Timer1S->stop();
    ClockReading = platform::LocalNow();
    ClockTexts = reading::ClockTexts::From(ClockReading);
    Connected = (Appusb::OpenMeter() == 0);
    LabelUSBState->setText(QString::fromLatin1(Connected ? UsbConnectedText : UsbDisconnectedText));
    if (Connected && Recording) TakeReading();
    Timer1S->start(1000);
}
