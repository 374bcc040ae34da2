// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/meter_lock.h"

#include "device/usb_port.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace device {

namespace fs = std::filesystem;

namespace {

constexpr mode_t kFolderMode = 01777;
constexpr mode_t kFileMode = 0666;
constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;

std::string ErrorText(const std::string& what, const fs::path& path, int error) {
    return what + " " + path.string() + ": " + std::strerror(error);
}

// The folder, made world-writable and sticky when it is missing (the
// package's tmpfiles rule makes it at boot; a build from source has none).
bool EnsureFolder(const fs::path& folder, std::string& error) {
    if (::mkdir(folder.c_str(), kFolderMode) == 0) {
        // mkdir's mode passes through the umask; the folder must be open to all.
        if (::chmod(folder.c_str(), kFolderMode) != 0) {
            error = ErrorText("cannot open up the lock folder", folder, errno);
            return false;
        }
        return true;
    }
    if (errno == EEXIST) return true;
    error = ErrorText("cannot make the lock folder", folder, errno);
    return false;
}

// Opens the lock file for reading and writing, making it when missing. An
// existing file is opened without O_CREAT (see the header); a file made
// here is opened up to everybody.
int OpenLockFile(const fs::path& file, std::string& error) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        int fd = ::open(file.c_str(), O_RDWR | kFlags);
        if (fd >= 0) return fd;
        if (errno != ENOENT) {
            error = ErrorText("cannot open the lock file", file, errno);
            return -1;
        }
        fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | kFlags, kFileMode);
        if (fd >= 0) {
            if (::fchmod(fd, kFileMode) != 0) {
                error = ErrorText("cannot open up the lock file", file, errno);
                ::close(fd);
                return -1;
            }
            return fd;
        }
        if (errno != EEXIST) {
            error = ErrorText("cannot make the lock file", file, errno);
            return -1;
        }
        // Made by another taker in between: open that one.
    }
    error = "cannot open the lock file " + file.string() + ": it keeps appearing and disappearing";
    return -1;
}

bool IsRegularFile(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// "4711 quorvane-station\n" -> {4711, "quorvane-station"}.
MeterLockHolder ReadHolder(int fd) {
    char text[512];
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    MeterLockHolder holder;
    if (n <= 0) return holder;
    std::string line(text, std::size_t(n));
    line = line.substr(0, line.find('\n'));
    std::size_t i = 0;
    long pid = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9' && pid < 100000000) pid = pid * 10 + (line[i++] - '0');
    if (i == 0 || i >= line.size() || line[i] != ' ') return holder;
    holder.pid = pid;
    holder.program = line.substr(i + 1);
    return holder;
}

void WriteHolder(int fd, std::string_view program) {
    std::string line = std::to_string(long(::getpid())) + ' ';
    for (char c : program) line += (c == '\n' || c == '\r') ? ' ' : c;
    line += '\n';
    // Emptied first, so a reader in between sees no holder rather than the
    // last one's; a failed write leaves it empty, and the lock still held.
    if (::ftruncate(fd, 0) != 0) return;
    [[maybe_unused]] const ssize_t written = ::pwrite(fd, line.data(), line.size(), 0);
}

}  // namespace

struct MeterLockTaker {
    static MeterLock Make(int fd, std::string port) {
        MeterLock lock;
        lock.fd_ = fd;
        lock.port_ = std::move(port);
        return lock;
    }
};

MeterLock::~MeterLock() { Release(); }

MeterLock::MeterLock(MeterLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), port_(std::move(other.port_)) {}

MeterLock& MeterLock::operator=(MeterLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = std::exchange(other.fd_, -1);
        port_ = std::move(other.port_);
    }
    return *this;
}

void MeterLock::Release() {
    if (fd_ < 0) return;
    // The holder's line stays: the next holder replaces it, and a reader
    // only believes it while the lock is held.
    ::close(fd_);
    fd_ = -1;
}

fs::path MeterLockFile(std::string_view port, const fs::path& folder) {
    return folder / (std::string(port) + ".lock");
}

MeterLockAttempt TryTakeMeterLock(std::string_view port, std::string_view program, const fs::path& folder) {
    MeterLockAttempt attempt;
    if (!IsUsbPortPath(port)) {
        attempt.error = "no USB port path: \"" + std::string(port) + "\"";
        return attempt;
    }
    if (!EnsureFolder(folder, attempt.error)) return attempt;
    const fs::path file = MeterLockFile(port, folder);
    const int fd = OpenLockFile(file, attempt.error);
    if (fd < 0) return attempt;
    if (!IsRegularFile(fd)) {
        attempt.error = "the lock file " + file.string() + " is not a plain file";
        ::close(fd);
        return attempt;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            attempt.outcome = MeterLockOutcome::HeldByOther;
            attempt.holder = ReadHolder(fd);
        } else {
            attempt.error = ErrorText("cannot lock", file, error);
        }
        ::close(fd);
        return attempt;
    }
    WriteHolder(fd, program);
    attempt.outcome = MeterLockOutcome::Taken;
    attempt.lock = MeterLockTaker::Make(fd, std::string(port));
    return attempt;
}

std::optional<MeterLockHolder> MeterLockHolderOf(std::string_view port, const fs::path& folder) {
    if (!IsUsbPortPath(port)) return std::nullopt;
    // Read-only is enough to lock, so anybody may ask.
    const int fd = ::open(MeterLockFile(port, folder).c_str(), O_RDONLY | kFlags);
    if (fd < 0) return std::nullopt;
    std::optional<MeterLockHolder> holder;
    if (!IsRegularFile(fd)) {
        ::close(fd);
        return holder;
    }
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) holder = ReadHolder(fd);
    }
    ::close(fd);  // also lets go of the shared lock, when it was free
    return holder;
}

}  // namespace device
