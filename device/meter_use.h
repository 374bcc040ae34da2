// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One user of the meter at a time. A command that talks to the meter holds
// a MeterUse for as long as it does; while any is held, the one-second tick
// takes no reading and leaves the link alone, so no level request (and no
// reopening of the meter) can fall between the requests of a sequence such
// as a sector transfer. The hold ends with the scope, however the command
// ends.
//
// The tick's owner learns of the change through a MeterUseListener: told
// `true` when the first hold starts and `false` when the last one ends.
// Plain code: one thread (the program's main thread).
#include <functional>

namespace device {

// The interval of the tick that samples the clock, looks at the link and,
// while recording, asks the meter for the level.
constexpr int TickIntervalMs = 1000;

class MeterUse {
public:
    MeterUse();
    ~MeterUse();
    MeterUse(const MeterUse&) = delete;
    MeterUse& operator=(const MeterUse&) = delete;

    // How many holds are alive, and whether any is.
    static int HoldCount();
    static bool Held() { return HoldCount() > 0; }

private:
    static void Tell(bool inUse);
};

// Registered for its own lifetime. Listeners are told in the order they
// were registered; they must not throw (they run from a destructor).
class MeterUseListener {
public:
    using Callback = std::function<void(bool inUse)>;
    explicit MeterUseListener(Callback onChange);
    ~MeterUseListener();
    MeterUseListener(const MeterUseListener&) = delete;
    MeterUseListener& operator=(const MeterUseListener&) = delete;

private:
    friend class MeterUse;
    Callback onChange_;
};

}  // namespace device
