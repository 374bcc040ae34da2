#pragma once
// Whole-file reads and replacing writes for the open and save commands,
// each with a result that says whether it worked (the commands tell the
// user when a file could not be read, copied or written).
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace records {

// The whole content of a file; nothing when it can't be opened or read
// (missing, a folder, no permission). An empty file gives an empty array.
std::optional<QByteArray> ReadWholeFile(const QString& path);

// The whole words of a record file's content, least significant byte
// first; 1 to 3 trailing bytes are ignored.
std::vector<std::uint32_t> RecordWordsFromBytes(const QByteArray& bytes);

// Writes `bytes` as the new content of `path`, replacing an existing file.
// The bytes go to a temporary file beside it first, which then takes the
// place of the old one, so a failed write leaves the old file whole.
bool WriteFileReplacing(const QString& path, const QByteArray& bytes);

// Copies `source` to `target`, replacing an existing target. False when
// the source can't be read (or is not named) or the target can't be
// written; an older target then stays as it was, but the copy has failed.
bool CopyFileReplacing(const QString& source, const QString& target);

}  // namespace records
