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

#include <QLabel>
#include <QScrollBar>

namespace {

void ShowRecordingError(QObject* owner, const QString& text) {
    platform::ShowBox(owner, QStringLiteral("Information"), text, platform::MessageIcon::Error);
}

}  // namespace

void TFormMain::ToolButton3Click() {
    if (Recording) {
        // Stop: only the appending ends; the file stays open and everything
        // shown stays as it is.
        Recording = false;
        return;
    }
    ClearTable();
    if (!CreateRecordingFile()) return;
    Recording = true;
}

void TFormMain::ClearTable() {
    // Dropping the data rows empties them: the table keeps only its header.
    ReadingCount = 0;
    Table->SetRowCount(1);
    Series_rec->Clear();
    Series_max->Clear();
    Series_min->Clear();
    Chart1->replot(QCustomPlot::rpQueuedReplot);
}

bool TFormMain::CreateRecordingFile() {
    if (RecordingFile) RecordingFile->Close();
    if (ClockTexts.IsEmpty()) {
        // The name comes from the tick's clock sample; before the first tick
        // there is none.
        ShowRecordingError(this, QStringLiteral(
            "The recording can not start yet: the clock has not been read. Please try again in a second."));
        return false;
    }
    RecordingFileName = records::MakeRecordFileName(
        StartFolder, ClockTexts.Year.toInt(), ClockTexts.Month.toInt(), ClockTexts.Day.toInt(),
        ClockTexts.Hour.toInt(), ClockTexts.Minute.toInt(), ClockTexts.Second.toInt());
    if (!RecordingFile) RecordingFile = std::make_unique<records::RecordFileWriter>(RecordToDisk);
    if (!RecordingFile->Open(RecordingFileName)) {
        ShowRecordingError(this, QStringLiteral("Can't create the record file %1. Please check that the folder "
                                                "can be written to.").arg(RecordingFileName));
        return false;
    }
    ReadingCount = 0;
    appendProblem_.clear();
    linkWatch_.StartRecording();
    ShowStripMessage();
    return true;
}

void TFormMain::AppendRecordWord() {
    const bool written = RecordingFile && RecordingFile->Append(ReadingCount, RecordWord);
    // The count moves on either way, so every later word keeps its own offset.
    ++ReadingCount;
    if (!written && appendProblem_.isEmpty()) {
        // Said once per recording, in the status strip: a box would stop the
        // readings until somebody answers it.
        appendProblem_ = QStringLiteral("Readings are not being saved: the record file can't be written.");
        ShowStripMessage();
    }
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

    LiveWord = *word;
    const QDateTime now = platform::LocalNow();
    RecordWord = reading::DecodeLive(LiveWord, ClockTexts, now, LiveTexts);
    AppendRecordWord();

    // The meter face.
    Label_DB->setText(reading::DigitText(LiveTexts.Value));
    if (const auto labels = reading::ScaleLabels(LiveTexts.Range.toInt())) {
        Label_LcdStart->setText(QString::fromLatin1(labels->lower));
        Label_LcdEnd->setText(QString::fromLatin1(labels->upper));
    }
    LabelAC->setText(LiveTexts.Weighting);
    LabelFS->setText(LiveTexts.Response);

    // A new table row; the view follows it while it shows the newest rows.
    QScrollBar* scroll = StringGrid->verticalScrollBar();
    const bool following = scroll->value() >= scroll->maximum();
    Table->SetLiveRow(int(ReadingCount), RecordWord, now.date(), now.time());
    Table->SetRowCount(Table->RowCount() + 1);
    if (following) StringGrid->scrollToBottom();

    // The three curves and the running extremes.
    const float level = reading::LevelNumber(LiveTexts.Value).value_or(0.0f);
    const double index = Series_rec->Count();
    Series_rec->Add(index, level, RecColour);
    live::UpdateExtremes(ReadingCount, level, RunningMax, RunningMin);
    Series_max->Add(index, RunningMax, MaxColour);
    Series_min->Add(index, RunningMin, MinColour);
    if (live::ScrollsWindow(ReadingCount)) {
        Chart1->SetBottomMaximum(Chart1->BottomMaximum() + 1);
        Chart1->SetBottomMinimum(Chart1->BottomMinimum() + 1);
    }

    // The big-digit page and the summary line.
    Label4->setText(Label_DB->text());
    Chart2->ShowBar(level);
    ChartTool_Txt->SetText(live::SummaryLine(LiveTexts, RunningMax, RunningMin));
    Chart1->replot(QCustomPlot::rpQueuedReplot);
    return result;
}
