// SPDX-License-Identifier: GPL-3.0-or-later
// The lock per meter across processes: a holder in a forked child keeps it
// from the parent, the parent learns who holds it, and once the child is
// killed with SIGKILL the lock is the parent's to take. Also the lock's
// files and folder, and the names it refuses.
#include "device/meter_lock.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using device::MeterLockOutcome;

std::string FileText(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A child process that runs `work`, reports one line through a pipe, and
// then stays until it is killed (or, with `stay` false, ends at once).
class Child {
public:
    template <class Work>
    explicit Child(Work work, bool stay = true) {
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const std::string line = work() + "\n";
            [[maybe_unused]] ssize_t n = ::write(fds[1], line.data(), line.size());
            if (stay)
                for (;;) ::pause();
            ::_exit(0);
        }
        ::close(fds[1]);
        char c;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') report_ += c;
        ::close(fds[0]);
    }
    ~Child() { Kill(); }
    pid_t Pid() const { return pid_; }
    const std::string& Report() const { return report_; }
    void Kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    std::string report_;
};

const char* OutcomeName(MeterLockOutcome outcome) {
    switch (outcome) {
    case MeterLockOutcome::Taken: return "taken";
    case MeterLockOutcome::HeldByOther: return "held";
    case MeterLockOutcome::Failed: return "failed";
    }
    return "?";
}

// What a child saw: the outcome of its take, or who holds the lock.
std::string TakeReport(const device::MeterLockAttempt& a) {
    std::string text = OutcomeName(a.outcome);
    if (a.holder) text += " by " + std::to_string(a.holder->pid) + " " + a.holder->program;
    return text;
}

TEST(MeterLock, AHolderKilledHandsTheLockOnToTheNext) {
    TempFolder locks;
    Child station([&] {
        static device::MeterLockAttempt kept;  // held until the child dies
        kept = device::TryTakeMeterLock("1-1.2", "quorvane-station", locks.Path());
        return TakeReport(kept);
    });
    ASSERT_EQ(station.Report(), "taken");

    device::MeterLockAttempt refused = device::TryTakeMeterLock("1-1.2", "quorvane", locks.Path());
    ASSERT_EQ(refused.outcome, MeterLockOutcome::HeldByOther) << refused.error;
    EXPECT_FALSE(refused.lock.Held());
    ASSERT_TRUE(refused.holder);
    EXPECT_EQ(refused.holder->pid, station.Pid());
    EXPECT_EQ(refused.holder->program, "quorvane-station");
    auto asked = device::MeterLockHolderOf("1-1.2", locks.Path());
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->pid, station.Pid());
    // The question took nothing: the station still holds it.
    EXPECT_EQ(device::TryTakeMeterLock("1-1.2", "quorvane", locks.Path()).outcome, MeterLockOutcome::HeldByOther);

    station.Kill();  // SIGKILL: no destructor, no clean-up of any kind
    EXPECT_EQ(device::MeterLockHolderOf("1-1.2", locks.Path()), std::nullopt);
    device::MeterLockAttempt taken = device::TryTakeMeterLock("1-1.2", "quorvane", locks.Path());
    ASSERT_EQ(taken.outcome, MeterLockOutcome::Taken) << taken.error;
    EXPECT_TRUE(taken.lock.Held());
    EXPECT_EQ(taken.lock.Port(), "1-1.2");
    EXPECT_EQ(FileText(device::MeterLockFile("1-1.2", locks.Path())), std::to_string(::getpid()) + " quorvane\n");

    // Now another process sees the new holder and is refused.
    Child other([&] { return TakeReport(device::TryTakeMeterLock("1-1.2", "quorvane-station", locks.Path())); },
                false);
    EXPECT_EQ(other.Report(), "held by " + std::to_string(::getpid()) + " quorvane");
}

TEST(MeterLock, AHolderThatEndsNormallyLetsGoToo) {
    TempFolder locks;
    {
        Child quick([&] {
            static device::MeterLockAttempt kept;
            kept = device::TryTakeMeterLock("2-1", "quorvane", locks.Path());
            return TakeReport(kept);
        }, false);
        EXPECT_EQ(quick.Report(), "taken");
    }  // reaped
    EXPECT_EQ(device::TryTakeMeterLock("2-1", "quorvane-station", locks.Path()).outcome, MeterLockOutcome::Taken);
}

TEST(MeterLock, TwoHoldersInOneProcessExcludeEachOther) {
    TempFolder locks;
    device::MeterLockAttempt first = device::TryTakeMeterLock("1-1.2", "quorvane", locks.Path());
    ASSERT_EQ(first.outcome, MeterLockOutcome::Taken) << first.error;
    device::MeterLock moved = std::move(first.lock);
    EXPECT_TRUE(moved.Held());
    EXPECT_FALSE(first.lock.Held());

    device::MeterLockAttempt second = device::TryTakeMeterLock("1-1.2", "quorvane-station", locks.Path());
    EXPECT_EQ(second.outcome, MeterLockOutcome::HeldByOther);
    ASSERT_TRUE(second.holder);
    EXPECT_EQ(second.holder->pid, ::getpid());
    EXPECT_EQ(second.holder->program, "quorvane");
    // Another meter has a lock of its own.
    EXPECT_EQ(device::TryTakeMeterLock("1-1.3", "quorvane-station", locks.Path()).outcome, MeterLockOutcome::Taken);

    moved.Release();
    EXPECT_FALSE(moved.Held());
    device::MeterLockAttempt third = device::TryTakeMeterLock("1-1.2", "quorvane-station", locks.Path());
    EXPECT_EQ(third.outcome, MeterLockOutcome::Taken);
    EXPECT_EQ(FileText(device::MeterLockFile("1-1.2", locks.Path())),
              std::to_string(::getpid()) + " quorvane-station\n");
}

TEST(MeterLock, AProgramStartedByTheHolderDoesNotKeepTheLock) {
    // The station runs alarm programs; one still running must not hold the
    // meter after the station has let go of it.
    TempFolder locks;
    device::MeterLockAttempt held = device::TryTakeMeterLock("1-1.2", "quorvane-station", locks.Path());
    ASSERT_EQ(held.outcome, MeterLockOutcome::Taken);
    // A close-on-exec pipe reads its end once the child has exec'd (before
    // that, the forked child still shares every descriptor, as it should).
    int execed[2];
    ASSERT_EQ(::pipe2(execed, O_CLOEXEC), 0);
    const pid_t program = ::fork();
    if (program == 0) {
        ::execl("/bin/sleep", "sleep", "60", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(execed[1]);
    char c;
    EXPECT_EQ(::read(execed[0], &c, 1), 0);
    ::close(execed[0]);
    held.lock.Release();
    EXPECT_EQ(device::TryTakeMeterLock("1-1.2", "quorvane", locks.Path()).outcome, MeterLockOutcome::Taken);
    ::kill(program, SIGKILL);
    ::waitpid(program, nullptr, 0);
}

TEST(MeterLock, MissingFolderIsMadeOpenToAllUsers) {
    TempFolder parent;
    const fs::path folder = parent.Path() / "quorvane";
    const mode_t oldMask = ::umask(022);  // a usual umask would close the folder and file to others
    device::MeterLockAttempt a = device::TryTakeMeterLock("1-1.2", "quorvane", folder);
    ::umask(oldMask);
    ASSERT_EQ(a.outcome, MeterLockOutcome::Taken) << a.error;
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 01777u);
    ASSERT_EQ(::stat(device::MeterLockFile("1-1.2", folder).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0666u);

    const device::MeterLockAttempt noParent =
        device::TryTakeMeterLock("1-1.2", "quorvane", parent.Path() / "missing/quorvane");
    EXPECT_EQ(noParent.outcome, MeterLockOutcome::Failed);
    EXPECT_NE(noParent.error.find("missing/quorvane"), std::string::npos) << noParent.error;
}

TEST(MeterLock, NamesThatAreNoPortPathAreRefusedAndMakeNoFile) {
    TempFolder locks;
    for (const char* port : {"", "../escape", "1-1/../../x", "usb1", "1-1.2:1.0", "1-1.2\nx"}) {
        const device::MeterLockAttempt a = device::TryTakeMeterLock(port, "quorvane", locks.Path() / "locks");
        EXPECT_EQ(a.outcome, MeterLockOutcome::Failed) << port;
        EXPECT_NE(a.error.find("no USB port path"), std::string::npos) << a.error;
        EXPECT_EQ(device::MeterLockHolderOf(port, locks.Path() / "locks"), std::nullopt);
    }
    EXPECT_FALSE(fs::exists(locks.Path() / "locks"));
    EXPECT_FALSE(fs::exists(locks.Path().parent_path() / "escape.lock"));
}

TEST(MeterLock, WhatIsNoPlainFileIsNotUsed) {
    TempFolder locks;
    const fs::path victim = locks.Path() / "victim";
    std::ofstream(victim) << "keep me\n";
    fs::create_symlink(victim, device::MeterLockFile("1-1.2", locks.Path()));
    fs::create_directory(device::MeterLockFile("1-1.3", locks.Path()));
    for (const char* port : {"1-1.2", "1-1.3"}) {
        const device::MeterLockAttempt a = device::TryTakeMeterLock(port, "quorvane", locks.Path());
        EXPECT_EQ(a.outcome, MeterLockOutcome::Failed) << port;
        EXPECT_NE(a.error.find(port), std::string::npos) << a.error;
    }
    EXPECT_EQ(FileText(victim), "keep me\n");
}

TEST(MeterLock, AFileWithoutAReadableHolderStillTellsItIsHeld) {
    TempFolder locks;
    Child holder([&] {
        static device::MeterLockAttempt kept;
        kept = device::TryTakeMeterLock("1-1.2", "quorvane", locks.Path());
        // As if the holder had been stopped between its lock and its line.
        [[maybe_unused]] int r = ::truncate(device::MeterLockFile("1-1.2", locks.Path()).c_str(), 0);
        return TakeReport(kept);
    });
    ASSERT_EQ(holder.Report(), "taken");
    auto asked = device::MeterLockHolderOf("1-1.2", locks.Path());
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->pid, 0);
    EXPECT_EQ(asked->program, "");
    // Free again: the stale line of a dead holder is not believed.
    holder.Kill();
    std::ofstream(device::MeterLockFile("1-1.2", locks.Path())) << "4711 quorvane-station\n";
    EXPECT_EQ(device::MeterLockHolderOf("1-1.2", locks.Path()), std::nullopt);
}

}  // namespace
