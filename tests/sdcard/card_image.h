// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Real FAT32 card images for the tests, made and inspected with the
// dosfstools and mtools programs: mkfs.fat formats, mcopy/mmd/mdel fill,
// mdir/mcopy/fsck.fat check what the layer under test did.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

namespace cardtest {

struct ToolResult {
    int exitCode = -1;
    QString output;  // standard output and error together
};

// Runs a tool with mtools' image check off and the C locale.
ToolResult RunTool(const QString& program, const QStringList& arguments);

struct ImageOptions {
    int kib = 36000;            // volume size; FAT32 with 512-byte clusters needs about 33 MiB
    int sectorsPerCluster = 1;
    int fats = 2;
    QString label;              // empty: no label
    bool partitioned = false;   // a partition table in sector 0, the volume at PartitionSectorStart
    QStringList extraMkfsArguments;
};

constexpr std::uint32_t PartitionSectorStart = 2048;

// One card image in its own temporary folder.
class CardImage {
public:
    explicit CardImage(const ImageOptions& options = {});

    const QString& Path() const { return path_; }
    QString Folder() const { return dir_.path(); }
    std::uint64_t VolumeOffset() const { return volumeOffset_; }  // bytes before the boot sector

    // mtools on the volume (with the partition's offset).
    void PutFile(const QString& cardName, const QByteArray& content);
    // Many files in one mcopy call, in the given order.
    void PutFiles(const QList<QPair<QString, QByteArray>>& files);
    void MakeDirectory(const QString& cardName);
    void DeleteFile(const QString& cardName);
    QByteArray ReadOut(const QString& cardName);   // the file's bytes as mcopy reads them
    QString Listing();                             // mdir -a
    // The root directory's short names as mdir shows them, in directory
    // order, as 11-byte directory forms (base blank-padded to 8, extension to 3).
    QStringList ShortNames();
    // The clusters of a file as mshowfat lists them.
    std::vector<std::uint32_t> Clusters(const QString& cardName);

    // Moves the root directory of a fresh volume (one data cluster, before
    // any file is put on it) to `cluster`: its bytes, its FAT entry in
    // every copy, and the root cluster field of the boot sector and its
    // backup. Cluster 2 is free afterwards, so files can land there.
    void MoveRootDirectory(std::uint32_t cluster);

    // fsck.fat -n on the volume; true when it reports nothing wrong.
    bool FsckClean(QString* report = nullptr);

    // Raw access, offsets in bytes from the image's start.
    QByteArray ReadBytes(std::uint64_t offset, int count) const;
    void WriteBytes(std::uint64_t offset, const QByteArray& bytes);
    std::uint32_t ReadU32(std::uint64_t offset) const;
    void WriteU32(std::uint64_t offset, std::uint32_t value);
    // Volume-relative helpers from the boot sector.
    std::uint64_t VolumeSectorOffset(std::uint32_t volumeSector) const { return volumeOffset_ + 512ull * volumeSector; }
    std::uint64_t FatEntryOffset(std::uint32_t cluster, int fat = 0) const;
    std::uint32_t FsInfoFreeCount() const { return ReadU32(VolumeSectorOffset(1) + 0x1E8); }
    std::uint32_t FsInfoNextFree() const { return ReadU32(VolumeSectorOffset(1) + 0x1EC); }
    QByteArray Fat(int fat) const;  // a whole FAT copy

private:
    QString Target() const;  // the image as mtools names it
    QString HostFile(const QByteArray& content);

    QTemporaryDir dir_;
    QString path_;
    std::uint64_t volumeOffset_ = 0;
    int hostFiles_ = 0;
};

// Deterministic bytes of a given length, different for every seed.
QByteArray Pattern(int length, int seed);

}  // namespace cardtest
