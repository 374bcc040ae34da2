// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's open and save commands: they forward to records/,
// which fills or writes out the readings session; the window shows the
// session's changes as it tells them.
#include "device/meter_use.h"
#include "monitor/F_main.h"
#include "reading/live_reading.h"
#include "records/file_commands.h"

#include <memory>

records::FileCommandContext TFormMain::FileCommands() {
    records::FileCommandContext context;
    context.owner = this;
    context.session = &session_;
    context.startFolder = StartFolder;
    // The tick's one hold: while it lasts, the recorder's tick is stopped.
    context.holdTick = [hold = std::shared_ptr<std::unique_ptr<device::MeterUse>>(
                            std::make_shared<std::unique_ptr<device::MeterUse>>())](bool held) {
        if (held) *hold = std::make_unique<device::MeterUse>();
        else hold->reset();
    };
    return context;
}

void TFormMain::ToolButton1Click() {
    const records::LoadOutcome outcome = records::RunOpenCommand(FileCommands());
    if (outcome.fileName.isEmpty()) return;
    OpenFileName = outcome.fileName;
    if (!outcome.ignored) AfterLoad(outcome.loaded);
}

void TFormMain::LoadFile() {
    const records::LoadOutcome outcome = records::LoadFile(FileCommands(), OpenFileName);
    OpenFileName = outcome.fileName;
    if (!outcome.ignored) AfterLoad(outcome.loaded);
}

void TFormMain::AfterLoad(bool loaded) {
    // The chart's summary line speaks of the data on show: over a chart that
    // a failed or empty load has emptied it says nothing; over a file, its
    // last reading and extremes, not the last recording's.
    const int last = session_.Table().RowCount() - 1;
    if (!loaded || session_.ReadingCount == 0 || last < 1) {
        ChartTool_Txt->SetText(QString());
        return;
    }
    reading::ReadingTexts texts;
    texts.Value = session_.Table().Cell(1, last);
    texts.Time = session_.Table().Cell(3, last);
    texts.Date = session_.Table().Cell(4, last);
    ChartTool_Txt->SetText(live::SummaryLine(texts, session_.RunningMax, session_.RunningMin));
}

void TFormMain::ToolButton2Click() { records::RunSaveCommand(FileCommands()); }
