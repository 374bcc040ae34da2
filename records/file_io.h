// SPDX-License-Identifier: GPL-3.0-or-later
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

// A new file made beside its target under a temporary name, to be filled
// through Path() and then moved over the target by Commit(). Until then the
// target stays as it was; a file that is not committed is removed, so a
// save that fails half-way leaves neither a damaged target nor a stray file.
class FileBeside {
public:
    // Creates the empty temporary file in the target's folder; Ok() is false
    // when that is not possible (no such folder, no permission).
    explicit FileBeside(const QString& target);
    ~FileBeside();
    FileBeside(const FileBeside&) = delete;
    FileBeside& operator=(const FileBeside&) = delete;

    bool Ok() const { return !path_.isEmpty(); }
    const QString& Path() const { return path_; }
    // Puts the file's bytes on disk and renames it over the target in one
    // step. False (and the temporary file removed) when that fails.
    bool Commit();

private:
    QString target_;
    QString path_;
    bool committed_ = false;
};

// Copies `source` to `target`, replacing an existing target. False when
// the source can't be read (or is not named) or the target can't be
// written; an older target then stays as it was, but the copy has failed.
bool CopyFileReplacing(const QString& source, const QString& target);

}  // namespace records
