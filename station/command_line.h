// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// quorvane-station's command line:
//   -h, --help            the help, exit 0
//   -V, --version         the version, exit 0
//   -c, --config FILE     the configuration (default /etc/quorvane/station.conf);
//                         also --config=FILE
//   --check-config        read it, say what would be recorded and published, exit
#include <QString>
#include <QStringList>

namespace station {

enum class StationAction { Run, CheckConfig, Help, Version, Fail };

struct StationCommand {
    StationAction action = StationAction::Run;
    QString configPath;  // the default unless --config gives one
    QString error;       // Fail: what is wrong
};

// `arguments` excludes the program's name. Help and version win over
// everything else on the line, so "quorvane-station --bogus --help" helps.
StationCommand ParseStationCommandLine(const QStringList& arguments);

QString StationVersionText();  // "quorvane-station <version>"
QString StationHelpText();

inline constexpr int UsageExitStatus = 2;

}  // namespace station
