// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window toolkit's message boxes, file dialogs and colour chooser, and
// the desktop's notifications.
// The program installs them once at start-up.

namespace platform {
void InstallWidgetsSeams();
}
