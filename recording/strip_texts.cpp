// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/strip_texts.h"

#include <QStringList>

namespace recording {

QString StripMessage(const QString& alarm, const QString& fileProblem, const QString& missedReadings) {
    return StripMessage(alarm, QString(), fileProblem, missedReadings);
}

QString StripMessage(const QString& alarm, const QString& meterHeld, const QString& fileProblem,
                     const QString& missedReadings) {
    QStringList parts;
    for (const QString* part : {&alarm, &meterHeld, &fileProblem, &missedReadings})
        if (!part->isEmpty()) parts << *part;
    return parts.join(QStringLiteral("   "));
}

}  // namespace recording
