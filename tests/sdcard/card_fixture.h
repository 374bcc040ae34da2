// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A FAT32 volume under test on a card image, with every sector it reads or
// writes recorded and the message boxes captured.
#include "card_image.h"

#include "platform/testing/seam_doubles.h"
#include "sdcard/fat32.h"
#include "sdcard/sector_device.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace cardtest {

// Passes sectors through to the image and notes each one.
class RecordingDevice final : public Fat32::SectorDevice {
public:
    explicit RecordingDevice(Fat32::SectorDevice& inner) : inner_(inner) {}
    int Read(std::uint32_t sector, std::uint8_t* buffer512) override {
        reads.push_back(sector);
        return inner_.Read(sector, buffer512);
    }
    int Write(std::uint32_t sector, const std::uint8_t* buffer512) override {
        writes.push_back(sector);
        return inner_.Write(sector, buffer512);
    }
    void Forget() {
        reads.clear();
        writes.clear();
    }
    std::vector<std::uint32_t> reads, writes;

private:
    Fat32::SectorDevice& inner_;
};

// Opens the image for a volume; the image's own tools may be run between
// operations (the device reads the file afresh every time).
class CardUnderTest {
public:
    explicit CardUnderTest(const CardImage& image) {
        if (!imageDevice.Open(image.Path().toStdString())) throw std::runtime_error("cannot open image");
    }
    platform::testing::SeamDoubles seams;
    Fat32::ImageSectorDevice imageDevice;
    RecordingDevice device{imageDevice};
    Fat32::Volume volume{device};

    QStringList Messages() const { return seams.messages.Texts(); }
    // The listed entries' 11-byte names.
    QStringList ListedNames() const {
        QStringList names;
        for (int i = 0; i < volume.EntryCount; ++i)
            names << QString::fromLatin1(reinterpret_cast<const char*>(volume.EntryTable[i].data()), 11);
        return names;
    }
    bool ReadsOnlyWithin(std::uint64_t sectorCount) const {
        for (std::uint32_t s : device.reads)
            if (s >= sectorCount) return false;
        for (std::uint32_t s : device.writes)
            if (s >= sectorCount) return false;
        return true;
    }
};

// The 11-byte directory form of "NAME.EXT".
inline QString DirectoryForm(const QString& name) {
    const int dot = name.indexOf('.');
    const QString base = dot < 0 ? name : name.left(dot);
    const QString ext = dot < 0 ? QString() : name.mid(dot + 1);
    return (base.leftJustified(8, ' ') + ext.leftJustified(3, ' ')).toUpper();
}

}  // namespace cardtest
