// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/day_files.h"

#include "reading/record_file.h"

#include <QDir>
#include <QFileInfo>

namespace station {

QString DayFiles::Prefix() const {
    return station + QLatin1Char('-') + meter + QLatin1Char('-') + day.toString(QStringLiteral("yyyy-MM-dd"));
}

QString DayFiles::NewRecordFile(const QDateTime& first) const {
    const QDate d = first.date();
    const QTime t = first.time();
    // The record file's own naming gives the stem; only its file name is taken.
    const QString stem = QFileInfo(records::MakeRecordFileName(QStringLiteral("."), d.year(), d.month(), d.day(),
                                                               t.hour(), t.minute(), t.second()))
                             .fileName();
    return QDir(folder).filePath(Prefix() + QLatin1Char('-') + stem);
}

QString DayFiles::ExistingRecordFile() const {
    const QStringList found = QDir(folder).entryList({Prefix() + QStringLiteral("-????????.qzx")},
                                                     QDir::Files, QDir::Name);
    return found.isEmpty() ? QString() : QDir(folder).filePath(found.front());
}

QString DayFiles::IntervalFile(int minutes) const {
    return QDir(folder).filePath(Prefix() + QStringLiteral("-intervals-%1min.csv").arg(minutes));
}

QString DayFiles::AlarmFile() const { return QDir(folder).filePath(Prefix() + QStringLiteral("-alarms.csv")); }

}  // namespace station
