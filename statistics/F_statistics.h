// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Noise statistics" window: a chooser for the interval length, the
// table of clock intervals, the whole-data summary, the noise dose and an
// "Export CSV" button. Not modal. It observes the readings session (through
// its own feed) and is never written into by other code: while a recording
// runs it refreshes once per batch of appended rows, coalesced into one
// refresh per pass of the event loop; a reset or a new file recomputes.
//
// The pages sit in a tab widget, this one first, so other pages can be added
// beside it (AddPage).
#include "statistics/noise_statistics.h"

#include <QWidget>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableView;
class QTimer;

namespace reading {
class ReadingsSession;
}

namespace noisestats {
class IntervalTableModel;
class SessionFeed;
}  // namespace noisestats

class TFormNoiseStatistics : public QWidget {
    Q_OBJECT
public:
    explicit TFormNoiseStatistics(const reading::ReadingsSession& session, QWidget* owner = nullptr);
    ~TFormNoiseStatistics() override;

    // Adds a page after the ones there; the window keeps it.
    void AddPage(QWidget* page, const QString& title);

    // Shows the statistics as they stand now (what the coalesced refresh runs).
    void Refresh();
    // Asks for a file name through the save dialog and writes the interval table there.
    void ExportCsvClick();

    const noisestats::NoiseStatistics& Statistics() const;
    // The feed the window shows (the alarms follow its readings too).
    noisestats::SessionFeed& Feed() { return *feed_; }
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

private:
    QWidget* BuildStatisticsPage();
    QWidget* BuildTopRow(QWidget* parent);
    void ScheduleRefresh();
    void ShowSourceNote();
    void ShowSummary();
    void ShowDose();

    std::unique_ptr<noisestats::SessionFeed> feed_;
    noisestats::IntervalTableModel* model_;
    QTimer* refresh_;
};
