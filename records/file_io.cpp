// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/file_io.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace records {

std::optional<QByteArray> ReadWholeFile(const QString& path) {
    if (path.isEmpty() || QFileInfo(path).isDir()) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return bytes;
}

std::vector<std::uint32_t> RecordWordsFromBytes(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const std::size_t count = std::size_t(bytes.size()) / 4;
    std::vector<std::uint32_t> words(count);
    for (std::size_t i = 0; i < count; ++i, p += 4)
        words[i] = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                   std::uint32_t(p[3]) << 24;
    return words;
}

bool WriteFileReplacing(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty() || QFileInfo(path).isDir()) return false;
    // Never written in place: where no temporary file can be made beside
    // the target, the save fails and the older file stays whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

FileBeside::FileBeside(const QString& target) : target_(target) {
    if (target.isEmpty() || QFileInfo(target).isDir()) return;
    const QFileInfo info(target);
    QTemporaryFile file(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    file.setAutoRemove(false);
    if (!file.open()) return;
    path_ = file.fileName();
    file.close();
    // The new file gets the rights the target has, or those a new file of
    // this process would get, not the temporary file's owner-only rights.
    if (info.exists()) {
        QFile::setPermissions(path_, QFile::permissions(target));
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(QFile::encodeName(path_).constData(), 0666 & ~mask);
    }
}

FileBeside::~FileBeside() {
    if (!committed_ && !path_.isEmpty()) QFile::remove(path_);
}

bool FileBeside::Commit() {
    if (path_.isEmpty() || committed_) return false;
    const QByteArray from = QFile::encodeName(path_);
    const int fd = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    // rename(2) replaces an existing target in one step.
    if (!synced || std::rename(from.constData(), QFile::encodeName(target_).constData()) != 0) return false;
    committed_ = true;
    return true;
}

bool CopyFileReplacing(const QString& source, const QString& target) {
    const std::optional<QByteArray> bytes = ReadWholeFile(source);
    if (!bytes) return false;
    return WriteFileReplacing(target, *bytes);
}

}  // namespace records
