// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Alarms" panel: the rule's settings (on/off, threshold, level or
// running Leq and its span, minimum duration, hysteresis, weighting), what
// is going on now, and the list of alarms that ended. It edits the watch it
// is given (the program's, so settings outlive the window) and only shows
// it; the owner feeds the readings and calls Refresh.
#include "statistics/alarm_watch.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;
class QTableWidget;

namespace noisestats {

class AlarmsPanel : public QWidget {
    Q_OBJECT
public:
    explicit AlarmsPanel(AlarmWatch& watch, QWidget* parent = nullptr);

    // Shows the watch: the list of alarms and the state line.
    void Refresh();

    // The controls, for tests and the window's layout.
    QCheckBox* enabled;
    QDoubleSpinBox* threshold;     // dB
    QComboBox* mode;               // "Level (1 s)", "Running Leq"
    QComboBox* window;             // the running Leq's span: 1, 5, 15, 30, 60 min
    QSpinBox* minimum;             // s
    QDoubleSpinBox* hysteresis;    // dB
    QComboBox* weighting;          // "A", "C"
    QLabel* state;
    QTableWidget* list;

signals:
    // The settings changed and the watch started over: an opened file's
    // readings are to be run again.
    void settingsChanged();

private:
    void ShowSettings();
    void Apply();
    AlarmWatch& watch_;
    bool showing_ = false;
};

// The program's alarms: one watch for as long as the program runs.
AlarmWatch& ProgramAlarms();

}  // namespace noisestats
