// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the one-second tick learns about the link to the meter, kept from
// tick to tick: the link state for the status strip, the readings a
// recording missed (how many, since when, the last one) and when to tell
// the user with a notice. Plain code: the main window only shows what it
// says.
//
// A recording never waits for the user: a failed or short transfer costs
// that second's reading and nothing else. Ticks without a reading in a row
// form one episode, and an episode is told at most once, however long it
// lasts; the strip keeps the count.
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

namespace live {

// The link state texts of the status strip, 17 characters each.
inline constexpr const char* UsbConnectText = " USB Connect     ";
inline constexpr const char* UsbDisconnectText = " USB Disconnect  ";
inline constexpr const char* UsbNoAccessText = " USB No access   ";

// The strip's text for a link that is or is not connected.
QString LinkStateText(bool connected);

// The errno of a transfer on a device node that was opened read-only:
// libusb hands out such a handle when the user may not write the node.
constexpr int NoAccessResult = -9;  // -EBADF

// What one tick saw.
struct TickFacts {
    int openResult = 1;           // OpenMeter: 0 opened, 1 no meter, 2 found but not opened
    bool recording = false;       // a recording was running
    std::optional<int> transfer;  // the level request's result, when one was sent
    QDateTime when;               // the tick's clock sample
};

enum class NoticeToShow { None, Disconnected, NoAccess };

struct TickReport {
    QString linkText;             // one of the three texts above
    QString readingsText;         // about missed readings; empty while none were missed
    NoticeToShow notice = NoticeToShow::None;
    bool readingTaken = false;
};

class LinkWatch {
public:
    // A new recording: nothing missed yet.
    void StartRecording();
    TickReport Tick(const TickFacts& facts);

    std::uint32_t Missed() const { return missed_; }
    QDateTime FirstMissed() const { return firstMissed_; }
    QDateTime LastMissed() const { return lastMissed_; }
    // True while the latest recording tick took no reading.
    bool InEpisode() const { return inEpisode_; }
    // True from the first sign that the user may not open the meter until
    // it answers or leaves the bus.
    bool NoAccess() const { return noAccess_; }
    // The strip's text about missed readings as of the latest tick.
    QString ReadingsText() const;

private:
    std::uint32_t missed_ = 0;
    QDateTime firstMissed_, lastMissed_, answeringSince_, lastTick_;
    bool inEpisode_ = false;
    bool episodeTold_ = false;
    bool noAccess_ = false;
    bool refusedAtOpen_ = false;  // the latest refusal came from OpenMeter
    bool noAccessTold_ = false;  // the help is given once per start of the program
};

// Whether a level request's result is a reading (the two bytes of the live
// word arrived), as the tick decides it.
constexpr bool IsWholeReading(int transferResult) { return transferResult >= 2; }

// The help shown once when the meter is there but may not be opened.
QString NoAccessHelpText();

}  // namespace live
