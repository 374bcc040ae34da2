// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Program start-up and the last line of error handling: an error that a
// command does not catch ends that command and is shown in an error box
// with its text; the program goes on.
#include <QApplication>
#include <QString>
#include <exception>

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

// Shows an error box with the text of the error being handled (call from
// within a catch block); an error without a text shows an empty box.
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
