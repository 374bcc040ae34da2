// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/meter_recording.h"

#include "noise/alarm_watch.h"
#include "noise/interval_csv.h"
#include "reading/readings_session.h"
#include "recording/recorder.h"
#include "statistics/noise_stream.h"
#include "statistics/session_feed.h"

#include <QDir>
#include <QSaveFile>
#include <QTimer>

namespace station {
namespace {

constexpr const char* kProgramName = "quorvane-station";

noisestats::AlarmSettings EngineAlarm(const AlarmSettings& a) {
    noisestats::AlarmSettings s;
    s.weighting = a.weighting == AlarmWeighting::A ? noisestats::Weighting::A : noisestats::Weighting::C;
    s.mode = a.mode == AlarmMode::Level ? noisestats::AlarmMode::Level : noisestats::AlarmMode::SlidingLeq;
    s.thresholdTenths = a.thresholdTenths;
    s.hysteresisTenths = a.hysteresisTenths;
    s.minimumSeconds = a.minimumSeconds;
    s.windowSeconds = a.windowSeconds;
    return s;
}

// A new interval length as the engine knows it (the configuration allows
// exactly the engine's lengths).
noisestats::IntervalLength LengthOf(int minutes) { return noisestats::IntervalLength(minutes * 60); }

}  // namespace

MeterRecording::MeterRecording(const MeterPlace& place, const StationConfig& config, const HostFolders& host,
                               StationLog& log, QTimeZone zone, QObject* parent)
    : QObject(parent), place_(place), config_(config), host_(host), log_(log), zone_(std::move(zone)),
      link_(place.port.toStdString(), host.sysfsRoot), session_(std::make_unique<reading::ReadingsSession>()) {
    for (int minutes : config_.station.intervalMinutes) {
        auto stream = std::make_unique<noisestats::NoiseStream>(*session_, zone_);
        stream->SetLength(LengthOf(minutes));
        streams_.push_back(std::move(stream));
    }
    for (const AlarmSettings& a : config_.alarms) {
        if (!a.meters.isEmpty() && !a.meters.contains(place_.name)) continue;
        Alarm alarm{a.name, std::make_unique<noisestats::AlarmWatch>()};
        alarm.watch->Configure(true, EngineAlarm(a));
        alarms_.push_back(std::move(alarm));
    }
    if (!streams_.empty())
        connect(&streams_.front()->Feed(), &noisestats::SessionFeed::ReadingsFed, this, &MeterRecording::AlarmReadings);
    QDir().mkpath(config_.station.data);
    day_ = DayFiles{config_.station.data, config_.station.name, place_.name, {}};

    recording::MeterChannel channel{[this] { return OpenLink(); }, [this] { return device::ReadLevelWord(link_); }};
    recorder_ = std::make_unique<recording::Recorder>(*session_, config_.station.data, std::move(channel));
    connect(recorder_.get(), &recording::Recorder::ClockSampled, this, &MeterRecording::OnClock);
    connect(recorder_.get(), &recording::Recorder::WordNotWritten, this, &MeterRecording::KeepWord);
    connect(recorder_.get(), &recording::Recorder::ReadingTaken, this, [this](const QDateTime& when, float level) {
        last_ = std::make_pair(when, level);
        WriteNewIntervals();
    });
    connect(recorder_.get(), &recording::Recorder::LinkChanged, this, [this](bool connected) {
        if (connected)
            log_.Notice(QStringLiteral("meter %1 (port %2) answers").arg(place_.name, place_.port));
        else
            log_.Warning(QStringLiteral("meter %1 (port %2) does not answer: its readings have a gap until it does")
                             .arg(place_.name, place_.port));
    });
}

MeterRecording::~MeterRecording() { Finish(); }

void MeterRecording::Tick() {
    if (!finished_) recorder_->Tick();
}

bool MeterRecording::Connected() const { return recorder_->Connected; }

QString MeterRecording::RecordFile() const { return session_->RecordingFileName; }

int MeterRecording::OpenLink() {
    if (!lock_.Held()) {
        device::MeterLockAttempt attempt =
            device::TryTakeMeterLock(place_.port.toStdString(), kProgramName, host_.lockFolder);
        switch (attempt.outcome) {
        case device::MeterLockOutcome::Taken:
            lock_ = std::move(attempt.lock);
            if (lockRefusalTold_)
                log_.Notice(QStringLiteral("meter %1 (port %2) is free again: recording it").arg(place_.name, place_.port));
            lockRefusalTold_ = false;
            break;
        case device::MeterLockOutcome::HeldByOther:
            if (!lockRefusalTold_) {
                const QString who = attempt.holder && !attempt.holder->program.empty()
                                        ? QStringLiteral("%1 (pid %2)")
                                              .arg(QString::fromStdString(attempt.holder->program))
                                              .arg(attempt.holder->pid)
                                        : QStringLiteral("another program");
                log_.Warning(QStringLiteral("meter %1 (port %2) is in use by %3: left alone until it is free")
                                 .arg(place_.name, place_.port, who));
            }
            lockRefusalTold_ = true;
            return Appusb::NoMeter;
        case device::MeterLockOutcome::Failed:
            if (!lockRefusalTold_)
                log_.Error(QStringLiteral("meter %1: its lock can't be taken (%2): left alone")
                               .arg(place_.name, QString::fromStdString(attempt.error)));
            lockRefusalTold_ = true;
            return Appusb::NoMeter;
        }
    }
    return link_.Open();
}

void MeterRecording::OnClock(const QDateTime& now) {
    emit Ticked();
    if (finished_) return;
    if (ClockStepped(now)) return;
    if (!backlog_.empty()) WriteBacklog();
    if (resultsDirty_ && backlog_.empty() && dayOpen_ && ++ticksSinceRewrite_ >= 60) {
        ticksSinceRewrite_ = 0;
        resultsDirty_ = false;
        RewriteResults();
    }
    if (dayOpen_ && now.date() == day_.day) return;
    if (dayOpen_) FinishDay();
    if (openFailedAt_ && qAbs(openFailedAt_->secsTo(now)) < 60 && openFailedAt_->date() == now.date()) return;
    OpenDay(now);
}

bool MeterRecording::ClockStepped(const QDateTime& now) {
    // A tick is due every second; a tick that took long (a slow transfer)
    // comes a few seconds late. Beyond that the system clock was set.
    constexpr qint64 kForwardStepSeconds = 120;
    const std::optional<QDateTime> last = std::exchange(lastSample_, now);
    if (heldUntil_) {
        if (now <= *heldUntil_) return true;
        log_.Notice(QStringLiteral("meter %1: the clock has passed %2 again: readings go on")
                        .arg(place_.name, heldUntil_->toString(Qt::ISODate)));
        heldUntil_.reset();
        if (dayOpen_) session_->Recording = true;
        return false;
    }
    if (!last) return false;
    const qint64 step = last->secsTo(now);
    if (step < 0 && dayOpen_) {
        // Readings stamped with seconds already recorded would count them
        // twice (and put the record file's times out of order): none are
        // taken until the clock has passed the last one again.
        heldUntil_ = *last;
        lastSample_ = *last;
        session_->Recording = false;
        log_.Warning(QStringLiteral("meter %1: the system clock was set back from %2 to %3: no readings are "
                                    "taken until it passes %2 again, so no second is counted twice")
                         .arg(place_.name, last->toString(Qt::ISODate), now.toString(Qt::ISODate)));
        return true;
    }
    if (step > kForwardStepSeconds)
        log_.Warning(QStringLiteral("meter %1: the system clock jumped forward %2 s, from %3 to %4: the seconds "
                                    "between are missing, nothing is invented for them")
                         .arg(place_.name)
                         .arg(step)
                         .arg(last->toString(Qt::ISODate), now.toString(Qt::ISODate)));
    return false;
}

void MeterRecording::OpenDay(const QDateTime& now) {
    if (!backlog_.empty() && !WriteBacklog()) DropBacklog(QStringLiteral("the day ended"));
    parked_.reset();
    dropped_ = false;
    day_.day = now.date();
    resultProblem_.clear();
    for (Alarm& a : alarms_) a.watch->Configure(true, a.watch->Settings());
    const QString existing = day_.ExistingRecordFile();
    bool opened = false;
    if (!existing.isEmpty()) {
        opened = recorder_->ContinueRecordingIn(existing);
        if (opened)
            log_.Notice(QStringLiteral("meter %1: carrying on in %2 after its %3 readings")
                            .arg(place_.name, existing)
                            .arg(session_->ReadingCount));
    } else {
        const QString path = day_.NewRecordFile(now);
        opened = recorder_->StartRecordingIn(path);
        if (opened) log_.Info(QStringLiteral("meter %1: recording to %2").arg(place_.name, path));
    }
    if (!opened) {
        // Tried again in a minute; the recorder's box (the log) said why.
        recorder_->StopRecording();
        openFailedAt_ = now;
        return;
    }
    openFailedAt_.reset();
    dayOpen_ = true;
    RewriteResults();
}

void MeterRecording::FinishDay() {
    if (!dayOpen_) return;
    dayOpen_ = false;
    // The interval under way and a running alarm: the day's data ends here.
    for (std::size_t k = 0; k < streams_.size() && k < intervalFiles_.size(); ++k) {
        WriteNewIntervals();
        if (auto open = streams_[k]->Statistics().OpenInterval(); open && intervalFiles_[k])
            noisestats::WriteIntervalCsvRows(*intervalFiles_[k], {*open});
    }
    std::vector<noisestats::NamedAlarmRow> stillOn;
    for (const Alarm& a : alarms_) {
        const auto all = a.watch->RowsWithRunning();
        for (std::size_t i = a.watch->Rows().size(); i < all.size(); ++i) stillOn.push_back({a.name, all[i]});
    }
    AppendAlarmRows(stillOn);
    for (auto& f : intervalFiles_)
        if (f) f->close();
    intervalFiles_.clear();
    intervalsWritten_.clear();
    if (alarmFile_) alarmFile_->close();
    alarmFile_.reset();
}

void MeterRecording::Finish() {
    if (finished_) return;
    finished_ = true;
    recorder_->Timer().stop();
    FinishDay();
    recorder_->StopRecording();
    if (!backlog_.empty() && !WriteBacklog()) DropBacklog(QStringLiteral("the recording stopped"));
    if (session_->RecordingFile) session_->RecordingFile->Close();
    parked_.reset();
    link_.Close();
    lock_.Release();
}

void MeterRecording::AlarmReadings(const std::vector<noisestats::Reading>& readings, bool live) {
    std::vector<noisestats::NamedAlarmRow> ended;
    for (Alarm& a : alarms_) {
        for (const noisestats::Reading& r : readings) {
            const noisestats::AlarmStep step = a.watch->Add(r);
            if (live && step.ended) ended.push_back({a.name, *step.ended});
            if (live && step.started)
                log_.Notice(QStringLiteral("meter %1: alarm %2 on: %3")
                                .arg(place_.name, a.name,
                                     noisestats::AlarmStripText(a.watch->Settings(), *step.started,
                                                                r.utcOffsetSeconds)));
        }
    }
    if (!ended.empty()) AppendAlarmRows(ended);
}

void MeterRecording::WriteNewIntervals() {
    for (std::size_t k = 0; k < streams_.size() && k < intervalFiles_.size(); ++k) {
        const auto& closed = streams_[k]->Statistics().ClosedIntervals();
        if (closed.size() <= intervalsWritten_[k] || !intervalFiles_[k]) continue;
        const std::vector<noisestats::PeriodResult> rows(closed.begin() + std::ptrdiff_t(intervalsWritten_[k]),
                                                         closed.end());
        if (noisestats::WriteIntervalCsvRows(*intervalFiles_[k], rows) && intervalFiles_[k]->flush()) {
            intervalsWritten_[k] = closed.size();
        } else {
            ResultWriteFailed(intervalFiles_[k]->fileName(), intervalFiles_[k]->errorString());
        }
    }
}

void MeterRecording::AppendAlarmRows(const std::vector<noisestats::NamedAlarmRow>& rows) {
    if (rows.empty() || !alarmFile_) return;
    if (!(noisestats::WriteAlarmCsvRows(*alarmFile_, rows) && alarmFile_->flush()))
        ResultWriteFailed(alarmFile_->fileName(), alarmFile_->errorString());
}

void MeterRecording::ResultWriteFailed(const QString& path, const QString& error) {
    // A row may be cut in the file now: it is rewritten whole (complete or
    // not at all) once files can be written again.
    resultsDirty_ = true;
    if (!resultProblem_.isEmpty()) return;
    resultProblem_ = path;
    log_.Error(QStringLiteral("meter %1: %2 can't be written (%3): it is written again whole when it can")
                   .arg(place_.name, path, error));
}

void MeterRecording::KeepWord(quint32 index, quint32 word) {
    if (!parked_ && session_->RecordingFile) {
        parked_ = std::move(session_->RecordingFile);
        backlogIndex_ = index;
        if (!diskTold_)
            log_.Error(QStringLiteral("meter %1: the record file %2 can't be written (is the disk full?): readings "
                                      "are kept in memory, up to %3, and written when it can")
                           .arg(place_.name, session_->RecordingFileName)
                           .arg(BacklogLimit));
        diskTold_ = true;
    }
    if (!parked_) return;  // no file at all: the recorder says so
    if (backlog_.size() >= BacklogLimit) {
        if (!dropped_)
            log_.Error(QStringLiteral("meter %1: %2 readings wait for the disk: later ones are lost until it takes them")
                           .arg(place_.name)
                           .arg(BacklogLimit));
        dropped_ = true;
        return;
    }
    backlog_.push_back(word);
    WriteBacklog();
}

bool MeterRecording::WriteBacklog() {
    if (!parked_) return backlog_.empty();
    const std::size_t waiting = backlog_.size();
    while (!backlog_.empty()) {
        if (!parked_->Append(backlogIndex_, backlog_.front())) return false;
        backlog_.pop_front();
        ++backlogIndex_;
    }
    if (diskTold_ && waiting > 1)
        log_.Notice(QStringLiteral("meter %1: the record file takes words again: the readings kept were written")
                        .arg(place_.name));
    diskTold_ = false;
    // Nothing lost: the file's indexes are the session's again, and the
    // recorder writes as before. Otherwise the words go on through here.
    if (!dropped_) session_->RecordingFile = std::move(parked_);
    return true;
}

void MeterRecording::DropBacklog(const QString& why) {
    log_.Error(QStringLiteral("meter %1: %2 readings could not be written to %3 before %4: they are lost")
                   .arg(place_.name)
                   .arg(backlog_.size())
                   .arg(session_->RecordingFileName, why));
    backlog_.clear();
}

void MeterRecording::RewriteResults() {
    // Whole files from what the statistics hold now (the record file's
    // readings after a restart, nothing on a new day), each put in place
    // only when complete; then they grow by appending.
    auto save = [this](const QString& path, const std::function<bool(QIODevice&)>& write) {
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly) && write(file) && file.commit()) return;
        ResultWriteFailed(path, file.errorString());
    };
    intervalFiles_.clear();
    intervalsWritten_.clear();
    for (std::size_t k = 0; k < streams_.size(); ++k) {
        const auto& closed = streams_[k]->Statistics().ClosedIntervals();
        const QString path = day_.IntervalFile(config_.station.intervalMinutes[k]);
        save(path, [&](QIODevice& out) {
            return noisestats::WriteIntervalCsvHeader(out) && noisestats::WriteIntervalCsvRows(out, closed);
        });
        auto file = std::make_unique<QFile>(path);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Append)) file.reset();
        intervalFiles_.push_back(std::move(file));
        intervalsWritten_.push_back(closed.size());
    }
    std::vector<noisestats::NamedAlarmRow> rows;
    for (const Alarm& a : alarms_)
        for (const noisestats::AlarmRow& r : a.watch->Rows()) rows.push_back({a.name, r});
    std::sort(rows.begin(), rows.end(), [](const auto& x, const auto& y) { return x.row.startEpoch < y.row.startEpoch; });
    const QString alarmPath = day_.AlarmFile();
    save(alarmPath, [&](QIODevice& out) { return noisestats::WriteAlarmCsvHeader(out) && noisestats::WriteAlarmCsvRows(out, rows); });
    alarmFile_ = std::make_unique<QFile>(alarmPath);
    if (!alarmFile_->open(QIODevice::WriteOnly | QIODevice::Append)) alarmFile_.reset();
}

}  // namespace station
