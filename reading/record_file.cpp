// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/record_file.h"

#include "reading/reading_word.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace records {

namespace {

int Clamp(int value, int low, int high) { return std::min(std::max(value, low), high); }

// The character of the day field: "1".."9", then "A" = 10 .. "V" = 31.
char DayChar(int day) {
    day = Clamp(day, 1, 31);
    return day < 10 ? char('0' + day) : char(day + 55);
}

// The value of one stem character, its code taken modulo 256 as the file's
// 8-bit names would give it.
int Mod256(int value) { return ((value % 256) + 256) % 256; }

QString Describe(const QString& path) { return QStringLiteral("\"") + path + QStringLiteral("\""); }

}  // namespace

QString MakeRecordFileName(const QString& startFolder, int year, int month, int day, int hour,
                           int minute, int second) {
    // Negative hours, minutes and seconds are raised to 0 as well: their
    // characters would otherwise fall below "0" (one of them is "/").
    minute = std::max(minute, 0);
    second = std::max(second, 0);
    char stem[8];
    stem[0] = char(Clamp(year - 2000, 10, 35) + 55);
    stem[1] = char(Clamp(month, 1, 12) + 64);
    stem[2] = DayChar(day);
    stem[3] = char(Clamp(hour, 0, 23) + 65);
    stem[4] = char('0' + std::min(minute / 10, 5));
    stem[5] = char('0' + std::min(minute % 10, 9));
    stem[6] = char('0' + std::min(second / 10, 5));
    stem[7] = char('0' + std::min(second % 10, 9));
    return startFolder + QLatin1Char('/') + QString::fromLatin1(stem, 8) + QStringLiteral(".qzx");
}

StartDate StartDateFromName(const QString& rawPath) {
    const QString path = rawPath.trimmed();
    // The dot of the extension is the last dot of the file name, never one
    // in a folder name.
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < nameStart)
        dot = path.size();
    const QString stem = (dot >= 8 ? path.mid(dot - 8, 8) : path.left(8)).toUpper();
    if (stem.size() < 3)
        throw std::runtime_error(
            QStringLiteral("The file name %1 is too short to hold a start date.").arg(Describe(rawPath)).toStdString());

    const int c1 = stem.at(0).unicode();
    const int c2 = stem.at(1).unicode();
    const int c3 = stem.at(2).unicode();

    const int year = 2000 + Mod256(c1 - 55);
    int month = Mod256(c2 - 64);
    if (month > 12)
        month = 12;
    if (month == 0)
        month = 1;
    int day;
    if (c3 <= '9')
        day = Mod256(c3 - 48);
    else if (c3 >= 'A')
        day = c3 - 55;
    else
        day = c3;  // the characters between "9" and "A"
    day = Clamp(day, 1, 31);

    const QDate date(year, month, day);
    if (!date.isValid())
        throw std::runtime_error(QStringLiteral("The file name %1 gives no calendar date (day %2 of month %3 in %4).")
                                     .arg(Describe(rawPath))
                                     .arg(day)
                                     .arg(month)
                                     .arg(year)
                                     .toStdString());
    return {date, reading::FormatShortDate(date)};
}

std::vector<std::uint32_t> ReadRecordWords(const QString& path) {
    std::vector<std::uint32_t> words;
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return words;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 4) {
        words.resize(std::size_t(info.st_size / 4));
        char* data = reinterpret_cast<char*>(words.data());
        const std::size_t wanted = words.size() * 4;
        std::size_t got = 0;
        while (got < wanted) {
            const ssize_t n = ::read(fd, data + got, wanted - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;  // a read error or a file that shrank: keep the whole words read
            got += std::size_t(n);
        }
        words.resize(got / 4);
        if constexpr (Q_BYTE_ORDER != Q_LITTLE_ENDIAN) {
            for (std::uint32_t& w : words)
                w = qFromLittleEndian(w);
        }
    }
    ::close(fd);
    return words;
}

RecordFileWriter::~RecordFileWriter() { Close(); }

RecordFileWriter::RecordFileWriter(RecordFileWriter&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), syncToDisk_(other.syncToDisk_) {}

RecordFileWriter& RecordFileWriter::operator=(RecordFileWriter&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        syncToDisk_ = other.syncToDisk_;
    }
    return *this;
}

bool RecordFileWriter::Open(const QString& path) {
    Close();
    const QByteArray name = QFile::encodeName(path);
    do {
        fd_ = ::open(name.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EINTR);
    return fd_ >= 0;
}

bool RecordFileWriter::OpenToContinue(const QString& path) {
    Close();
    const QByteArray name = QFile::encodeName(path);
    do {
        fd_ = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EINTR);
    return fd_ >= 0;
}

bool RecordFileWriter::Append(std::uint32_t index, std::uint32_t word) {
    if (fd_ < 0)
        return false;
    unsigned char bytes[4];
    qToLittleEndian(word, bytes);
    const off_t offset = off_t(index) * 4;
    std::size_t done = 0;
    while (done < sizeof bytes) {
        const ssize_t n = ::pwrite(fd_, bytes + done, sizeof bytes - done, offset + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    if (syncToDisk_) {
        int rc;
        do {
            rc = ::fdatasync(fd_);
        } while (rc < 0 && errno == EINTR);
        if (rc < 0)
            return false;
    }
    return true;
}

void RecordFileWriter::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace records
