// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/command_line.h"

#include "station/station_config.h"

// QUORVANE_VERSION comes from the build (station/CMakeLists.txt).
#ifndef QUORVANE_VERSION
#error "QUORVANE_VERSION is not defined"
#endif

namespace station {

StationCommand ParseStationCommandLine(const QStringList& arguments) {
    for (const QString& a : arguments) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) return {StationAction::Help, {}, {}};
        if (a == QLatin1String("--version") || a == QLatin1String("-V")) return {StationAction::Version, {}, {}};
    }
    StationCommand command;
    command.configPath = QString::fromLatin1(DefaultConfigPath);
    bool configGiven = false;
    auto fail = [](const QString& error) { return StationCommand{StationAction::Fail, {}, error}; };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        QString path;
        if (a == QLatin1String("--config") || a == QLatin1String("-c")) {
            if (i + 1 >= arguments.size()) return fail(QStringLiteral("%1 needs a file").arg(a));
            path = arguments[++i];
        } else if (a.startsWith(QLatin1String("--config="))) {
            path = a.mid(9);
        } else if (a == QLatin1String("--check-config")) {
            command.action = StationAction::CheckConfig;
            continue;
        } else if (a.startsWith(QLatin1Char('-'))) {
            return fail(QStringLiteral("unknown option %1").arg(a));
        } else {
            return fail(QStringLiteral("unexpected argument %1 (the configuration file comes with --config)").arg(a));
        }
        if (path.isEmpty()) return fail(QStringLiteral("an empty file name for --config"));
        if (configGiven) return fail(QStringLiteral("--config is given twice"));
        configGiven = true;
        command.configPath = path;
    }
    return command;
}

QString StationVersionText() { return QStringLiteral("quorvane-station " QUORVANE_VERSION); }

QString StationHelpText() {
    return QStringLiteral(
               "Usage: quorvane-station [--config FILE] [--check-config]\n"
               "Record sound level meters unattended, as a service without a display.\n"
               "\n"
               "  -c, --config FILE   the configuration file (default %1)\n"
               "      --check-config  read the file, say what would be recorded and\n"
               "                      published, and exit: 0 when it is good\n"
               "  -h, --help          show this help and exit\n"
               "  -V, --version       show the version and exit\n"
               "\n"
               "Messages go to standard error with journal priorities (<3> error ... <7> debug).\n"
               "SIGHUP rereads the configuration (a bad file is refused and the settings\n"
               "in use go on); SIGTERM stops. See quorvane-station(1).\n")
        .arg(QString::fromLatin1(DefaultConfigPath));
}

}  // namespace station
