// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the FAT32 layer gets its sectors from. The program uses the meter's
// card over USB; tests and fuzzing use an image file, without the waits.
#include <cstdint>
#include <string>

namespace Fat32 {

class SectorDevice {
public:
    virtual ~SectorDevice() = default;
    // Read or write one whole 512-byte sector, absolute on the card.
    // Return 0 on success; anything else means the buffer (or the card)
    // may not hold the sector's bytes.
    virtual int Read(std::uint32_t sector, std::uint8_t* buffer512) = 0;
    virtual int Write(std::uint32_t sector, const std::uint8_t* buffer512) = 0;
};

// The meter's card, one ReadSector/WriteSector sequence per sector
// (sector_transfer.h). Defined in sector_device_usb.cpp, so users of the
// image device alone don't pull in the device link.
class UsbSectorDevice final : public SectorDevice {
public:
    int Read(std::uint32_t sector, std::uint8_t* buffer512) override;
    int Write(std::uint32_t sector, const std::uint8_t* buffer512) override;
};

// A card image in a file: sector n is bytes 512 n .. 512 n + 511. Sectors
// beyond the end of the file are neither read (the buffer stays as it was)
// nor written, and report 1; the file never grows.
class ImageSectorDevice final : public SectorDevice {
public:
    ImageSectorDevice() = default;
    ~ImageSectorDevice() override;
    ImageSectorDevice(const ImageSectorDevice&) = delete;
    ImageSectorDevice& operator=(const ImageSectorDevice&) = delete;

    // Opens the image for reading and writing (or only reading). False
    // when the file can't be opened.
    bool Open(const std::string& path, bool readOnly = false);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    std::uint64_t SectorCount() const { return sectorCount_; }

    int Read(std::uint32_t sector, std::uint8_t* buffer512) override;
    int Write(std::uint32_t sector, const std::uint8_t* buffer512) override;

private:
    int fd_ = -1;
    bool readOnly_ = false;
    std::uint64_t sectorCount_ = 0;
};

}  // namespace Fat32
