// SPDX-License-Identifier: GPL-3.0-or-later
// quorvane-station: the station's entry. Qt Core only, no display.
#include "station/command_line.h"
#include "station/config_summary.h"
#include "station/host_paths.h"
#include "station/signal_pipe.h"
#include "station/station.h"
#include "station/station_recorder.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

QStringList ArgumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// --check-config: for a person at a terminal, so the problems come as
// plain "file:line:" lines and the summary on standard output.
int CheckConfig(const QString& path) {
    const station::ConfigReadResult read = station::ReadStationConfig(path);
    if (!read.config) {
        for (const station::ConfigProblem& p : read.problems) std::fprintf(stderr, "%s\n", qPrintable(p.Text()));
        std::fprintf(stderr, "quorvane-station: %s has %d fault%s\n", qPrintable(path), int(read.problems.size()),
                     read.problems.size() == 1 ? "" : "s");
        return station::ConfigFaultExitStatus;
    }
    const QString summary =
        station::ConfigSummary(*read.config, station::LookAtHost(station::HostPathsFromEnvironment()));
    std::fputs(summary.toUtf8().constData(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const station::StationCommand command = station::ParseStationCommandLine(ArgumentsOf(argc, argv));
    switch (command.action) {
    case station::StationAction::Help:
        std::fputs(qPrintable(station::StationHelpText()), stdout);
        return 0;
    case station::StationAction::Version:
        std::printf("%s\n", qPrintable(station::StationVersionText()));
        return 0;
    case station::StationAction::Fail:
        std::fprintf(stderr, "quorvane-station: %s\nTry 'quorvane-station --help'.\n", qPrintable(command.error));
        return station::UsageExitStatus;
    case station::StationAction::CheckConfig:
        return CheckConfig(command.configPath);
    case station::StationAction::Run:
        break;
    }

    // A file size limit makes a write fail (and is told like a full disk),
    // rather than ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    station::StationLog log;
    log.InstallAsQtMessageHandler();
    // Before anything else, so a SIGTERM from the start on stops it cleanly.
    station::SignalPipe signalPipe({SIGTERM, SIGINT, SIGHUP});
    if (!signalPipe.Ok()) {
        log.Error(QStringLiteral("cannot take signals (SIGTERM, SIGHUP): not started"));
        return 1;
    }
    station::StationRecorder recorder(log);
    station::Station station(command.configPath, recorder, log);
    log.Info(station::StationVersionText() + QStringLiteral(" starting"));
    if (!station.Start()) return station::ConfigFaultExitStatus;

    QObject::connect(&signalPipe, &station::SignalPipe::Received, &app, [&](int signalNumber) {
        if (signalNumber == SIGHUP) {
            station.Reload();
            return;
        }
        log.Info(QStringLiteral("%1 received").arg(signalNumber == SIGTERM ? QStringLiteral("SIGTERM")
                                                                             : QStringLiteral("SIGINT")));
        station.Stop();
        app.exit(0);
    });
    return app.exec();
}
