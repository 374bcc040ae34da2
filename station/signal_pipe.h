// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Signals (SIGTERM, SIGHUP, ...) as events of the Qt event loop. The
// handler only writes the signal's number into a pipe, the one thing that
// is safe in a handler; a QSocketNotifier on the pipe's other end emits
// Received in the loop, where any work may be done. (A self-pipe rather
// than signalfd, which would need the signals blocked in every thread and
// in the programs the station starts.)
#include <QObject>
#include <initializer_list>

class QSocketNotifier;

namespace station {

class SignalPipe final : public QObject {
    Q_OBJECT
public:
    // One per process. The signals get their default handling back when it is destroyed.
    explicit SignalPipe(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~SignalPipe() override;
    bool Ok() const { return ok_; }  // false: the pipe or a handler could not be set up

signals:
    void Received(int signalNumber);

private:
    void Drain();
    QSocketNotifier* notifier_ = nullptr;
    std::vector<int> signals_;
    bool ok_ = false;
};

}  // namespace station
