// SPDX-License-Identifier: GPL-3.0-or-later
// The program's entry. Started bare it reads no command line, environment or
// configuration; --help, --version and a line it can't read are answered
// without a display, and one file argument is opened once the window is up.
#include "monitor/command_line.h"
#include "monitor/startup.h"
#include "platform/widgets_seams.h"

#include <cstdio>

namespace {

QStringList ArgumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// Prints the answer to a command line that does not start the window;
// returns -1 when the window is to start.
int AnswerWithoutWindow(const startup::Command& command) {
    switch (command.action) {
    case startup::CommandAction::Help:
        std::fputs(qPrintable(startup::HelpText()), stdout);
        return 0;
    case startup::CommandAction::Version:
        std::printf("%s\n", qPrintable(startup::VersionText()));
        return 0;
    case startup::CommandAction::Fail:
        std::fprintf(stderr, "quorvane: %s\nTry 'quorvane --help'.\n", qPrintable(command.error));
        return startup::UsageExitStatus;
    case startup::CommandAction::Run:
        break;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    // Help, version and a line that can't be read are answered before the
    // application object, which needs a display (without one it would end
    // the program before a word is said about the line).
    const startup::Command early =
        startup::ParseCommandLine(startup::WithoutToolkitOptions(ArgumentsOf(argc, argv)));
    if (const int status = AnswerWithoutWindow(early); status >= 0) return status;

    ProgramApplication app(argc, argv);
    // The toolkit has taken its own options (-platform, -display, ...) out of
    // the arguments by now; what is left is ours.
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty()) arguments.removeFirst();
    const startup::Command command = startup::ParseCommandLine(arguments);
    if (const int status = AnswerWithoutWindow(command); status >= 0) return status;

    platform::InstallWidgetsSeams();
    return RunProgram(app, command.file);
}
