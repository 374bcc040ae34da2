// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/recorder.h"

#include "device/appusb.h"
#include "device/meter_protocol.h"
#include "device/meter_use.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/notices.h"
#include "reading/live_reading.h"
#include "reading/readings_session.h"
#include "reading/record_file.h"
#include "recording/meter_holder.h"

#include <QTimer>

namespace recording {

// Stops the tick while a command holds the meter, starts it when the last
// hold ends.
struct Recorder::Pause {
    explicit Pause(QTimer& tick)
        : listener([&tick](bool inUse) {
              if (inUse) tick.stop();
              else tick.start(device::TickIntervalMs);
          }) {}
    device::MeterUseListener listener;
};

Recorder::Recorder(reading::ReadingsSession& session, QString workFolder, QObject* parent)
    : Recorder(session, std::move(workFolder), MeterChannel{}, parent) {}

Recorder::Recorder(reading::ReadingsSession& session, QString workFolder, MeterChannel channel, QObject* parent)
    : QObject(parent), session_(session), workFolder_(std::move(workFolder)), channel_(std::move(channel)),
      timer_(new QTimer(this)) {
    if (!channel_.open) channel_.open = [this] { return OpenFirstMeterUnlessHeld(); };
    if (!channel_.readLevel) channel_.readLevel = [] { return device::ReadLevelWord(); };
    timer_->setInterval(device::TickIntervalMs);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (runner_) runner_([this] { Tick(); });
        else Tick();
    });
    timer_->start();
    pause_ = std::make_unique<Pause>(*timer_);
    ClockReading = platform::LocalNow();
    Connected = (channel_.open() == 0);
    session_.Recording = false;
    // Other data on show (a file opened): what the strip says of a
    // recording's missed readings and its file belongs to that recording.
    connect(&session_, &reading::ReadingsSession::DataReset, this, [this] {
        if (session_.Recording) return;
        link_.StartRecording();
        fileProblem_.clear();
        UpdateStrip(strip_.link);
    });
}

Recorder::~Recorder() { timer_->stop(); }

int Recorder::OpenFirstMeterUnlessHeld() {
    std::optional<device::MeterLockHolder> holder;
    const int opened = Appusb::OpenMeter([&holder](const char* bus, const char* device) {
        holder = MeterHolder(bus, device);
        return !holder;
    });
    QString held = holder ? MeterHeldText(*holder) : QString();
    if (held != heldElsewhere_) {
        heldElsewhere_ = std::move(held);
        UpdateStrip(strip_.link);
    }
    return opened;
}

bool Recorder::Recording() const { return session_.Recording; }

void Recorder::Tick() {
    // Stopped while the tick runs, so nothing inside it can let another
    // tick in; restarted at the end, so ticks count from the end of the
    // previous one. An error that ends the tick early leaves it stopped.
    // While a command holds the meter the tick is stopped (Pause); should
    // one come all the same, it leaves the link and the timer alone.
    if (device::MeterUse::Held()) return;
    timer_->stop();
    ClockReading = platform::LocalNow();
    ClockTexts = reading::ClockTexts::From(ClockReading);
    emit ClockSampled(ClockReading);
    const int opened = channel_.open();
    const bool wasConnected = Connected;
    Connected = (opened == 0);
    std::optional<int> transfer;
    if (Connected && session_.Recording) transfer = TakeReading();
    const live::TickReport report = link_.Tick({opened, session_.Recording, transfer, ClockReading});
    if (Connected != wasConnected) emit LinkChanged(Connected);
    if (session_.Recording && !report.readingTaken) emit SecondMissed(ClockReading);
    ShowReport(report);
    timer_->start(device::TickIntervalMs);
}

std::optional<int> Recorder::TakeReading() {
    device::LevelReply reply;
    {
        // A failure costs this second's reading, never the next ones: the
        // link's box would hold the recording until somebody pressed OK.
        // The tick tells the user itself, without waiting (LinkWatch).
        const Appusb::ScopedFailureReporter quiet{Appusb::FailureReporter()};
        reply = channel_.readLevel();
    }
    const auto word = live::LiveWordFromReply(reply.result, reply.bytes.data());
    if (!word) return reply.result;  // no reading this second: nothing stale is decoded, stored or shown

    // The tick's one clock sample stamps the word, the row and what the
    // session's observers take from it.
    const auto appended = session_.AppendLive(*word, ClockTexts, ClockReading);
    if (!appended.written && fileProblem_.isEmpty()) {
        // Said once per recording, in the status strip: a box would stop the
        // readings until somebody answers it.
        fileProblem_ = QStringLiteral("Readings are not being saved: the record file can't be written.");
    }
    if (!appended.written) emit WordNotWritten(session_.ReadingCount - 1, session_.RecordWord);
    emit ReadingTaken(ClockReading, appended.level);
    return reply.result;
}

void Recorder::ShowReport(const live::TickReport& report) {
    UpdateStrip(report.linkText);
    // Notices don't wait for an answer: the next tick comes on time whether
    // or not anybody is at the screen.
    platform::Notice notice;
    notice.owner = boxOwner_;
    switch (report.notice) {
    case live::NoticeToShow::None: return;
    case live::NoticeToShow::Disconnected:
        notice.text = QString::fromUtf8(Appusb::DisconnectedMessage);
        break;
    case live::NoticeToShow::NoAccess:
        notice.caption = QStringLiteral("No access to the meter");
        notice.text = live::NoAccessHelpText();
        notice.icon = platform::MessageIcon::Information;
        break;
    }
    platform::ShowNotice(notice);
}

void Recorder::UpdateStrip(const QString& link) {
    StripTexts strip{link, StripMessage(alarmText_, heldElsewhere_, fileProblem_, link_.ReadingsText())};
    if (strip == strip_) return;
    strip_ = std::move(strip);
    emit StripChanged(strip_);
}

void Recorder::SetAlarmText(const QString& text) {
    if (alarmText_ == text) return;
    alarmText_ = text;
    UpdateStrip(strip_.link);
}

bool Recorder::StartRecording() {
    if (ClockTexts.IsEmpty()) {
        // The name comes from the tick's clock sample; before the first tick
        // there is none.
        session_.ClearTable();
        if (auto& file = session_.RecordingFile) file->Close();
        platform::ShowBox(boxOwner_, QStringLiteral("Information"),
                          QStringLiteral("The recording can not start yet: the clock has not been read. "
                                         "Please try again in a second."),
                          platform::MessageIcon::Error);
        return false;
    }
    return OpenRecordingFile(records::MakeRecordFileName(workFolder_, ClockTexts.Year.toInt(), ClockTexts.Month.toInt(),
                                                         ClockTexts.Day.toInt(), ClockTexts.Hour.toInt(),
                                                         ClockTexts.Minute.toInt(), ClockTexts.Second.toInt()),
                             false);
}

bool Recorder::StartRecordingIn(const QString& path) { return OpenRecordingFile(path, false); }

bool Recorder::ContinueRecordingIn(const QString& path) { return OpenRecordingFile(path, true); }

bool Recorder::OpenRecordingFile(const QString& path, bool continueFile) {
    session_.ClearTable();
    auto& file = session_.RecordingFile;
    if (file) file->Close();
    auto refuse = [this](const QString& text) {
        platform::ShowBox(boxOwner_, QStringLiteral("Information"), text, platform::MessageIcon::Error);
        return false;
    };
    session_.RecordingFileName = path;
    if (!file) file = std::make_unique<records::RecordFileWriter>(RecordToDisk);
    if (continueFile) {
        session_.ReadingCount = 0;
        // Read whole before anything is written to it; the words go on show
        // as an opened file's, so the statistics and alarms take them too.
        const records::StartDate start = records::StartDateFromName(path);
        const std::vector<std::uint32_t> words = records::ReadRecordWords(path);
        session_.AppendFileWords(words, start.date);
        session_.ReadingCount = quint32(words.size());
        if (!file->OpenToContinue(path)) {
            return refuse(QStringLiteral("Can't open the record file %1 to carry on. Please check that the "
                                         "folder can be written to.")
                              .arg(path));
        }
    } else if (!file->Open(path)) {
        return refuse(QStringLiteral("Can't create the record file %1. Please check that the folder "
                                     "can be written to.")
                          .arg(path));
    } else {
        session_.ReadingCount = 0;
    }
    fileProblem_.clear();
    link_.StartRecording();
    UpdateStrip(strip_.link);
    session_.Recording = true;
    return true;
}

void Recorder::StopRecording() {
    if (!session_.Recording) return;
    session_.Recording = false;
    emit RecordingStopped();
}

}  // namespace recording
