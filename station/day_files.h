// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The names of a meter's files of one local day in the data folder:
//
//   STATION-METER-YYYY-MM-DD-SSSSSSSS.qzx             the record file
//   STATION-METER-YYYY-MM-DD-intervals-15min.csv      the interval results, one per length
//   STATION-METER-YYYY-MM-DD-alarms.csv               the alarms
//
// SSSSSSSS is the record file's own eight-character stem
// (records::MakeRecordFileName): the date and time of the day's first
// reading, which the desktop program's Open reads from the eight characters
// before the dot. The prefix before it keeps days, meters and stations apart.
#include <QDate>
#include <QDateTime>
#include <QString>

namespace station {

struct DayFiles {
    QString folder, station, meter;
    QDate day;

    // Everything before the stem and the CSV names: "garden-1-1.2-2026-12-11".
    QString Prefix() const;
    // A new record file for a day whose first reading is at `first`.
    QString NewRecordFile(const QDateTime& first) const;
    // The day's record file already in the folder (the first in name
    // order), or "" when there is none.
    QString ExistingRecordFile() const;
    QString IntervalFile(int minutes) const;
    QString AlarmFile() const;
};

}  // namespace station
