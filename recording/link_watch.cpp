// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/link_watch.h"

#include "reading/reading_word.h"

namespace live {

QString LinkStateText(bool connected) {
    return QString::fromLatin1(connected ? UsbConnectText : UsbDisconnectText);
}
namespace {

// A time of the tick's day by its clock; an earlier day also names its date.
QString When(const QDateTime& t, const QDateTime& now) {
    const QString time = reading::FormatLongTime(t.time());
    if (t.date() == now.date()) return time;
    return reading::FormatShortDate(t.date()) + QLatin1Char(' ') + time;
}

QString Readings(std::uint32_t n) {
    return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? QStringLiteral("reading") : QStringLiteral("readings"));
}

}  // namespace

void LinkWatch::StartRecording() {
    missed_ = 0;
    firstMissed_ = lastMissed_ = answeringSince_ = QDateTime();
    inEpisode_ = false;
    episodeTold_ = false;
}

TickReport LinkWatch::Tick(const TickFacts& facts) {
    lastTick_ = facts.when;
    TickReport report;
    // A libusb build that refuses at open proves access by opening; one
    // that hands out a read-only handle proves it only by a transfer.
    const bool refusedAtOpen = facts.openResult == 2;
    const bool refusedTransfer = facts.transfer && *facts.transfer == NoAccessResult;
    const bool deniedNow = refusedAtOpen || refusedTransfer;
    if (facts.openResult == 1 || (facts.transfer && *facts.transfer >= 0) ||
        (facts.openResult == 0 && refusedAtOpen_ && !refusedTransfer))
        noAccess_ = false;
    if (deniedNow) {
        noAccess_ = true;
        refusedAtOpen_ = refusedAtOpen;
    }

    report.readingTaken = facts.transfer && IsWholeReading(*facts.transfer);
    if (facts.recording) {
        if (report.readingTaken) {
            if (inEpisode_) answeringSince_ = facts.when;
            inEpisode_ = false;
        } else {
            if (!inEpisode_) episodeTold_ = false;
            inEpisode_ = true;
            if (missed_ == 0) firstMissed_ = facts.when;
            lastMissed_ = facts.when;
            ++missed_;
            // Only a transfer that failed was ever told with a box; a meter
            // that is simply not there, or a cut reply, shows in the strip.
            const bool failed = facts.transfer && *facts.transfer < 0 && *facts.transfer != NoAccessResult;
            if (failed && !episodeTold_) {
                report.notice = NoticeToShow::Disconnected;
                episodeTold_ = true;
            }
        }
    }
    if (deniedNow && !noAccessTold_) {
        // The help says more than the lost-link notice would; it stands for
        // the episode it begins.
        report.notice = NoticeToShow::NoAccess;
        noAccessTold_ = true;
        if (inEpisode_) episodeTold_ = true;
    }

    report.linkText = QString::fromLatin1(facts.openResult == 1 ? UsbDisconnectText
                                          : noAccess_           ? UsbNoAccessText
                                          : facts.openResult == 0 ? UsbConnectText
                                                                  : UsbDisconnectText);
    report.readingsText = ReadingsText();
    return report;
}

QString LinkWatch::ReadingsText() const {
    if (missed_ == 0) return QString();
    const QString missed = QStringLiteral("%1 missed since %2, the last at %3")
                               .arg(Readings(missed_), When(firstMissed_, lastTick_), When(lastMissed_, lastTick_));
    if (inEpisode_) return missed;
    return QStringLiteral("Readings again since %1; %2").arg(When(answeringSince_, lastTick_), missed);
}

QString NoAccessHelpText() {
    return QStringLiteral(
        "The meter is plugged in, but this user may not open its USB device, so no readings can be taken.\n\n"
        "Install the udev rule that comes with Quorvane (see \"USB access without root\" in "
        "packaging/README.md), then unplug the meter and plug it in again.");
}

}  // namespace live
