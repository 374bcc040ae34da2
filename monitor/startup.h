// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Program start-up: the application object, whose last line of error
// handling shows an error that escapes an event handler (error_guard.h),
// and the main window's life from construction to the end of the loop.
#include "monitor/error_guard.h"

#include <QApplication>
#include <QString>

// The program's application object: an error that escapes an event
// handler is shown in an error box instead of ending the process.
class ProgramApplication : public QApplication {
public:
    ProgramApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Sets the application's title, creates the main window (construction,
// then FormCreate), shows it and runs the event loop until it closes.
// An error on the way is shown in an error box with its text (an empty
// one when it carries none) and no window is left. Returns 0 either way.
// The caller installs the message boxes (the program: the toolkit's;
// tests: the recorder).
// `fileToOpen`, when not empty, is loaded once the event loop runs, as if
// the user had chosen it in the Open dialog (a relative path is taken from
// the working folder).
int RunProgram(QApplication& app, const QString& fileToOpen = {});

// The name the desktop knows the program by: its desktop file's name, the
// Wayland app id.
inline constexpr const char* DesktopFileName = "io.github.quorvane.Quorvane";
