// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdcard/sector_device.h"
#include "sdcard/sector_transfer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Fat32 {

ImageSectorDevice::~ImageSectorDevice() { Close(); }

bool ImageSectorDevice::Open(const std::string& path, bool readOnly) {
    Close();
    const int fd = ::open(path.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    readOnly_ = readOnly;
    sectorCount_ = std::uint64_t(info.st_size) / SectorSize;
    return true;
}

void ImageSectorDevice::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    sectorCount_ = 0;
}

int ImageSectorDevice::Read(std::uint32_t sector, std::uint8_t* buffer512) {
    if (fd_ < 0 || sector >= sectorCount_) return 1;
    // Read whole or not at all, like a sector that did not arrive.
    std::uint8_t sectorBytes[SectorSize];
    std::size_t done = 0;
    const off_t start = off_t(sector) * SectorSize;
    while (done < sizeof sectorBytes) {
        const ssize_t n = ::pread(fd_, sectorBytes + done, sizeof sectorBytes - done, start + off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 1;
        done += std::size_t(n);
    }
    std::memcpy(buffer512, sectorBytes, sizeof sectorBytes);
    return 0;
}

int ImageSectorDevice::Write(std::uint32_t sector, const std::uint8_t* buffer512) {
    if (fd_ < 0 || readOnly_ || sector >= sectorCount_) return 1;
    std::size_t done = 0;
    const off_t start = off_t(sector) * SectorSize;
    while (done < std::size_t(SectorSize)) {
        const ssize_t n = ::pwrite(fd_, buffer512 + done, SectorSize - done, start + off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 1;
        done += std::size_t(n);
    }
    return 0;
}

}  // namespace Fat32
