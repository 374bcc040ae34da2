// SPDX-License-Identifier: GPL-3.0-or-later
// What the main window shows of the readings: the "Online records" command,
// forwarded to the recorder; the readings the session tells of (meter face,
// grid, chart, big digits, summary line); the recorder's strip; running
// alarms as bands on the live chart.
#include "monitor/F_main.h"
#include "monitor/reading_grid.h"
#include "reading/live_reading.h"
#include "reading/readings_session.h"
#include "recording/recorder.h"
#include "report/alarm_bands.h"
#include "statistics/noise_stream.h"

#include <QLabel>
#include <QScrollBar>

void TFormMain::ToolButton3Click() {
    // Stop: only the appending ends; the file stays open and everything
    // shown stays as it is.
    if (recorder_->Recording()) {
        recorder_->StopRecording();
        return;
    }
    recorder_->SetWorkFolder(StartFolder);  // the program's working folder, as it stands now
    recorder_->StartRecording();
}

void TFormMain::ShowStrip(const recording::StripTexts& strip) {
    LabelUSBState->setText(strip.link);
    Label5->setText(strip.message);
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

namespace {

// The bands of running alarms on the live chart, kept for as long as the
// chart exists. The chart has one point a reading: an alarm's start lies as
// many points back from the newest as seconds.
class LiveAlarmMarks : public QObject {
public:
    LiveAlarmMarks(noisestats::NoiseStream& stream, const reading::ReadingsSession& session, QCustomPlot* chart)
        : QObject(chart), bands_(chart) {
        connect(&stream, &noisestats::NoiseStream::AlarmBandsCleared, this, [this] { bands_.Clear(); });
        // An opened file's alarms get their bands too, one point a row.
        connect(&stream, &noisestats::NoiseStream::FileAlarmsFound, this,
                [this, &stream](const std::vector<noisestats::AlarmRow>& rows) {
                    bands_.Clear();
                    for (const auto& span : stream.RowsOf(rows)) bands_.Add(span.first - 1, span.last - 1);
                });
        connect(&stream, &noisestats::NoiseStream::LiveAlarmStep, this,
                [this, &session](std::int64_t epoch, const noisestats::AlarmStep& step) {
                    const double x = double(session.Curves().Count()) - 1;
                    if (step.ended) bands_.End(x - double(epoch - step.ended->endEpoch) - 1);
                    if (step.started) bands_.Start(x - double(epoch - *step.started));
                    if (bands_.Running()) bands_.Extend(x);
                });
    }

private:
    noisestats::AlarmBands bands_;
};

}  // namespace

void TFormMain::MarkAlarmsOnChart() { new LiveAlarmMarks(stream_, session_, Chart1); }
