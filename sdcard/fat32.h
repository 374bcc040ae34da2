// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small FAT32 reader and writer for the meter's SD card, working sector by
// sector through a SectorDevice: mounts the volume, reports its capacity and
// free space, lists the root directory, finds a file by its 11-byte short
// name, copies a file's bytes to a local file and deletes a file.
//
// Only the root directory is read; there are no long names, no descent into
// subdirectories, no creating of files and no writing of file data. Every
// sector read or written passes through the one SectorBuffer, so an entry
// returned by a find is good only until the next sector operation.
//
// Everything read from the card is treated as untrusted: implausible
// geometry fails the mount, and cluster chains are followed only through
// clusters that exist on the volume and only once each.
#include "sdcard/sector_device.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <unordered_set>
#include <vector>

class QIODevice;
class QObject;
class QString;

namespace Fat32 {

constexpr int DirectoryEntrySize = 32;
constexpr int EntryTableSize = 500;             // rows a listing keeps
constexpr std::uint32_t FatEntryMask = 0x0FFFFFFF;
constexpr std::uint32_t LastLinkValue = 0x0FFFFFF6;  // FAT values above it end a chain
constexpr std::uint32_t FsInfoNotUsable = 0xFFFFFFFF;

// A raw 32-byte root directory entry.
using DirectoryEntry = std::array<std::uint8_t, DirectoryEntrySize>;

// A file's key as the dialog builds it: 8 base bytes, '.', 3 extension
// bytes, no terminator. CopyCardFile rewrites its first 11 bytes in place
// into the directory form.
using ShortNameKey = std::array<std::uint8_t, 12>;

enum ScanMode : int {
    ScanList = 0,    // list the root directory into EntryTable
    ScanFind = 1,    // find the entry with the given 11-byte name
    ScanDelete = 2,  // delete the file with the given 11-byte name
};

enum FsInfoField : int {
    FsInfoFreeCount = 1,  // free cluster count
    FsInfoNextFree = 2,   // next free cluster hint
};

enum CopyResult : int {
    CopyDone = 0,          // Destination holds the whole file
    CopyInvalidName = 2,   // nothing read
    CopyNoDestination = 3, // Destination missing, not writable, or a write to it failed
    CopyIncomplete = 4,    // a sector could not be read or the chain broke: Destination holds only
                           // the CopiedBytes read whole, the file's beginning
    CopyMissing = 5,       // no such file (after "File does not exist!"); nothing copied
};

// The messages of this layer (plain boxes with an OK button).
inline constexpr const char* FileMissingMessage = "File does not exist!";
inline constexpr const char* ChainErrorMessage = "Error in getting cluster";
inline constexpr const char* InvalidNameMessage = "Invalid fileName..";
// When the card fails during an operation; %1 is the file's name.
inline constexpr const char* ListReadFailedMessage = "The card could not be read: the file list may be incomplete.";
inline constexpr const char* DeleteReadFailedMessage = "The card could not be read: %1 was not deleted.";
inline constexpr const char* DeleteWriteFailedMessage = "The card could not be written: %1 was not deleted.";
inline constexpr const char* DeleteSpaceNotFreedMessage =
    "%1 was deleted, but the card failed before all of its space was freed.";

// Rewrites a text "base.ext" (the first 12 bytes of name) in place into the
// 11-byte directory form: base blank-padded to 8, extension to 3, a-z made
// capitals. Returns false on success; true, after showing "Invalid
// fileName..", when there is no '.' in the first 12 bytes or the base is
// longer than 8.
bool NormalizeShortName(ShortNameKey& name);

// A key from a text: its first 12 bytes, 0 bytes after a shorter text.
ShortNameKey MakeShortNameKey(std::string_view text);

// The checksum of an 11-byte short name that its long-name entries carry.
std::uint8_t ShortNameChecksum(const std::uint8_t* name11);

// One mounted volume with its sector buffer and the last listing. The
// owner keeps it for as long as the card is worked on (the dialog mounts
// afresh each time it opens).
class Volume {
public:
    explicit Volume(SectorDevice& device) : device_(device) {}
    Volume(const Volume&) = delete;
    Volume& operator=(const Volume&) = delete;

    // --- State of the mounted volume (zero until a mount succeeds) ---
    std::uint32_t PartitionStart = 0;     // card sector of the boot sector
    std::uint32_t BytesPerSector = 0;     // always 512 once mounted
    std::uint32_t SectorsPerCluster = 0;
    std::uint32_t ReservedSectors = 0;
    std::uint32_t NumberOfFats = 0;       // FAT copies; every FAT write goes to all of them
    std::uint32_t SectorsPerFat = 0;
    std::uint32_t RootCluster = 0;
    std::uint32_t FirstDataSector = 0;    // card sector of cluster 2
    std::uint32_t ClusterCount = 0;       // data clusters: numbers 2 .. ClusterCount + 1
    std::uint64_t CapacityBytes = 0;      // size of the data area (64-bit: cards beyond 4 GiB)
    bool FsInfoValid = false;             // FSInfo free count present and plausible at mount
    std::uint64_t FreeBytes = 0;          // free bytes per FSInfo at mount; 0 when not usable
    bool Mounted = false;                 // the last MountVolume succeeded

    // The last listing: raw root directory entries in directory order.
    std::array<DirectoryEntry, EntryTableSize> EntryTable{};
    int EntryCount = 0;                   // every scan sets it back to 0 first
    bool ListingTruncated = false;        // the last listing stopped at EntryTableSize rows

    // Where CopyCardFile writes: opened for writing by the caller, with
    // WritePosition set to 0 before the call; closed by the caller after.
    QIODevice* Destination = nullptr;
    std::uint64_t WritePosition = 0;
    // Bytes of the file the last CopyCardFile wrote to Destination.
    std::uint32_t CopiedBytes = 0;

    // The window that owns this layer's message boxes (may be none).
    QObject* MessageOwner = nullptr;

    // Every sector any operation reads or writes passes through here.
    std::array<std::uint8_t, 512> SectorBuffer{};

    // --- Operations ---

    // Finds the boot sector at card sector 0 or, when sector 0 is a
    // partition table, at the first partition's start, and fills the state.
    // Returns 0, or 1 when no boot sector was found or its geometry is not
    // a usable FAT32 volume of 512-byte sectors (the geometry then stays as
    // it was, but Mounted is false and no operation touches the card).
    int MountVolume();

    // Reads (returns the field) or writes (returns 0xFFFFFFFF) the FSInfo
    // free count (which = 1) or next free hint (which = 2) at card sector
    // PartitionStart + 1. 0xFFFFFFFF, without writing, when its signatures
    // don't match or the sector could not be read.
    std::uint32_t AccessFsInfo(int which, bool write, std::uint32_t value = 0);

    // Reads (returns the entry without its upper four bits) or writes
    // (returns 0) the FAT entry of a cluster. A FAT sector is read up to 10
    // times while the device reports failure; when no read succeeded,
    // reading gives 0 and nothing is written. A write goes to the same
    // sector of every FAT copy, first to last. Clusters that are not data
    // clusters of the volume (below 2, beyond the last) are never touched:
    // reading gives 0, writing does nothing.
    std::uint32_t AccessFatEntry(std::uint32_t cluster, bool write, std::uint32_t value = 0);

    // Card sector of the first sector of a data cluster.
    std::uint32_t ClusterToSector(std::uint32_t cluster) const;

    // Walks the root directory: mode 0 lists it into EntryTable (entries
    // that are neither free, deleted nor long-name entries, up to
    // EntryTableSize of them); mode 1 returns the entry whose first 11 bytes
    // equal name (a view into SectorBuffer) or nullptr; mode 2 deletes that
    // file. Shows "File does not exist!" when a find or delete reaches the
    // directory's end, and "Error in getting cluster" when the directory's
    // chain is broken. A sector that could not be read ends the walk (a
    // listing then keeps the rows read so far, with ListReadFailedMessage).
    const std::uint8_t* ScanRootDirectory(int mode, const std::uint8_t* name);

    // Deletes the root directory file with the 11-byte name (mode 2): marks
    // its entry and its long-name entries deleted, frees its chain in every
    // FAT copy (never a cluster of the root directory's own chain), then
    // raises the FSInfo free count by the clusters freed (only when FSInfo
    // was usable at mount) and lowers the next free hint. Writes back only
    // sectors read whole in the same operation, in an order that leaves a
    // consistent card wherever the link fails (see fat32.cpp). Returns true
    // when the entry is gone from the card; a failure shows what was not
    // done.
    bool DeleteCardFile(const std::uint8_t* name);

    // Copies the named root directory file into Destination from
    // WritePosition on; with CopyDone Destination then holds exactly the
    // file's size. Only sectors read whole are written to it (CopiedBytes
    // says how many of the file's bytes). Rewrites name in place
    // (NormalizeShortName). See CopyResult.
    int CopyCardFile(ShortNameKey& name);

private:
    struct LongNameSlot {
        std::uint32_t sector;
        std::uint32_t offset;
        std::uint8_t checksum;
    };

    bool IsDataCluster(std::uint32_t cluster) const { return cluster >= 2 && cluster - 2 < ClusterCount; }
    // Sector moves of an operation; a failure is noted in cardFailed_.
    bool ReadIntoBuffer(std::uint32_t sector);
    bool WriteFromBuffer(std::uint32_t sector);
    bool ReadFatEntry(std::uint32_t cluster, std::uint32_t& value);
    bool HasFsInfoSignatures() const;  // of the sector in SectorBuffer
    void ShowMessage(const char* text) const;
    void ShowNameMessage(const char* text, const std::uint8_t* name11) const;
    static QString DisplayName(const std::uint8_t* name11);
    // Returns whether the entry is gone from the card.
    bool DeleteEntry(std::uint32_t sector, std::uint32_t offset, const std::vector<LongNameSlot>& longName,
                     std::uint32_t cluster, std::unordered_set<std::uint32_t> rootClusters);
    // Returns the clusters freed in every FAT copy.
    std::uint32_t FreeChain(std::uint32_t firstCluster, const std::unordered_set<std::uint32_t>& rootClusters);
    void RaiseFreeCount(std::uint32_t freed, std::uint32_t firstFreed);
    // Stores a FAT entry into SectorBuffer, which must hold its FAT sector,
    // and writes that sector to every FAT copy; false when a write failed.
    bool StoreFatEntryInBuffer(std::uint32_t cluster, std::uint32_t value);

    bool cardFailed_ = false;  // a sector move of the current operation failed
    bool deleted_ = false;     // the last delete removed its entry
    SectorDevice& device_;
};

}  // namespace Fat32
