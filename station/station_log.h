// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The station's log: lines on standard error, each with the journal's
// priority prefix ("<3>" error ... "<7>" debug, sd-daemon(3)), which
// journald takes for the line's priority and strips; a terminal shows it
// as it is. Qt's own messages (qWarning and the like) go the same way once
// InstallAsQtMessageHandler has run.
#include <QString>
#include <functional>

namespace station {

enum class LogPriority { Error = 3, Warning = 4, Notice = 5, Info = 6, Debug = 7 };

class StationLog {
public:
    using Sink = std::function<void(const QByteArray& line)>;  // one line, ending in '\n'
    StationLog();                  // standard error
    explicit StationLog(Sink sink);

    // A text of several lines becomes several lines, each with the prefix.
    void Write(LogPriority priority, const QString& text);
    void Error(const QString& text) { Write(LogPriority::Error, text); }
    void Warning(const QString& text) { Write(LogPriority::Warning, text); }
    void Notice(const QString& text) { Write(LogPriority::Notice, text); }
    void Info(const QString& text) { Write(LogPriority::Info, text); }

    // Qt's messages to this log for as long as it exists.
    void InstallAsQtMessageHandler();
    ~StationLog();
    StationLog(const StationLog&) = delete;
    StationLog& operator=(const StationLog&) = delete;

private:
    Sink sink_;
    bool handlesQt_ = false;
};

}  // namespace station
