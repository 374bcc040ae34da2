// SPDX-License-Identifier: GPL-3.0-or-later
// A card that a meter, a camera or a broken PC may have written. The bytes
// are the first sectors of a card image; the rest of the card reads as zeros
// (the scratch copy is extended, sparse, to PaddedCardBytes), so a small
// input can describe a whole volume: boot sector, FSInfo, FAT and root
// directory all sit near the start of a small card. The card is mounted,
// listed, every listed file copied into memory, the first one deleted and the
// card listed again.
#include "platform/testing/seam_doubles.h"
#include "sdcard/card_view.h"
#include "sdcard/fat32.h"
#include "sdcard/sector_device.h"
#include "tests/fuzz/fuzz_support.h"

#include <QBuffer>
#include <QFile>
#include <memory>

namespace {

constexpr qint64 PaddedCardBytes = 4 * 1024 * 1024;

void CopyEveryListedFile(Fat32::Volume& volume) {
    const int count = volume.EntryCount;
    // The copies rescan the directory, which resets the listing: work on a copy of it.
    const auto entries = std::make_unique<std::array<Fat32::DirectoryEntry, Fat32::EntryTableSize>>(volume.EntryTable);
    for (int i = 0; i < count; ++i) {
        CardView::EntryNames names = CardView::NamesOf((*entries)[i]);
        QBuffer destination;
        destination.open(QIODevice::WriteOnly);
        volume.Destination = &destination;
        volume.WritePosition = 0;
        const int result = volume.CopyCardFile(names.key);
        volume.Destination = nullptr;
        if (result == Fat32::CopyNoDestination) fuzz::Fail("a copy into memory failed to write");
        if (std::uint64_t(destination.size()) != volume.WritePosition) fuzz::Fail("copy size and write position differ");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::testing::SeamDoubles seams;
    const QString path = fuzz::ScratchFolder() + QStringLiteral("/card.img");
    fuzz::WriteBytes(path, data, size);
    if (qint64(size) < PaddedCardBytes && !QFile::resize(path, PaddedCardBytes)) fuzz::Fail("can't extend the card image");

    Fat32::ImageSectorDevice device;
    if (!device.Open(path.toStdString())) fuzz::Fail("can't open the card image");
    Fat32::Volume volume(device);
    if (volume.MountVolume() == 0) {
        volume.ScanRootDirectory(Fat32::ScanList, nullptr);
        if (volume.EntryCount < 0 || volume.EntryCount > Fat32::EntryTableSize) fuzz::Fail("listing out of bounds");
        if (volume.EntryCount > 0) {
            const Fat32::DirectoryEntry first = volume.EntryTable[0];
            CopyEveryListedFile(volume);
            volume.DeleteCardFile(first.data());
            volume.ScanRootDirectory(Fat32::ScanList, nullptr);
            if (volume.EntryCount < 0 || volume.EntryCount > Fat32::EntryTableSize) fuzz::Fail("listing out of bounds");
        }
    } else if (volume.Mounted) {
        fuzz::Fail("a failed mount left the volume mounted");
    }
    device.Close();
    QFile::remove(path);
    return 0;
}
