// SPDX-License-Identifier: GPL-3.0-or-later
// The SD card in the meter: an image file opened read-write, so that an
// image made by mkfs.fat is the card. Writes go straight to the file.
// A sector beyond the end of the image reads as zeros (a card bigger than
// its image); writing one fails with a stall, so nothing is lost unseen.
#include "sim_state.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace metersim {

bool OpenCardImage(State& s, const std::string& path, std::string& error) {
    CloseCardImage(s);
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = "card_image: cannot open " + path + " read-write: " + std::strerror(errno);
        return false;
    }
    s.cardFd = fd;
    s.cardImagePath = path;
    return true;
}

void CloseCardImage(State& s) {
    if (s.cardFd >= 0) ::close(s.cardFd);
    s.cardFd = -1;
    s.cardImagePath.clear();
}

bool ReadCardSector(State& s, std::uint32_t sector, unsigned char* out) {
    if (s.cardFd < 0) return false;
    std::memset(out, 0, 512);
    const off_t at = off_t(sector) * 512;
    std::size_t done = 0;
    while (done < 512) {
        const ssize_t n = ::pread(s.cardFd, out + done, 512 - done, at + off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;   // end of the image: the rest stays zero
        done += std::size_t(n);
    }
    return true;
}

int WriteCardSector(State& s, std::uint32_t sector, const unsigned char* in) {
    if (s.cardFd < 0) return ResultStall;
    struct stat st {};
    if (::fstat(s.cardFd, &st) != 0) return ResultStall;
    const off_t at = off_t(sector) * 512;
    if (at + 512 > st.st_size) return ResultStall;
    std::size_t done = 0;
    while (done < 512) {
        const ssize_t n = ::pwrite(s.cardFd, in + done, 512 - done, at + off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return ResultStall;
        done += std::size_t(n);
    }
    return 0;
}

}  // namespace metersim
