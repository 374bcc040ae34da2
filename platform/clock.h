// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place the program reads the local clock. Tests install a virtual
// clock (platform/testing/virtual_time.h) so that ticks and waits run in
// simulated time.
#include <QDateTime>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime Now() const = 0;  // local date and time
};

// The local date and time, from the installed clock.
QDateTime LocalNow();

// Installs a clock; nullptr puts the system clock back. Not owned.
void SetClock(const Clock* clock);

}  // namespace platform
