// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The alarms as CSV for other programs, in the same dialect as the interval
// table (interval_csv.h): RFC 4180, CRLF, UTF-8, one header row, "." as
// decimal mark, ISO 8601 local date-times with their UTC offset. One row
// per alarm: its rule's name, start, end, duration, readings, weighting,
// peak, Leq and how it ended ("", "gap", "still on").
#include "noise/alarm_rule.h"

#include <QIODevice>
#include <QString>
#include <vector>

namespace noisestats {

struct NamedAlarmRow {
    QString rule;  // the alarm's name, as the user gave it
    AlarmRow row;
};

bool WriteAlarmCsvHeader(QIODevice& out);
bool WriteAlarmCsvRows(QIODevice& out, const std::vector<NamedAlarmRow>& rows);

}  // namespace noisestats
