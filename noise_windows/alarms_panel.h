// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Alarms" panel: the rule's settings (on/off, threshold, level or
// running Leq and its span, minimum duration, hysteresis, weighting), what
// is going on now, and the list of alarms that ended. A view of the
// program's stream of readings: the settings it sets are the stream's, so
// they outlive the window, and it shows the stream's alarms as they change.
#include "noise/alarm_watch.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;
class QTableWidget;

namespace noisestats {

class NoiseStream;

class AlarmsPanel : public QWidget {
    Q_OBJECT
public:
    explicit AlarmsPanel(NoiseStream& stream, QWidget* parent = nullptr);

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

private:
    void ShowSettings();
    void Apply();
    NoiseStream& stream_;
    const AlarmWatch& watch_;
    bool showing_ = false;
};

}  // namespace noisestats
