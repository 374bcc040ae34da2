// SPDX-License-Identifier: GPL-3.0-or-later
// The online recording: the "Online records" command, the record file it
// creates and the append of each reading, and the tick's reading branch
// that takes, stores and shows one reading a second.
#include "device/appusb.h"
#include "device/meter_protocol.h"
#include "monitor/F_main.h"
#include "reading/live_reading.h"
#include "monitor/reading_grid.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "reading/record_file.h"
#include "reading/readings_session.h"

#include <QLabel>
#include <QScrollBar>

namespace {

void ShowRecordingError(QObject* owner, const QString& text) {
    platform::ShowBox(owner, QStringLiteral("Information"), text, platform::MessageIcon::Error);
}

}  // namespace

void TFormMain::ToolButton3Click() {
    if (session_.Recording) {
        // Stop: only the appending ends; the file stays open and everything
        // shown stays as it is.
        session_.Recording = false;
        return;
    }
    ClearTable();
    if (!CreateRecordingFile()) return;
    session_.Recording = true;
}

bool TFormMain::CreateRecordingFile() {
    auto& file = session_.RecordingFile;
    if (file) file->Close();
    if (ClockTexts.IsEmpty()) {
        // The name comes from the tick's clock sample; before the first tick
        // there is none.
        ShowRecordingError(this, QStringLiteral(
            "The recording can not start yet: the clock has not been read. Please try again in a second."));
        return false;
    }
    session_.RecordingFileName = records::MakeRecordFileName(
        StartFolder, ClockTexts.Year.toInt(), ClockTexts.Month.toInt(), ClockTexts.Day.toInt(),
        ClockTexts.Hour.toInt(), ClockTexts.Minute.toInt(), ClockTexts.Second.toInt());
    if (!file) file = std::make_unique<records::RecordFileWriter>(RecordToDisk);
    if (!file->Open(session_.RecordingFileName)) {
        ShowRecordingError(this, QStringLiteral("Can't create the record file %1. Please check that the folder "
                                                "can be written to.").arg(session_.RecordingFileName));
        return false;
    }
    session_.ReadingCount = 0;
    appendProblem_.clear();
    linkWatch_.StartRecording();
    ShowStripMessage();
    return true;
}

int TFormMain::TakeReading() {
    device::LevelReply reply;
    {
        // A failure costs this second's reading, never the next ones: the
        // link's box would hold the recording until somebody pressed OK.
        // The tick tells the user itself, without waiting (see LinkWatch).
        const Appusb::ScopedFailureReporter quiet{Appusb::FailureReporter()};
        reply = device::ReadLevelWord();
    }
    const int result = reply.result;
    const auto word = live::LiveWordFromReply(result, reply.bytes.data());
    if (!word) return result;  // no reading this second: nothing stale is decoded, stored or shown

    // The session stores, counts and writes it; the window shows it as the
    // session tells it (ShowAppendedPoints, ShowLiveReading).
    const auto appended = session_.AppendLive(*word, ClockTexts, platform::LocalNow());
    if (!appended.written && appendProblem_.isEmpty()) {
        // Said once per recording, in the status strip: a box would stop the
        // readings until somebody answers it.
        appendProblem_ = QStringLiteral("Readings are not being saved: the record file can't be written.");
        ShowStripMessage();
    }
    return result;
}

void TFormMain::ShowAppendedPoints(int /*firstRow*/, int /*count*/) {
    // The curves draw straight from the session's store: the new points
    // show with the next replot, one per event-loop pass however many
    // readings came.
    Chart1->replot(QCustomPlot::rpQueuedReplot);
}

void TFormMain::ShowDataReset() { Chart1->replot(QCustomPlot::rpQueuedReplot); }

void TFormMain::ShowLiveReading(float level) {
    const reading::ReadingTexts& texts = session_.LiveTexts;
    // The meter face.
    Label_DB->setText(reading::DigitText(texts.Value));
    if (const auto labels = reading::ScaleLabels(texts.Range.toInt())) {
        Label_LcdStart->setText(QString::fromLatin1(labels->lower));
        Label_LcdEnd->setText(QString::fromLatin1(labels->upper));
    }
    LabelAC->setText(texts.Weighting);
    LabelFS->setText(texts.Response);

    // The grid follows the new row while it showed the newest rows.
    if (gridFollowing_) StringGrid->scrollToBottom();

    if (live::ScrollsWindow(session_.ReadingCount)) {
        Chart1->SetBottomMaximum(Chart1->BottomMaximum() + 1);
        Chart1->SetBottomMinimum(Chart1->BottomMinimum() + 1);
    }

    // The big-digit page and the summary line.
    Label4->setText(Label_DB->text());
    Chart2->ShowBar(level);
    ChartTool_Txt->SetText(live::SummaryLine(texts, session_.RunningMax, session_.RunningMin));
}
