// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place the program blocks its thread for a number of milliseconds
// (the meter's pacing waits, the pauses of the save command). The system
// version calls nanosleep(2) directly, which the simulated meter can take
// over in an end-to-end run; tests install a virtual sleeper instead.

namespace platform {

class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void SleepMs(int ms) = 0;
};

void SleepMs(int ms);

// Installs a sleeper; nullptr puts the system one back. Not owned.
void SetSleeper(Sleeper* sleeper);

}  // namespace platform
