// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdcard/fat32.h"

#include "platform/messages.h"
#include "sdcard/sector_transfer.h"

#include <QIODevice>
#include <QString>

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace Fat32 {
namespace {

// Boot sector fields.
constexpr int BootJumpOffset = 0x00;
constexpr int BytesPerSectorOffset = 0x0B;
constexpr int SectorsPerClusterOffset = 0x0D;
constexpr int ReservedSectorsOffset = 0x0E;
constexpr int NumberOfFatsOffset = 0x10;
constexpr int TotalSectorsOffset = 0x20;
constexpr int SectorsPerFatOffset = 0x24;
constexpr int RootClusterOffset = 0x2C;

// Partition table (card sector 0).
constexpr int FirstPartitionStartOffset = 0x1C6;
constexpr int SignatureOffset = 0x1FE;

// FSInfo.
constexpr int FsInfoLeadOffset = 0x000;
constexpr int FsInfoStructOffset = 0x1E4;
constexpr int FsInfoFreeCountOffset = 0x1E8;
constexpr int FsInfoNextFreeOffset = 0x1EC;
constexpr int FsInfoTrailOffset = 0x1FC;
constexpr std::uint32_t FsInfoLeadSignature = 0x41615252;
constexpr std::uint32_t FsInfoStructSignature = 0x61417272;
constexpr std::uint32_t FsInfoTrailSignature = 0xAA550000;

// Directory entries.
constexpr std::uint8_t EndOfDirectory = 0x00;
constexpr std::uint8_t DeletedEntry = 0xE5;
constexpr std::uint8_t LongNameAttributes = 0x0F;
constexpr int AttributesOffset = 11;
constexpr int LongNameChecksumOffset = 13;
constexpr int FirstClusterHighOffset = 20;
constexpr int FirstClusterLowOffset = 26;
constexpr int FileSizeOffset = 28;
constexpr int ShortNameLength = 11;
constexpr std::size_t MaxLongNameSlots = 20;  // 255 characters, 13 per entry

constexpr int FatReadAttempts = 10;
constexpr std::uint32_t FatEntriesPerSector = SectorSize / 4;

bool IsBootSector(const std::uint8_t* sector) {
    return sector[BootJumpOffset] == 0xE9 || sector[BootJumpOffset] == 0xEB;
}

void StoreLittleEndian32(std::uint8_t* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[i] = std::uint8_t(value >> (8 * i));
}

std::uint32_t FirstClusterOf(const std::uint8_t* entry) {
    return LittleEndianValue(entry + FirstClusterHighOffset, 2) * 65536u +
           LittleEndianValue(entry + FirstClusterLowOffset, 2);
}

}  // namespace

bool NormalizeShortName(ShortNameKey& name) {
    std::size_t dot = name.size();
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '.') {
            dot = i;
            break;
        }
    }
    if (dot > 8) {
        platform::ShowPlainMessage(QString::fromLatin1(InvalidNameMessage));
        return true;
    }
    std::uint8_t result[ShortNameLength];
    std::memset(result, ' ', sizeof result);
    std::memcpy(result, name.data(), dot);
    for (std::size_t k = 0, from = dot + 1; k < 3 && from < name.size() && name[from] != 0; ++k, ++from)
        result[8 + k] = name[from];
    for (std::uint8_t& c : result)
        if (c >= 'a' && c <= 'z') c = std::uint8_t(c - 0x20);
    std::memcpy(name.data(), result, sizeof result);
    return false;
}

ShortNameKey MakeShortNameKey(std::string_view text) {
    ShortNameKey key{};
    std::memcpy(key.data(), text.data(), std::min(text.size(), key.size()));
    return key;
}

std::uint8_t ShortNameChecksum(const std::uint8_t* name11) {
    std::uint8_t sum = 0;
    for (int i = 0; i < ShortNameLength; ++i) sum = std::uint8_t(((sum & 1) << 7) + (sum >> 1) + name11[i]);
    return sum;
}

bool Volume::ReadIntoBuffer(std::uint32_t sector) {
    if (device_.Read(sector, SectorBuffer.data()) == 0) return true;
    cardFailed_ = true;
    return false;
}

bool Volume::WriteFromBuffer(std::uint32_t sector) {
    if (device_.Write(sector, SectorBuffer.data()) == 0) return true;
    // A write whose last step failed may still have reached the card. When
    // the sector can be read back and holds what was meant, it was written.
    std::array<std::uint8_t, 512> readBack;
    if (device_.Read(sector, readBack.data()) == 0 && readBack == SectorBuffer) return true;
    cardFailed_ = true;
    return false;
}

void Volume::ShowMessage(const char* text) const {
    platform::ShowPlainMessage(QString::fromLatin1(text), MessageOwner);
}

void Volume::ShowNameMessage(const char* text, const std::uint8_t* name11) const {
    platform::ShowPlainMessage(QString::fromLatin1(text).arg(DisplayName(name11)), MessageOwner);
}

QString Volume::DisplayName(const std::uint8_t* name11) {
    const QString base = QString::fromLatin1(reinterpret_cast<const char*>(name11), 8).trimmed();
    const QString extension = QString::fromLatin1(reinterpret_cast<const char*>(name11) + 8, 3).trimmed();
    return extension.isEmpty() ? base : base + QLatin1Char('.') + extension;
}

int Volume::MountVolume() {
    Mounted = false;
    PartitionStart = 0;
    if (!ReadIntoBuffer(0)) return 1;
    // Byte 0 first: a boot sector may carry a partition table of its own.
    if (!IsBootSector(SectorBuffer.data())) {
        if (SectorBuffer[SignatureOffset] != 0x55 && SectorBuffer[SignatureOffset + 1] != 0xAA) return 1;
        PartitionStart = LittleEndianValue(&SectorBuffer[FirstPartitionStartOffset], 4);
        if (!ReadIntoBuffer(PartitionStart) || !IsBootSector(SectorBuffer.data())) return 1;
    }

    const std::uint8_t* boot = SectorBuffer.data();
    const std::uint32_t bytesPerSector = LittleEndianValue(boot + BytesPerSectorOffset, 2);
    const std::uint32_t sectorsPerCluster = boot[SectorsPerClusterOffset];
    const std::uint32_t reservedSectors = LittleEndianValue(boot + ReservedSectorsOffset, 2);
    const std::uint32_t numberOfFats = boot[NumberOfFatsOffset];
    const std::uint32_t totalSectors = LittleEndianValue(boot + TotalSectorsOffset, 4);
    const std::uint32_t sectorsPerFat = LittleEndianValue(boot + SectorsPerFatOffset, 4);
    const std::uint32_t rootCluster = LittleEndianValue(boot + RootClusterOffset, 4);

    // The card's word is not taken on trust: sectors are moved 512 bytes at
    // a time, a cluster has a power-of-two number of sectors, FSInfo sits in
    // the reserved area, and every sector of the volume and every cluster's
    // FAT entry must be addressable.
    if (bytesPerSector != std::uint32_t(SectorSize)) return 1;
    if (sectorsPerCluster == 0 || (sectorsPerCluster & (sectorsPerCluster - 1)) != 0) return 1;
    if (reservedSectors < 2 || numberOfFats < 1 || numberOfFats > 4 || sectorsPerFat == 0) return 1;
    const std::uint64_t systemSectors = std::uint64_t(reservedSectors) + std::uint64_t(numberOfFats) * sectorsPerFat;
    if (totalSectors <= systemSectors) return 1;
    if (std::uint64_t(PartitionStart) + totalSectors > 0x100000000ull) return 1;
    const std::uint64_t dataSectors = totalSectors - systemSectors;
    const std::uint64_t clusterCount = dataSectors / sectorsPerCluster;
    if (clusterCount == 0 || clusterCount > LastLinkValue - 1) return 1;
    if (std::uint64_t(sectorsPerFat) * FatEntriesPerSector < clusterCount + 2) return 1;
    if (rootCluster < 2 || rootCluster - 2 >= clusterCount) return 1;

    BytesPerSector = bytesPerSector;
    SectorsPerCluster = sectorsPerCluster;
    ReservedSectors = reservedSectors;
    NumberOfFats = numberOfFats;
    SectorsPerFat = sectorsPerFat;
    RootCluster = rootCluster;
    // The data area follows the FATs of the volume found at PartitionStart;
    // the boot sector's hidden-sectors field is not relied on, since
    // formatters leave it 0 on partitioned cards too.
    FirstDataSector = std::uint32_t(PartitionStart + systemSectors);
    ClusterCount = std::uint32_t(clusterCount);
    CapacityBytes = dataSectors * bytesPerSector;
    Mounted = true;

    const std::uint32_t freeClusters = AccessFsInfo(FsInfoFreeCount, false);
    FsInfoValid = freeClusters <= ClusterCount;
    FreeBytes = FsInfoValid ? std::uint64_t(freeClusters) * SectorsPerCluster * BytesPerSector : 0;
    return 0;
}

std::uint32_t Volume::AccessFsInfo(int which, bool write, std::uint32_t value) {
    const std::uint32_t sector = PartitionStart + 1;
    if (!ReadIntoBuffer(sector) || !HasFsInfoSignatures()) return FsInfoNotUsable;
    const int offset = which == FsInfoFreeCount ? FsInfoFreeCountOffset : FsInfoNextFreeOffset;
    if (!write) return LittleEndianValue(&SectorBuffer[offset], 4);
    StoreLittleEndian32(&SectorBuffer[offset], value);
    WriteFromBuffer(sector);
    return FsInfoNotUsable;
}

bool Volume::HasFsInfoSignatures() const {
    const std::uint8_t* info = SectorBuffer.data();
    return LittleEndianValue(info + FsInfoLeadOffset, 4) == FsInfoLeadSignature &&
           LittleEndianValue(info + FsInfoStructOffset, 4) == FsInfoStructSignature &&
           LittleEndianValue(info + FsInfoTrailOffset, 4) == FsInfoTrailSignature;
}

std::uint32_t Volume::AccessFatEntry(std::uint32_t cluster, bool write, std::uint32_t value) {
    if (!Mounted || !IsDataCluster(cluster)) return 0;
    std::uint32_t entry = 0;
    if (!ReadFatEntry(cluster, entry)) return 0;
    if (!write) return entry;
    StoreFatEntryInBuffer(cluster, value);
    return 0;
}

bool Volume::ReadFatEntry(std::uint32_t cluster, std::uint32_t& value) {
    const std::uint32_t offset = cluster * 4;
    const std::uint32_t sector = PartitionStart + ReservedSectors + offset / BytesPerSector;
    for (int attempt = 0; attempt < FatReadAttempts; ++attempt) {
        if (device_.Read(sector, SectorBuffer.data()) == 0) {
            value = LittleEndianValue(&SectorBuffer[offset % BytesPerSector], 4) & FatEntryMask;
            return true;
        }
    }
    cardFailed_ = true;
    return false;
}

bool Volume::StoreFatEntryInBuffer(std::uint32_t cluster, std::uint32_t value) {
    const std::uint32_t offset = cluster * 4;
    const std::uint32_t sector = PartitionStart + ReservedSectors + offset / BytesPerSector;
    StoreLittleEndian32(&SectorBuffer[offset % BytesPerSector], value);
    // Every copy gets the same sector, first to last. A failure stops
    // there: the later copies still hold the old entry, which a checker
    // reading the first copy sets right.
    for (std::uint32_t copy = 0; copy < NumberOfFats; ++copy)
        if (!WriteFromBuffer(sector + copy * SectorsPerFat)) return false;
    return true;
}

std::uint32_t Volume::ClusterToSector(std::uint32_t cluster) const {
    return (cluster - 2) * SectorsPerCluster + FirstDataSector;
}

const std::uint8_t* Volume::ScanRootDirectory(int mode, const std::uint8_t* name) {
    EntryCount = 0;
    cardFailed_ = false;
    deleted_ = false;
    if (mode == ScanList) ListingTruncated = false;
    if (!Mounted) return nullptr;

    // What a scan that could not read the card tells the user.
    const auto readFailed = [&] {
        if (mode == ScanList) ShowMessage(ListReadFailedMessage);
        if (mode == ScanDelete) ShowNameMessage(DeleteReadFailedMessage, name);
        return nullptr;
    };

    // The live long-name entries right before the current entry; they
    // belong to the short entry that follows them.
    std::vector<LongNameSlot> longName;
    std::unordered_set<std::uint32_t> visited{RootCluster};
    std::uint32_t cluster = RootCluster;
    for (;;) {
        for (std::uint32_t s = 0; s < SectorsPerCluster; ++s) {
            const std::uint32_t sector = ClusterToSector(cluster) + s;
            if (!ReadIntoBuffer(sector)) return readFailed();
            for (std::uint32_t offset = 0; offset < BytesPerSector; offset += DirectoryEntrySize) {
                const std::uint8_t* entry = &SectorBuffer[offset];
                if (entry[0] == EndOfDirectory) {
                    if (mode != ScanList) ShowMessage(FileMissingMessage);
                    return nullptr;
                }
                if (entry[0] == DeletedEntry) {
                    longName.clear();
                    continue;
                }
                if (entry[AttributesOffset] == LongNameAttributes) {
                    if (longName.size() == MaxLongNameSlots) longName.erase(longName.begin());
                    longName.push_back({sector, offset, entry[LongNameChecksumOffset]});
                    continue;
                }
                if (mode == ScanList) {
                    if (EntryCount == EntryTableSize) {
                        ListingTruncated = true;
                        return nullptr;
                    }
                    std::memcpy(EntryTable[EntryCount].data(), entry, DirectoryEntrySize);
                    ++EntryCount;
                } else if (std::memcmp(entry, name, ShortNameLength) == 0) {
                    if (mode == ScanFind) return entry;
                    deleted_ = DeleteEntry(sector, offset, longName, cluster, visited);
                    return nullptr;
                }
                longName.clear();
            }
        }
        std::uint32_t next = 0;
        if (!ReadFatEntry(cluster, next)) return readFailed();
        if (next > LastLinkValue) {
            // A directory without a free entry at its end: the name is not there.
            if (mode != ScanList) ShowMessage(FileMissingMessage);
            return nullptr;
        }
        if (!IsDataCluster(next) || !visited.insert(next).second) {
            ShowMessage(ChainErrorMessage);
            return nullptr;
        }
        cluster = next;
    }
}

bool Volume::DeleteCardFile(const std::uint8_t* name) {
    ScanRootDirectory(ScanDelete, name);
    return deleted_;
}

// The order of the writes keeps the card consistent wherever the link
// breaks off:
//  1. the long-name entries in sectors before the short entry's sector:
//     cut here, the file is whole and still listed, with at most a long
//     name fragment that a checker only reports;
//  2. the short entry's sector (with the long-name entries it holds): the
//     one write that deletes the file. Cut before it, nothing is deleted;
//  3. the chain, cluster by cluster, each in every FAT copy: cut here, the
//     rest of the chain is lost clusters, never a live entry pointing at a
//     free cluster (at worst the copies differ in this chain's entry);
//  4. FSInfo, raised by the clusters actually freed: cut before it, the
//     free count is low by at most those clusters.
bool Volume::DeleteEntry(std::uint32_t sector, std::uint32_t offset, const std::vector<LongNameSlot>& longName,
                         std::uint32_t cluster, std::unordered_set<std::uint32_t> rootClusters) {
    std::array<std::uint8_t, 512> directorySector = SectorBuffer;
    std::uint8_t* entry = &directorySector[offset];
    std::uint8_t name[ShortNameLength];
    std::memcpy(name, entry, ShortNameLength);
    const std::uint32_t firstCluster = FirstClusterOf(entry);
    const std::uint8_t checksum = ShortNameChecksum(entry);

    // The rest of the root directory's chain, so that a chain crossed into
    // it is never freed.
    for (std::uint32_t c = cluster;;) {
        std::uint32_t next = 0;
        if (!ReadFatEntry(c, next)) {
            ShowNameMessage(DeleteReadFailedMessage, name);
            return false;
        }
        if (!IsDataCluster(next) || !rootClusters.insert(next).second) break;
        c = next;
    }

    // Only the run of long-name entries that carry this name's checksum
    // belongs to it; they go with it, so no orphaned long name is left.
    std::size_t ownFrom = longName.size();
    while (ownFrom > 0 && longName[ownFrom - 1].checksum == checksum) --ownFrom;
    for (std::size_t i = ownFrom; i < longName.size();) {
        const std::uint32_t otherSector = longName[i].sector;
        if (otherSector == sector) {
            directorySector[longName[i].offset] = DeletedEntry;
            ++i;
            continue;
        }
        if (!ReadIntoBuffer(otherSector)) {
            ShowNameMessage(DeleteReadFailedMessage, name);
            return false;
        }
        for (; i < longName.size() && longName[i].sector == otherSector; ++i)
            SectorBuffer[longName[i].offset] = DeletedEntry;
        if (!WriteFromBuffer(otherSector)) {
            ShowNameMessage(DeleteWriteFailedMessage, name);
            return false;
        }
    }
    entry[0] = DeletedEntry;
    SectorBuffer = directorySector;
    if (!WriteFromBuffer(sector)) {
        ShowNameMessage(DeleteWriteFailedMessage, name);
        return false;
    }

    const std::uint32_t freed = FreeChain(firstCluster, rootClusters);
    if (!cardFailed_ && freed > 0) RaiseFreeCount(freed, firstCluster);
    if (cardFailed_) ShowNameMessage(DeleteSpaceNotFreedMessage, name);
    return true;
}

std::uint32_t Volume::FreeChain(std::uint32_t firstCluster, const std::unordered_set<std::uint32_t>& rootClusters) {
    std::uint32_t freed = 0;
    if (firstCluster == 0) return freed;  // an empty file or a label owns no cluster
    std::uint32_t current = firstCluster;
    for (;;) {
        // Never a cluster of the root directory, whatever the chain says.
        if (!IsDataCluster(current) || rootClusters.count(current)) {
            ShowMessage(ChainErrorMessage);
            return freed;
        }
        std::uint32_t next = 0;
        if (!ReadFatEntry(current, next)) return freed;
        // A free entry inside the chain; also where a looping chain comes
        // back to a cluster freed a moment ago, so every walk ends.
        if (next == 0) {
            ShowMessage(ChainErrorMessage);
            return freed;
        }
        // The buffer still holds the entry's FAT sector: one read and one
        // write per copy for each cluster.
        if (!StoreFatEntryInBuffer(current, 0)) return freed;
        ++freed;
        if (next > LastLinkValue) return freed;
        current = next;
    }
}

void Volume::RaiseFreeCount(std::uint32_t freed, std::uint32_t firstFreed) {
    if (!Mounted) return;
    const std::uint32_t sector = PartitionStart + 1;
    if (!ReadIntoBuffer(sector) || !HasFsInfoSignatures()) return;
    bool changed = false;
    const std::uint32_t freeClusters = LittleEndianValue(&SectorBuffer[FsInfoFreeCountOffset], 4);
    // A count that was not usable at mount, or is not now, stays unknown.
    if (FsInfoValid && freeClusters <= ClusterCount) {
        StoreLittleEndian32(&SectorBuffer[FsInfoFreeCountOffset], std::min(freeClusters + freed, ClusterCount));
        changed = true;
    }
    const std::uint32_t hint = LittleEndianValue(&SectorBuffer[FsInfoNextFreeOffset], 4);
    if (IsDataCluster(firstFreed) && firstFreed < hint) {
        StoreLittleEndian32(&SectorBuffer[FsInfoNextFreeOffset], firstFreed);
        changed = true;
    }
    if (changed) WriteFromBuffer(sector);
}

int Volume::CopyCardFile(ShortNameKey& name) {
    CopiedBytes = 0;
    if (NormalizeShortName(name)) return CopyInvalidName;
    if (!Destination || !Destination->isWritable()) return CopyNoDestination;
    const std::uint8_t* entry = ScanRootDirectory(ScanFind, name.data());
    if (!entry) return cardFailed_ ? CopyIncomplete : CopyMissing;
    std::uint32_t cluster = FirstClusterOf(entry);
    const std::uint32_t size = LittleEndianValue(entry + FileSizeOffset, 4);
    if (size == 0) return CopyDone;

    // Only sectors that were read whole reach the destination, in order,
    // so it always holds a verified beginning of the file.
    std::unordered_set<std::uint32_t> visited{cluster};
    for (;;) {
        if (!IsDataCluster(cluster)) {
            ShowMessage(ChainErrorMessage);
            return CopyIncomplete;
        }
        for (std::uint32_t s = 0; s < SectorsPerCluster; ++s) {
            if (!ReadIntoBuffer(ClusterToSector(cluster) + s)) return CopyIncomplete;
            const std::uint32_t count = std::min<std::uint32_t>(SectorSize, size - CopiedBytes);
            if (!Destination->seek(qint64(WritePosition)) ||
                Destination->write(reinterpret_cast<const char*>(SectorBuffer.data()), count) != qint64(count))
                return CopyNoDestination;
            WritePosition += count;
            CopiedBytes += count;
            if (CopiedBytes == size) return CopyDone;
        }
        std::uint32_t next = 0;
        if (!ReadFatEntry(cluster, next)) return CopyIncomplete;
        // Free, reserved, beyond the volume, already visited, or the end
        // before the file's size: the chain can't be followed further.
        if (next > LastLinkValue || !IsDataCluster(next) || !visited.insert(next).second) {
            ShowMessage(ChainErrorMessage);
            return CopyIncomplete;
        }
        cluster = next;
    }
}

}  // namespace Fat32
