// Commands of the main window whose code is built in its own module soon;
// until then they do nothing, so the window links and runs.
#include "monitor/F_main.h"

void TFormMain::ToolButton3Click() {}  // online recording: built with the recording soon
void TFormMain::ToolButton5Click() {}  // instrument setup: built with the setup dialog soon
void TFormMain::ToolButton6Click() {}  // SD card: built with the card dialog soon
void TFormMain::ToolButton4Click() {}  // print the chart: built with the printing soon
void TFormMain::ToolButton7Click() {}  // about box: built with the about box soon
void TFormMain::TakeReading() {}       // one live reading: built with the recording soon
