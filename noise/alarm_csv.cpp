// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/alarm_csv.h"

#include "noise/alarm_watch.h"
#include "noise/interval_csv.h"

#include <QStringList>

namespace noisestats {
namespace {

bool WriteLine(QIODevice& out, const QStringList& fields) {
    QStringList quoted;
    for (QString f : fields) {
        if (f.contains(u',') || f.contains(u'"') || f.contains(u'\n') || f.contains(u'\r'))
            f = u'"' + f.replace(u'"', QStringLiteral("\"\"")) + u'"';
        quoted << f;
    }
    const QByteArray line = quoted.join(u',').toUtf8() + "\r\n";
    return out.write(line) == line.size();
}

}  // namespace

bool WriteAlarmCsvHeader(QIODevice& out) {
    return WriteLine(out, {QStringLiteral("Alarm"), QStringLiteral("Start"), QStringLiteral("End"),
                           QStringLiteral("Duration (s)"), QStringLiteral("Readings"), QStringLiteral("Weighting"),
                           QStringLiteral("Peak (dB)"), QStringLiteral("Leq (dB)"), QStringLiteral("Ended by")});
}

bool WriteAlarmCsvRows(QIODevice& out, const std::vector<NamedAlarmRow>& rows) {
    for (const NamedAlarmRow& named : rows) {
        const AlarmRow& r = named.row;
        const QStringList fields{named.rule,
                                 IsoLocalDateTime(r.startEpoch, r.utcOffsetSeconds),
                                 IsoLocalDateTime(r.endEpoch, r.utcOffsetSeconds),
                                 QString::number(r.DurationSeconds()),
                                 QString::number(r.readings),
                                 r.weighting == Weighting::A ? QStringLiteral("A") : QStringLiteral("C"),
                                 QString::number(r.peakTenths / 10.0, 'f', 1),
                                 QString::number(r.leqDb, 'f', 1),
                                 AlarmEndText(r.end)};
        if (!WriteLine(out, fields)) return false;
    }
    return true;
}

}  // namespace noisestats
