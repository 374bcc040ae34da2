// SPDX-License-Identifier: GPL-3.0-or-later
// Commands of the main window whose code is built in its own module soon;
// until then they do nothing, so the window links and runs.
#include "monitor/F_main.h"

