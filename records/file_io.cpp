#include "records/file_io.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    QSaveFile file(path);
    // Where the folder does not let a temporary file be made beside the
    // target, the target itself is rewritten.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool CopyFileReplacing(const QString& source, const QString& target) {
    const std::optional<QByteArray> bytes = ReadWholeFile(source);
    if (!bytes) return false;
    return WriteFileReplacing(target, *bytes);
}

}  // namespace records
