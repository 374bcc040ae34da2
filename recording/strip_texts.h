// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The status strip as data: the link's state text and the message beside
// it. The message joins, in this order, a running alarm, the record file's
// trouble and the readings a recording missed; whoever shows the strip
// shows these texts and nothing of its own.
#include <QString>

namespace recording {

struct StripTexts {
    QString link;     // " USB Connect     ", " USB Disconnect  " or " USB No access   "
    QString message;  // the parts below, joined by three spaces

    bool operator==(const StripTexts&) const = default;
};

// Joins the message's parts, leaving out the empty ones.
QString StripMessage(const QString& alarm, const QString& fileProblem, const QString& missedReadings);
// With the meter left to another program (the station) after the alarm.
QString StripMessage(const QString& alarm, const QString& meterHeld, const QString& fileProblem,
                     const QString& missedReadings);

}  // namespace recording
