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
    // The curves take the points the session added since they last looked.
    const reading::CurveStore& store = session_.Curves();
    const std::size_t from = std::size_t(Series_rec->Count());
    if (from >= store.Count()) return;
    if (store.Count() - from == 1) {
        const double x = double(from);
        Series_rec->Add(x, store.Level(from), QColor::fromRgba(store.Colour(reading::Curve::Level, from)));
        Series_max->Add(x, store.Value(reading::Curve::Max, from), QColor::fromRgba(store.Colour(reading::Curve::Max, from)));
        Series_min->Add(x, store.Value(reading::Curve::Min, from), QColor::fromRgba(store.Colour(reading::Curve::Min, from)));
    } else {
        ColouredCurve* curves[] = {Series_rec, Series_max, Series_min};
        for (int c = 0; c < reading::CurveCount; ++c) {
            const auto curve = reading::Curve(c);
            std::vector<double> values;
            values.reserve(store.Count() - from);
            for (std::size_t i = from; i < store.Count(); ++i) values.push_back(store.Value(curve, i));
            curves[c]->AddIndexed(values, QColor::fromRgba(store.Colour(curve, store.Count() - 1)));
        }
    }
    Chart1->replot(QCustomPlot::rpQueuedReplot);
}

void TFormMain::ShowDataReset() {
    Series_rec->Clear();
    Series_max->Clear();
    Series_min->Clear();
    Chart1->replot(QCustomPlot::rpQueuedReplot);
}

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
