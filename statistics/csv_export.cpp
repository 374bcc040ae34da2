// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/csv_export.h"

#include "noise/interval_csv.h"
#include <QSaveFile>

namespace noisestats {

bool SaveIntervalCsv(const QString& path, const NoiseStatistics& stats, QString* error) {
    // QSaveFile writes a temporary file in the target's folder and renames
    // it over the target on commit; nothing is replaced before that.
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly) && WriteIntervalCsv(file, stats.AllIntervals());
    ok = ok && file.commit();
    if (!ok) {
        if (error) *error = file.errorString();
        file.cancelWriting();
    }
    return ok;
}

}  // namespace noisestats
