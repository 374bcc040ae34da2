// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A service manager's notification socket of the test's own: a datagram
// socket bound to a path, which NOTIFY_SOCKET can name, and what arrives on it.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class NotifySocket {
public:
    explicit NotifySocket(const std::string& path) : path_(path) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (fd_ < 0 || path.size() >= sizeof address.sun_path) throw std::runtime_error("notify socket");
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        ::unlink(path.c_str());
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            throw std::runtime_error("bind " + path);
    }
    ~NotifySocket() {
        ::close(fd_);
        ::unlink(path_.c_str());
    }
    NotifySocket(const NotifySocket&) = delete;
    NotifySocket& operator=(const NotifySocket&) = delete;

    const std::string& Path() const { return path_; }

    // The next message, waiting up to `ms`; none when nothing came.
    std::optional<std::string> Receive(int ms) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, ms) <= 0) return std::nullopt;
        char buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n < 0) return std::nullopt;
        received.emplace_back(buffer, std::size_t(n));
        return received.back();
    }
    // Everything that has come without waiting.
    void Drain() {
        while (Receive(0)) {
        }
    }
    bool Got(const std::string& message) const {
        for (const std::string& m : received)
            if (m == message) return true;
        return false;
    }

    std::vector<std::string> received;

private:
    std::string path_;
    int fd_ = -1;
};
