// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/load_report.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace records {

QString UnreadableFileText(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return QStringLiteral("The file %1 does not exist.").arg(path);
    if (info.isDir()) return QStringLiteral("%1 is a folder, not a file.").arg(path);
    // The system's own reason, as open(2) gives it.
    QString reason = QStringLiteral("the system refuses it");
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        reason = QString::fromLocal8Bit(std::strerror(errno));
    else
        ::close(fd);
    if (!info.exists()) reason = QStringLiteral("it is a link to a file that does not exist");
    return QStringLiteral("The file %1 can not be read: %2.").arg(path, reason);
}

QString UnknownKindText(const QString& path) {
    return QStringLiteral("The file %1 was not opened: the program opens record files (.qzx), text files "
                          "(.txt) and spreadsheets (.xls, .xlsx), told apart by the extension of their name.")
        .arg(path);
}

QString EmptyRecordFileText(const QString& path, qint64 size) {
    if (size <= 0) return QStringLiteral("The record file %1 is empty: it holds no readings.").arg(path);
    return QStringLiteral("The record file %1 holds no readings: it has %2 bytes, and each reading takes 4.")
        .arg(path)
        .arg(size);
}

QString EmptyTextFileText(const QString& path, qint64 size) {
    if (size <= 0) return QStringLiteral("The text file %1 is empty: it holds no readings.").arg(path);
    return QStringLiteral("The text file %1 holds no readings: none of its lines is a row of five fields, each "
                          "ended by a tab, with a level in the second.")
        .arg(path);
}

QString EmptySpreadsheetText(const QString& path) {
    return QStringLiteral("The spreadsheet %1 is empty: it holds no readings.").arg(path);
}

QString SpreadsheetWithoutRowsText(const QString& path) {
    return QStringLiteral("The spreadsheet %1 holds no readings: its sheet has no rows after the head.").arg(path);
}

WordTimeCheck CheckWordTimes(const std::vector<std::uint32_t>& words) {
    WordTimeCheck check;
    constexpr int HalfDay = 12 * 3600;
    int previous = -1;
    for (const std::uint32_t w : words) {
        const int h = int((w >> 27) & 0x1F), m = int((w >> 21) & 0x3F), s = int((w >> 15) & 0x3F);
        if (h > 23 || m > 59 || s > 59) ++check.impossible;
        const int second = std::min(h, 23) * 3600 + std::min(m, 59) * 60 + std::min(s, 59);
        if (previous >= 0) {
            ++check.steps;
            if (second < previous && previous - second <= HalfDay) ++check.backSteps;
        }
        previous = second;
    }
    return check;
}

QString DoubtfulTimesText(const QString& path, const WordTimeCheck& check) {
    QStringList found;
    if (check.backSteps > 0)
        found << QStringLiteral("in %1 of its %2 steps from one reading to the next the time goes back")
                     .arg(check.backSteps)
                     .arg(check.steps);
    if (check.impossible > 0)
        found << QStringLiteral("%1 of its %2 readings have a time of day no clock shows")
                     .arg(check.impossible)
                     .arg(check.steps + 1);
    return QStringLiteral("The record file %1 may be damaged, or not be a record file: %2. Its readings are shown, "
                          "but their times may be wrong.")
        .arg(path, found.join(QStringLiteral(", and ")));
}

}  // namespace records
