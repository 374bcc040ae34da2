// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The last line of error handling: an error that a command (or a tick) does
// not catch ends that command and is shown in an error box with its text;
// the program goes on. Window code (qv_ui).
#include <exception>

// Shows an error box with the text of the error being handled (call from
// within a catch block); an error without a text shows an empty box. The
// box belongs to the window the user is working in, if any.
void ShowCurrentError();

// Runs a command; an error escaping it is shown in an error box and ends
// only that command.
template <class Command>
void RunCommand(Command&& command) {
    try {
        command();
    } catch (...) {
        ShowCurrentError();
    }
}
