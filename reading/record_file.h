// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The record file: a headerless sequence of 32-bit reading words, least
// significant byte first, word i at byte offset 4 * i. Its 8.3 name carries
// the date and time at which the run started, one field per character:
//
//   1 year   (2010..2035 as "A".."Z")     5-6 minute, two digits
//   2 month  ("A".."L")                   7-8 second, two digits
//   3 day    ("1".."9", then "A".."V")
//   4 hour   ("A".."X")
//
// e.g. 15 July 2023 14:05:09 gives NGFO0509.qzx.
#include <QDate>
#include <QString>

#include <cstdint>
#include <vector>

namespace records {

// StartFolder + "/" + the eight-character stem + ".qzx". Out-of-range fields
// are clamped: the year to 2010..2035, the month to 1..12, the day to 1..31,
// the hour to 0..23, minutes and seconds to 0..59 digit by digit.
QString MakeRecordFileName(const QString& startFolder, int year, int month, int day, int hour,
                           int minute, int second);

struct StartDate {
    QDate date;      // the calendar date the name gives
    QString text;    // that date in the user's short date format
};

// The start date a record file's name gives. Reads the eight characters
// before the dot of the file name's extension (or the first eight of the
// path when fewer precede that dot); characters the writer never produces
// still give a date. Throws std::runtime_error naming the file when the
// characters give no calendar date (30 February, say).
StartDate StartDateFromName(const QString& path);

// Every whole word of a record file, in file order; 1 to 3 trailing bytes
// are ignored. A file that can't be opened or read gives no words.
std::vector<std::uint32_t> ReadRecordWords(const QString& path);

// Writes the words of a recording. Each word is handed to the operating
// system the moment Append is called (no buffering in the program), so a
// crash of the program loses nothing that Append has returned from; with
// SyncToDisk set, Append also waits until the word is on the disk itself.
class RecordFileWriter {
public:
    explicit RecordFileWriter(bool syncToDisk = false) : syncToDisk_(syncToDisk) {}
    ~RecordFileWriter();
    RecordFileWriter(const RecordFileWriter&) = delete;
    RecordFileWriter& operator=(const RecordFileWriter&) = delete;
    RecordFileWriter(RecordFileWriter&& other) noexcept;
    RecordFileWriter& operator=(RecordFileWriter&& other) noexcept;

    // Creates the file for reading and writing, or empties an existing one.
    // Closes a file opened before. False when the file can't be created.
    bool Open(const QString& path);
    // Opens an existing file (or creates a missing one) without emptying it,
    // for a recording carried on; the caller goes on at the index after the
    // file's last whole word, so 1 to 3 bytes of a word cut short are the
    // only ones written over. False when it can't be opened for writing.
    bool OpenToContinue(const QString& path);
    // Writes word `index` (4 bytes, least significant first) at byte offset
    // 4 * index. A failed write leaves every other word where it belongs.
    // False when nothing is open or the write (or the sync) fails.
    bool Append(std::uint32_t index, std::uint32_t word);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    void SetSyncToDisk(bool on) { syncToDisk_ = on; }
    bool SyncToDisk() const { return syncToDisk_; }

private:
    int fd_ = -1;
    bool syncToDisk_ = false;
};

}  // namespace records
