// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's command line: --help, --version and at most one file to
// open at start. Plain code (Qt Core only), read before the window exists.
#include <QString>
#include <QStringList>

namespace startup {

enum class CommandAction {
    Run,      // start the window; open `file` when it is not empty
    Help,     // print HelpText() and end
    Version,  // print VersionText() and end
    Fail      // print `error` and a hint to --help, end with status 2
};

struct Command {
    CommandAction action = CommandAction::Run;
    QString file;
    QString error;
};

// `arguments` excludes the program's name. "--help"/"-h" and
// "--version"/"-V" win over everything else on the line; "--" ends the
// options, so a file whose name starts with "-" can follow it.
Command ParseCommandLine(const QStringList& arguments);

// The arguments without the window toolkit's own options ("-platform
// offscreen", "--display :1", "-reverse", "-style=fusion", ...), which the
// toolkit takes out of the line itself once it starts. With them gone the
// line can be read before the toolkit starts, which needs a display: a
// line that can't be read is answered even where there is none.
QStringList WithoutToolkitOptions(const QStringList& arguments);

// "quorvane <version>".
QString VersionText();
QString HelpText();

// Exit status of a command line that could not be read.
inline constexpr int UsageExitStatus = 2;

}  // namespace startup
