// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/station_log.h"

#include <QStringList>
#include <QtGlobal>

#include <cstdio>

namespace station {

namespace {

StationLog* qtTarget = nullptr;

void HandleQtMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (!qtTarget) return;
    switch (type) {
    case QtDebugMsg: qtTarget->Write(LogPriority::Debug, text); break;
    case QtInfoMsg: qtTarget->Write(LogPriority::Info, text); break;
    case QtWarningMsg: qtTarget->Write(LogPriority::Warning, text); break;
    case QtCriticalMsg:
    case QtFatalMsg: qtTarget->Write(LogPriority::Error, text); break;
    }
}

}  // namespace

StationLog::StationLog()
    : sink_([](const QByteArray& line) {
          // One write per line, so lines of several writers stay whole.
          std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
          std::fflush(stderr);
      }) {}

StationLog::StationLog(Sink sink) : sink_(std::move(sink)) {}

StationLog::~StationLog() {
    if (handlesQt_ && qtTarget == this) {
        qInstallMessageHandler(nullptr);
        qtTarget = nullptr;
    }
}

void StationLog::Write(LogPriority priority, const QString& text) {
    const QByteArray prefix = '<' + QByteArray::number(int(priority)) + '>';
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.isEmpty()) continue;
        sink_(prefix + line.toUtf8() + '\n');
    }
}

void StationLog::InstallAsQtMessageHandler() {
    qtTarget = this;
    handlesQt_ = true;
    qInstallMessageHandler(HandleQtMessage);
}

}  // namespace station
