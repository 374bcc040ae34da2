// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The recorder: the program's one-second tick, without a window. Each tick
// samples the clock once, looks at the link to the meter and, while a
// recording runs, asks the meter for its level and hands the reading to the
// readings session, which writes it to the record file and keeps it. The
// one clock sample of a tick stamps everything of that second: the record
// word's time of day, the table row, and so the statistics and alarms that
// read the session.
//
// A recording never waits for anybody: a failed or short transfer costs
// that second's reading only (nothing is written or invented for it); the
// strip's texts and a notice that does not wait tell the user.
//
// The tick steps aside while a command holds the meter (device::MeterUse):
// it is stopped when the first hold starts and started again when the last
// one ends. That is the one way to hold it; every command that needs the
// meter, or must not be crossed by a reading, takes a hold.
//
// Plain code (Qt Core): the main window shows what it emits and forwards
// the user's commands; a program without a window can run it as it is.
#include "device/meter_protocol.h"
#include "reading/reading_word.h"
#include "recording/link_watch.h"
#include "recording/strip_texts.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QTimer;

namespace reading {
class ReadingsSession;
}

namespace recording {

// How the tick reaches its meter: open (or keep) the link, then ask for the
// level. By default the desktop program's one link (Appusb: the first meter
// found, enumerated afresh every tick, left alone while another program
// holds its lock); a program that records several meters gives each
// recorder a link of its own (device::MeterLink).
struct MeterChannel {
    std::function<int()> open;                      // Appusb's open results
    std::function<device::LevelReply()> readLevel;  // the level request
};

class Recorder : public QObject {
    Q_OBJECT
public:
    // Samples the clock and opens the meter once; the tick's timer starts
    // at once, so it fires from the moment the event loop runs. Readings go
    // to `session`, which outlives the recorder. `workFolder`: where record
    // files are created.
    Recorder(reading::ReadingsSession& session, QString workFolder, QObject* parent = nullptr);
    // The same over a channel of the caller's.
    Recorder(reading::ReadingsSession& session, QString workFolder, MeterChannel channel,
             QObject* parent = nullptr);
    ~Recorder() override;

    // One tick: what the timer runs every device::TickIntervalMs.
    void Tick();
    QTimer& Timer() { return *timer_; }

    // ---- Online recording.
    // Starts a recording: empties the data on show, then names, creates and
    // opens its file in the work folder. False, after an error box, when it
    // can't (the clock has not been read yet, the file can't be created).
    bool StartRecording();
    // The same with a file name of the caller's (a program that names its
    // files itself); an existing file of that name is emptied.
    bool StartRecordingIn(const QString& path);
    // Carries on a recording in an existing record file: its words are read
    // whole into the session (as a file opened), and the next reading goes
    // after its last whole word; nothing in it is emptied or written again.
    // False, after an error box, when the file can't be read or opened.
    bool ContinueRecordingIn(const QString& path);
    // Stops appending; the file stays open, everything shown stays.
    void StopRecording();
    bool Recording() const;

    // What runs each tick of the timer: by default the tick itself; a
    // window runs it inside its error guard, so an error that escapes a
    // tick is shown and ends that tick only (its timer stays stopped).
    using TickRunner = std::function<void(const std::function<void()>& tick)>;
    void SetTickRunner(TickRunner runner) { runner_ = std::move(runner); }
    // The owner of the recorder's boxes and notices (a window), if any.
    void SetBoxOwner(QObject* owner) { boxOwner_ = owner; }
    // The alarm's part of the strip ("" clears it).
    void SetAlarmText(const QString& text);

    // ---- What the ticks found.
    const QString& WorkFolder() const { return workFolder_; }
    // Where the next recording's file is created.
    void SetWorkFolder(const QString& folder) { workFolder_ = folder; }
    // The tick's clock sample and its texts; commands may take a new one
    // (the setup command's "Update clock").
    QDateTime ClockReading;
    reading::ClockTexts ClockTexts;
    // Whether the meter answered at the last look at the link.
    bool Connected = false;
    const live::LinkWatch& Link() const { return link_; }
    const StripTexts& Strip() const { return strip_; }
    // Who holds the meter's lock when the first meter was left alone for
    // it at the last look (the desktop program's channel only); "" if none.
    const QString& MeterHeldElsewhere() const { return heldElsewhere_; }

    // Whether each appended word is also forced to the disk: it costs
    // several milliseconds a reading here, so a word is handed to the
    // operating system at once (safe from a crash of the program) but not
    // synced.
    static constexpr bool RecordToDisk = false;

signals:
    // A tick sampled the clock (ClockReading, ClockTexts), before it looks
    // at the link or takes a reading: what is decided here (a new file at
    // midnight) holds for this second's reading already.
    void ClockSampled(const QDateTime& when);
    // A reading was taken and kept (after the session told its observers).
    void ReadingTaken(const QDateTime& when, float level);
    // A reading was kept but its word could not be written to the record
    // file (a full disk): `index` is its place in the file. Whoever keeps
    // it for later says so; the desktop program shows the file's trouble.
    void WordNotWritten(quint32 index, quint32 word);
    // A recording tick took no reading.
    void SecondMissed(const QDateTime& when);
    // The link's state changed: connected, or not.
    void LinkChanged(bool connected);
    // The strip's texts changed.
    void StripChanged(const recording::StripTexts& strip);
    // A recording was stopped (its file stays open).
    void RecordingStopped();

private:
    std::optional<int> TakeReading();
    void ShowReport(const live::TickReport& report);
    void UpdateStrip(const QString& link);
    bool OpenRecordingFile(const QString& path, bool continueFile);
    int OpenFirstMeterUnlessHeld();

    reading::ReadingsSession& session_;
    QString workFolder_;
    MeterChannel channel_;
    QTimer* timer_;
    live::LinkWatch link_;
    StripTexts strip_;
    QString alarmText_;
    // What the current recording's file can't do; said once per recording.
    QString fileProblem_;
    // The meter is held by another program (the station): the strip says so.
    QString heldElsewhere_;
    QObject* boxOwner_ = nullptr;
    TickRunner runner_;
    struct Pause;
    std::unique_ptr<Pause> pause_;
};

}  // namespace recording
