// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/signal_pipe.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace station {

namespace {

int pipeEnds[2] = {-1, -1};

void OnSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe drops the byte: the loop is far behind, and will still
    // see the signals already in the pipe.
    [[maybe_unused]] const ssize_t n = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

}  // namespace

SignalPipe::SignalPipe(std::initializer_list<int> signalNumbers, QObject* parent)
    : QObject(parent), signals_(signalNumbers) {
    if (pipeEnds[0] >= 0) return;  // one per process
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalPipe::Drain);
    ok_ = true;
    for (int s : signals_) {
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;  // interrupted system calls go on
        if (::sigaction(s, &action, nullptr) != 0) ok_ = false;
    }
}

SignalPipe::~SignalPipe() {
    if (!notifier_) return;
    for (int s : signals_) ::signal(s, SIG_DFL);
    delete notifier_;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void SignalPipe::Drain() {
    unsigned char bytes[64];
    ssize_t n;
    while ((n = ::read(pipeEnds[0], bytes, sizeof bytes)) > 0)
        for (ssize_t i = 0; i < n; ++i) emit Received(bytes[i]);
}

}  // namespace station
