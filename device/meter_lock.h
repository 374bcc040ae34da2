// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One lock per meter, so that only one program at a time uses it: the
// desktop program and the station both take it before they open a meter,
// and the one that finds it taken can say who has it ("the station is
// recording that meter") instead of fighting for the device.
//
// The lock is flock(2) on a file named after the meter's USB port
// (device/usb_port.h) in a lock folder: `<folder>/<port>.lock`. The kernel
// drops it when its holder ends, however it ends (exit, crash, SIGKILL), so
// the lock of a holder that died is simply free for the next one: nothing
// is cleaned up and no process id is trusted for that. The file holds the
// holder's process id and program name, one line ("4711 quorvane-station"),
// for the other program's message only.
//
// Permissions: the folder is world-writable and sticky (mode 1777, as
// /run/lock itself), so a desktop user and the station's service user can
// both create lock files there; the package has systemd-tmpfiles make it at
// boot, and the first taker makes it when it is missing. Lock files are
// made mode 0666 and never removed, so whoever comes next can open and lock
// the same file (removing it would let two holders lock two different
// files). A file that exists is opened without O_CREAT, which a sticky
// folder's protection of other users' files (fs.protected_regular) would
// refuse, and never through a symbolic link.
//
// Plain C++ and POSIX, no Qt.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace device {

inline constexpr const char* DefaultMeterLockFolder = "/run/lock/quorvane";

struct MeterLockHolder {
    long pid = 0;         // 0 when the file says nothing readable
    std::string program;  // as the holder gave it, e.g. "quorvane-station"
};

// A meter's lock while it is held; moving it moves the hold, destroying it
// (or Release) lets go. A child process forked while it is held shares it
// until that child ends or execs (the file is close-on-exec).
class MeterLock {
public:
    MeterLock() = default;
    ~MeterLock();
    MeterLock(MeterLock&& other) noexcept;
    MeterLock& operator=(MeterLock&& other) noexcept;
    MeterLock(const MeterLock&) = delete;
    MeterLock& operator=(const MeterLock&) = delete;

    bool Held() const { return fd_ >= 0; }
    const std::string& Port() const { return port_; }
    void Release();

private:
    friend struct MeterLockTaker;
    int fd_ = -1;
    std::string port_;
};

enum class MeterLockOutcome {
    Taken,         // `lock` holds it
    HeldByOther,   // another holder (another process, or another MeterLock of this one) has it
    Failed,        // the lock could not be tried: `error` says why
};

struct MeterLockAttempt {
    MeterLockOutcome outcome = MeterLockOutcome::Failed;
    MeterLock lock;                          // Taken
    std::optional<MeterLockHolder> holder;   // HeldByOther: who the file names
    std::string error;                       // Failed: what, with the path
};

// Takes the lock of the meter at USB port `port` without waiting, writing
// this process's id and `program` (one line) into the file. `port` must be
// a port path (IsUsbPortPath), so it names a file in `folder` and nothing
// else. A holder that could not write its name still holds the lock.
MeterLockAttempt TryTakeMeterLock(std::string_view port, std::string_view program,
                                  const std::filesystem::path& folder = DefaultMeterLockFolder);

// Who holds the meter's lock now, without taking it; none when nobody does
// (or the port is no port path). A holder whose file is still empty (the
// instant between its lock and its write) has pid 0 and no program. Asking
// holds a shared lock for an instant: a TryTakeMeterLock in that instant is
// refused once, like any take while the lock is busy.
std::optional<MeterLockHolder> MeterLockHolderOf(std::string_view port,
                                                 const std::filesystem::path& folder = DefaultMeterLockFolder);

// `folder`/`port`.lock
std::filesystem::path MeterLockFile(std::string_view port, const std::filesystem::path& folder);

}  // namespace device
