// SPDX-License-Identifier: GPL-3.0-or-later
#include "card_image.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>


#include <stdexcept>

namespace cardtest {

ToolResult RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MTOOLS_SKIP_CHECK", "1");
    env.insert("LC_ALL", "C");
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ToolResult result;
    if (!process.waitForStarted(10000) || !process.waitForFinished(60000)) {
        result.output = program + " did not run";
        return result;
    }
    result.output = QString::fromLocal8Bit(process.readAll());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

namespace {

void Require(const ToolResult& result, const QString& what) {
    if (result.exitCode != 0)
        throw std::runtime_error((what + " failed: " + result.output).toStdString());
}

}  // namespace

CardImage::CardImage(const ImageOptions& options) {
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder");
    path_ = dir_.filePath("card.img");
    QStringList args{"-F", "32", "-S", "512", "-s", QString::number(options.sectorsPerCluster), "-f",
                     QString::number(options.fats)};
    if (!options.label.isEmpty()) args << "-n" << options.label;
    args << options.extraMkfsArguments;
    if (options.partitioned) {
        volumeOffset_ = 512ull * PartitionSectorStart;
        // A sparse disk: partition table first, the volume from sector 2048,
        // with the hidden-sectors field naming its start as on a real card.
        QFile disk(path_);
        if (!disk.open(QIODevice::WriteOnly) || !disk.resize(qint64(volumeOffset_) + 1024ll * options.kib))
            throw std::runtime_error("cannot create the disk image");
        QByteArray mbr(512, '\0');
        const std::uint32_t sectors = std::uint32_t(options.kib) * 2;
        mbr[0x1BE] = 0x00;
        mbr[0x1C2] = 0x0C;  // FAT32 with LBA
        for (int i = 0; i < 4; ++i) {
            mbr[0x1C6 + i] = char(PartitionSectorStart >> (8 * i));
            mbr[0x1CA + i] = char(sectors >> (8 * i));
        }
        mbr[0x1FE] = char(0x55);
        mbr[0x1FF] = char(0xAA);
        disk.write(mbr);
        disk.close();
        args << "--offset" << QString::number(PartitionSectorStart) << "-h" << QString::number(PartitionSectorStart)
             << path_ << QString::number(options.kib);
    } else {
        args << "-C" << path_ << QString::number(options.kib);
    }
    Require(RunTool("mkfs.fat", args), "mkfs.fat");
}

QString CardImage::Target() const {
    return volumeOffset_ ? path_ + "@@" + QString::number(volumeOffset_) : path_;
}

QString CardImage::HostFile(const QByteArray& content) {
    const QString host = dir_.filePath(QString("host%1.bin").arg(hostFiles_++));
    QFile file(host);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        throw std::runtime_error("cannot write a host file");
    return host;
}

void CardImage::PutFile(const QString& cardName, const QByteArray& content) {
    Require(RunTool("mcopy", {"-i", Target(), HostFile(content), "::" + cardName}), "mcopy " + cardName);
}

void CardImage::PutFiles(const QList<QPair<QString, QByteArray>>& files) {
    const QString folder = dir_.filePath(QString("batch%1").arg(hostFiles_++));
    QDir().mkpath(folder);
    QStringList args{"-i", Target()};
    for (const auto& [name, content] : files) {
        QFile file(folder + "/" + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            throw std::runtime_error("cannot write a host file");
        args << file.fileName();
    }
    args << "::";
    Require(RunTool("mcopy", args), "mcopy batch");
}

void CardImage::MakeDirectory(const QString& cardName) {
    Require(RunTool("mmd", {"-i", Target(), "::" + cardName}), "mmd " + cardName);
}

void CardImage::DeleteFile(const QString& cardName) {
    Require(RunTool("mdel", {"-i", Target(), "::" + cardName}), "mdel " + cardName);
}

QByteArray CardImage::ReadOut(const QString& cardName) {
    const QString host = dir_.filePath(QString("out%1.bin").arg(hostFiles_++));
    Require(RunTool("mcopy", {"-n", "-i", Target(), "::" + cardName, host}), "mcopy out " + cardName);
    QFile file(host);
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read a copy");
    return file.readAll();
}

QString CardImage::Listing() {
    const ToolResult result = RunTool("mdir", {"-a", "-i", Target(), "::"});
    // An empty directory makes mdir answer "File not found" with exit code 1.
    return result.output;
}

QStringList CardImage::ShortNames() {
    QStringList names;
    bool inEntries = false;
    for (const QString& line : Listing().split('\n')) {
        if (line.startsWith("Directory for")) {
            inEntries = true;
            continue;
        }
        if (!inEntries || line.size() < 12 || line.startsWith(' ')) continue;
        // "BASE     EXT ..." : 8 base characters, a blank, 3 extension characters.
        names << (line.left(8) + line.mid(9, 3)).toUpper();
    }
    return names;
}

std::vector<std::uint32_t> CardImage::Clusters(const QString& cardName) {
    const ToolResult result = RunTool("mshowfat", {"-i", Target(), "::" + cardName});
    Require(result, "mshowfat " + cardName);
    std::vector<std::uint32_t> clusters;
    static const QRegularExpression range("<(\\d+)(?:-(\\d+))?>");
    for (auto it = range.globalMatch(result.output); it.hasNext();) {
        const auto m = it.next();
        const std::uint32_t from = m.captured(1).toUInt();
        const std::uint32_t to = m.captured(2).isEmpty() ? from : m.captured(2).toUInt();
        for (std::uint32_t c = from; c <= to; ++c) clusters.push_back(c);
    }
    return clusters;
}

void CardImage::MoveRootDirectory(std::uint32_t cluster) {
    const QByteArray boot = ReadBytes(volumeOffset_, 512);
    const std::uint32_t sectorsPerCluster = std::uint8_t(boot[0x0D]);
    const std::uint32_t reserved = std::uint8_t(boot[0x0E]) | (std::uint8_t(boot[0x0F]) << 8);
    const std::uint32_t fats = std::uint8_t(boot[0x10]);
    const std::uint32_t fatSectors = ReadU32(volumeOffset_ + 0x24);
    const std::uint32_t backupBoot = std::uint8_t(boot[0x32]) | (std::uint8_t(boot[0x33]) << 8);
    const std::uint32_t oldRoot = ReadU32(volumeOffset_ + 0x2C);
    if (ReadU32(FatEntryOffset(oldRoot)) < 0x0FFFFFF8 || ReadU32(FatEntryOffset(cluster)) != 0)
        throw std::runtime_error("the root directory can't be moved there");
    const auto clusterOffset = [&](std::uint32_t c) {
        return VolumeSectorOffset(reserved + fats * fatSectors + (c - 2) * sectorsPerCluster);
    };
    const int clusterBytes = int(512 * sectorsPerCluster);
    WriteBytes(clusterOffset(cluster), ReadBytes(clusterOffset(oldRoot), clusterBytes));
    WriteBytes(clusterOffset(oldRoot), QByteArray(clusterBytes, '\0'));
    for (int fat = 0; fat < int(fats); ++fat) {
        WriteU32(FatEntryOffset(cluster, fat), 0x0FFFFFFF);
        WriteU32(FatEntryOffset(oldRoot, fat), 0);
    }
    WriteU32(volumeOffset_ + 0x2C, cluster);
    if (backupBoot) WriteU32(VolumeSectorOffset(backupBoot) + 0x2C, cluster);
    // The next free hint: unknown, so that a search starts at cluster 2.
    WriteU32(VolumeSectorOffset(1) + 0x1EC, 0xFFFFFFFF);
}

bool CardImage::FsckClean(QString* report) {
    QString checked = path_;
    if (volumeOffset_) {
        // fsck.fat takes no offset: check a copy of the volume alone.
        checked = dir_.filePath("volume.img");
        QFile in(path_), out(checked);
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) return false;
        in.seek(qint64(volumeOffset_));
        while (!in.atEnd()) out.write(in.read(1 << 20));
    }
    const ToolResult result = RunTool("fsck.fat", {"-n", checked});
    if (report) *report = result.output;
    return result.exitCode == 0;
}

QByteArray CardImage::ReadBytes(std::uint64_t offset, int count) const {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(qint64(offset))) throw std::runtime_error("cannot read image");
    return file.read(count);
}

void CardImage::WriteBytes(std::uint64_t offset, const QByteArray& bytes) {
    QFile file(path_);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(qint64(offset)) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot patch image");
}

std::uint32_t CardImage::ReadU32(std::uint64_t offset) const {
    const QByteArray b = ReadBytes(offset, 4);
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | std::uint8_t(b[i]);
    return v;
}

void CardImage::WriteU32(std::uint64_t offset, std::uint32_t value) {
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i) b[i] = char(value >> (8 * i));
    WriteBytes(offset, b);
}

std::uint64_t CardImage::FatEntryOffset(std::uint32_t cluster, int fat) const {
    const QByteArray boot = ReadBytes(volumeOffset_, 512);
    const std::uint32_t reserved = std::uint8_t(boot[0x0E]) | (std::uint8_t(boot[0x0F]) << 8);
    const std::uint32_t fatSectors = ReadU32(volumeOffset_ + 0x24);
    return VolumeSectorOffset(reserved + std::uint32_t(fat) * fatSectors) + 4ull * cluster;
}

QByteArray CardImage::Fat(int fat) const {
    const std::uint32_t fatSectors = ReadU32(volumeOffset_ + 0x24);
    return ReadBytes(FatEntryOffset(0, fat), int(fatSectors * 512));
}

QByteArray Pattern(int length, int seed) {
    QByteArray bytes(length, '\0');
    std::uint32_t x = 2463534242u + std::uint32_t(seed) * 7919u;
    for (int i = 0; i < length; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = char(x);
    }
    return bytes;
}

}  // namespace cardtest
