// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Noise statistics" window: a chooser for the interval length, the
// table of clock intervals, the whole-data summary, the noise dose and an
// "Export CSV" button. Not modal. It observes the readings session (through
// its own feed) and is never written into by other code: while a recording
// runs it refreshes once per batch of appended rows, coalesced into one
// refresh per pass of the event loop; a reset or a new file recomputes.
//
// It is a view of the program's stream of readings (statistics/noise_stream.h):
// closing it changes nothing of what the stream computes. Its pages sit in
// a tab widget: the statistics, the alarms panel and the measurement
// report's panel; other pages can be added beside them (AddPage).
#include "noise/noise_statistics.h"

#include <QWidget>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableView;
class QTimer;

namespace noisestats {
class AlarmsPanel;
class IntervalTableModel;
class NoiseStream;
class ReportPanel;
class SessionFeed;
}  // namespace noisestats

class TFormNoiseStatistics : public QWidget {
    Q_OBJECT
public:
    explicit TFormNoiseStatistics(noisestats::NoiseStream& stream, QWidget* owner = nullptr);
    ~TFormNoiseStatistics() override;

    // Adds a page after the ones there; the window keeps it.
    void AddPage(QWidget* page, const QString& title);

    // Shows the statistics as they stand now (what the coalesced refresh runs).
    void Refresh();
    // Asks for a file name through the save dialog and writes the interval table there.
    void ExportCsvClick();

    const noisestats::NoiseStatistics& Statistics() const;
    // The stream the window shows.
    noisestats::NoiseStream& Stream() { return stream_; }
    noisestats::IntervalTableModel& Model() { return *model_; }

    // The interval lengths of the chooser, in its order.
    static constexpr noisestats::IntervalLength Lengths[] = {
        noisestats::IntervalLength::Minutes1, noisestats::IntervalLength::Minutes5,
        noisestats::IntervalLength::Minutes15, noisestats::IntervalLength::Minutes30,
        noisestats::IntervalLength::Minutes60};

    QTabWidget* Tabs;
    QComboBox* IntervalChooser;
    QPushButton* ButtonExportCsv;
    QLabel* SourceNote;   // how the readings' times were found
    QTableView* IntervalTable;
    QLabel* Summary;      // the whole data
    QLabel* Dose;         // OSHA and NIOSH
    noisestats::AlarmsPanel* Alarms;       // the "Alarms" page
    noisestats::ReportPanel* ReportPage;   // the "Measurement report" page

private:
    QWidget* BuildStatisticsPage();
    QWidget* BuildTopRow(QWidget* parent);
    void ScheduleRefresh();
    void ShowSourceNote();
    void ShowSummary();
    void ShowDose();

    noisestats::NoiseStream& stream_;
    noisestats::IntervalTableModel* model_;
    QTimer* refresh_;
};
