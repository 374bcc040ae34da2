// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise_windows/F_statistics.h"

#include "platform/file_dialogs.h"
#include "platform/messages.h"
#include "statistics/csv_export.h"
#include "noise/dose.h"
#include "statistics/interval_table_model.h"
#include "noise/labels.h"
#include "noise/report.h"
#include "statistics/noise_stream.h"
#include "statistics/session_feed.h"
#include "noise_windows/alarms_panel.h"
#include "noise_windows/report_panel.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

using namespace noisestats;

namespace {

QString DurationText(std::int64_t seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QChar(u'0'))
        .arg(seconds % 60, 2, 10, QChar(u'0'));
}

// "LAeq from 1 s SLOW readings: 65,2 dB; LAmax 70,1 dB; ...", each figure
// marked that readings beyond their range make a bound ("LAmax ≥ 80,1 dB").
QString WeightingLine(Weighting w, const LevelSummary& s) {
    auto name = [&](Quantity q) { return QuantityName(w, q); };
    auto tenths = [](Bound b, int t) { return BoundMark(b) + LevelText(t / 10.0); };
    const FigureBounds& b = s.bounds;
    QString line = LabelledName(w, Quantity::Leq, s.responses) + QStringLiteral(": ") + BoundMark(b.leq) +
                   LevelText(s.leq) + QStringLiteral(" dB; ");
    line += QStringLiteral("%1 %2 dB, %3 %4 dB, %5 %6 dB, %7 %8 dB, %9 %10 dB, ")
                .arg(name(Quantity::Max), tenths(b.max, s.maxTenths), name(Quantity::Min), tenths(b.min, s.minTenths),
                     name(Quantity::L10), tenths(b.l10, s.l10Tenths), name(Quantity::L50), tenths(b.l50, s.l50Tenths),
                     name(Quantity::L90))
                .arg(tenths(b.l90, s.l90Tenths));
    line += QStringLiteral("%1 %2%3 dB").arg(name(Quantity::Exposure), BoundMark(b.leq), LevelText(s.sel));
    QStringList beyond;
    if (s.overRange > 0) beyond << QStringLiteral("%1 readings over their range").arg(s.overRange);
    if (s.underRange > 0)
        beyond << (s.overRange > 0 ? QStringLiteral("%1 under it") : QStringLiteral("%1 readings under their range"))
                      .arg(s.underRange);
    if (!beyond.isEmpty()) line += QStringLiteral(" (%1)").arg(beyond.join(QStringLiteral(", ")));
    return line;
}

QString DoseLine(const char* body, const DoseCriterion& c, double dosePercent, std::int64_t seconds, Bound bound) {
    const DoseReport r = ReportDose(c, dosePercent, seconds);
    const QString mark = BoundMark(bound);
    QString line = QStringLiteral("%1: dose so far %2%3 %")
                       .arg(QString::fromLatin1(body), mark, CommaDecimal(r.dosePercent, 2));
    if (r.projected8hPercent)
        line += QStringLiteral(", projected 8-hour dose %1%2 %").arg(mark, CommaDecimal(*r.projected8hPercent, 1));
    line += r.twa ? QStringLiteral(", TWA %1%2 dBA").arg(mark, CommaDecimal(*r.twa, 1)) : QStringLiteral(", TWA none");
    return line;
}

}  // namespace

TFormNoiseStatistics::TFormNoiseStatistics(NoiseStream& stream, QWidget* owner)
    : QWidget(owner, Qt::Window),
      stream_(stream),
      model_(new IntervalTableModel(this)),
      refresh_(new QTimer(this)) {
    setWindowTitle(QStringLiteral("Noise statistics"));
    setWindowModality(Qt::NonModal);
    auto* layout = new QVBoxLayout(this);
    Tabs = new QTabWidget(this);
    layout->addWidget(Tabs);
    Tabs->addTab(BuildStatisticsPage(), QStringLiteral("Statistics"));
    Alarms = new AlarmsPanel(stream_, Tabs);
    Tabs->addTab(Alarms, QStringLiteral("Alarms"));
    ReportPage = new ReportPanel([this](const QString& note) { return stream_.Report(note); }, Tabs);
    Tabs->addTab(ReportPage, QStringLiteral("Measurement report"));
    resize(980, 560);

    // Rows come once a second while recording and all at once from a file:
    // one refresh per pass of the event loop, whatever the number of batches.
    refresh_->setSingleShot(true);
    refresh_->setInterval(0);
    connect(refresh_, &QTimer::timeout, this, &TFormNoiseStatistics::Refresh);
    connect(&stream_, &NoiseStream::StatisticsChanged, this, &TFormNoiseStatistics::ScheduleRefresh);
    Refresh();
}

TFormNoiseStatistics::~TFormNoiseStatistics() = default;

QWidget* TFormNoiseStatistics::BuildStatisticsPage() {
    auto* page = new QWidget(Tabs);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(BuildTopRow(page));
    SourceNote = new QLabel(page);
    SourceNote->setWordWrap(true);
    layout->addWidget(SourceNote);
    IntervalTable = new QTableView(page);
    IntervalTable->setModel(model_);
    IntervalTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    IntervalTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    IntervalTable->verticalHeader()->setDefaultSectionSize(20);
    layout->addWidget(IntervalTable, 1);
    Summary = new QLabel(page);
    Summary->setWordWrap(true);
    Summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(Summary);
    Dose = new QLabel(page);
    Dose->setWordWrap(true);
    Dose->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(Dose);
    return page;
}

QWidget* TFormNoiseStatistics::BuildTopRow(QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Interval length:"), row));
    IntervalChooser = new QComboBox(row);
    for (IntervalLength l : Lengths) IntervalChooser->addItem(QStringLiteral("%1 min").arg(int(l) / 60));
    layout->addWidget(IntervalChooser);
    layout->addStretch(1);
    ButtonExportCsv = new QPushButton(QStringLiteral("Export CSV"), row);
    layout->addWidget(ButtonExportCsv);
    connect(IntervalChooser, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i < 0 || i >= int(std::size(Lengths))) return;
        stream_.SetLength(Lengths[i]);
        Refresh();  // at once: the user is waiting for it
    });
    connect(ButtonExportCsv, &QPushButton::clicked, this, &TFormNoiseStatistics::ExportCsvClick);
    return row;
}

void TFormNoiseStatistics::AddPage(QWidget* page, const QString& title) { Tabs->addTab(page, title); }

const NoiseStatistics& TFormNoiseStatistics::Statistics() const { return stream_.Feed().Statistics(); }

void TFormNoiseStatistics::ScheduleRefresh() {
    if (!refresh_->isActive()) refresh_->start();
}

void TFormNoiseStatistics::Refresh() {
    refresh_->stop();
    model_->Update(stream_.Feed().Statistics(), stream_.Feed().Generation());
    ShowSourceNote();
    ShowSummary();
    ShowDose();
    ButtonExportCsv->setEnabled(stream_.Feed().Readings() > 0);
}

void TFormNoiseStatistics::ShowSourceNote() {
    QStringList notes;
    const RowDateTimeReader& times = stream_.Feed().RowTimes();
    if (stream_.Feed().TextReadings() > 0 && !(times.DateForm().isEmpty() && times.TimeForm().isEmpty())) {
        // Written with other language settings than the user's now: said, as
        // the forms the texts were read in.
        QStringList forms;
        if (!times.DateForm().isEmpty()) forms << QStringLiteral("its dates in the form %1").arg(times.DateForm());
        if (!times.TimeForm().isEmpty()) forms << QStringLiteral("its times in the form %1").arg(times.TimeForm());
        QString read = QStringLiteral("The file was written with other language settings than these: it is read "
                                      "with %1.")
                           .arg(forms.join(QStringLiteral(" and ")));
        if (!times.RivalDateForm().isEmpty())
            read += QStringLiteral(" Read in the form %1, some dates would be other days.").arg(times.RivalDateForm());
        notes << read;
    }
    if (stream_.Feed().UnreadRows() > 0)
        notes << QStringLiteral("The date or time of %1 rows could not be read in any form the program writes: "
                                "those readings are left out.")
                     .arg(stream_.Feed().UnreadRows());
    if (stream_.Feed().TextReadings() > 0)
        notes << QStringLiteral("Readings of a text or spreadsheet file: time weighting unknown, range ends "
                                "not known.");
    if (const std::int64_t refused = stream_.Feed().Statistics().RefusedReadings())
        notes << QStringLiteral("%1 readings outside 0,0 to 199,9 dB were left out.").arg(refused);
    if (const std::int64_t repeated = stream_.Feed().Statistics().RepeatedReadings())
        notes << QStringLiteral("%1 readings fell on a second that was counted already and were left out (the "
                                "first reading of a second counts).")
                     .arg(repeated);
    SourceNote->setText(notes.join(u' '));
    SourceNote->setVisible(!notes.isEmpty());
}

void TFormNoiseStatistics::ShowSummary() {
    const PeriodResult whole = stream_.Feed().Statistics().Whole();
    if (whole.coveredSeconds == 0) {
        Summary->setText(QStringLiteral("No readings."));
        return;
    }
    QStringList lines;
    PeriodResult last = whole;
    last.startEpoch += whole.lengthSeconds - 1;
    lines << QStringLiteral("Whole data: from %1 to %2 (%3), %4 s covered, %5 s missing")
                 .arg(LocalStartText(whole), LocalStartText(last), DurationText(whole.lengthSeconds))
                 .arg(whole.coveredSeconds)
                 .arg(whole.missingSeconds);
    if (const QString setBacks = ReportSetBacks(stream_.Feed().Statistics().SetBacks()); !setBacks.isEmpty())
        lines << setBacks + QStringLiteral(" (no second is counted twice)");
    if (whole.a) lines << WeightingLine(Weighting::A, *whole.a);
    if (whole.c) lines << WeightingLine(Weighting::C, *whole.c);
    if ((whole.a && whole.a->BeyondRange()) || (whole.c && whole.c->BeyondRange())) lines << BoundLegend();
    Summary->setText(lines.join(u'\n'));
}

void TFormNoiseStatistics::ShowDose() {
    const PeriodResult whole = stream_.Feed().Statistics().Whole();
    if (!whole.a) {
        Dose->setText(QStringLiteral("Noise dose: no A-weighted readings."));
        return;
    }
    const LevelSummary& a = *whole.a;
    Dose->setText(DoseLine("OSHA (90 dBA, 5 dB exchange rate)", kOsha, a.oshaDosePercent, a.readings, a.bounds.dose) +
                  u'\n' +
                  DoseLine("NIOSH (85 dBA, 3 dB exchange rate)", kNiosh, a.nioshDosePercent, a.readings, a.bounds.dose));
}

void TFormNoiseStatistics::ExportCsvClick() {
    platform::FileDialogRequest request;
    request.save = true;
    request.filter = QStringLiteral("CSV file [*.csv]|*.csv");
    request.proposedName = QStringLiteral("noise statistics.csv");
    request.owner = this;
    const platform::FileDialogAnswer answer = platform::AskForFile(request);
    if (!answer.accepted || answer.path.isEmpty()) return;
    QString path = answer.path;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".csv");
    QString error;
    if (!SaveIntervalCsv(path, stream_.Feed().Statistics(), &error))
        platform::ShowBox(this, QStringLiteral("Noise statistics"),
                          QStringLiteral("The file %1 could not be written: %2").arg(path, error),
                          platform::MessageIcon::Error);
}
