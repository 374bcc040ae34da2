// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Alarms on a chart: each alarm a shaded band across the plot's height,
// from its start to its end (a running alarm: to the newest reading), on a
// layer of its own just below the grid, so grid and levels stay on top.
// The band is an opaque pale colour drawn without antialiasing: a plain
// fill, where a translucent one costs a blend of every pixel it covers on
// every redraw (a quarter of a millisecond for a band across the chart). Bands outside the time axis's range
// are hidden, so a long recording's many alarms cost nothing while
// scrolled away (the chart would clip and skip each, at a few
// microseconds apiece).
#include <QColor>
#include <QObject>
#include <QString>
#include <vector>

class QCustomPlot;
class QCPItemRect;

namespace noisestats {

class AlarmBands {
public:
    static constexpr const char* LayerName = "alarms";
    // The bands go on `plot` (not owned; it owns the bands).
    explicit AlarmBands(QCustomPlot* plot, QColor colour = QColor(250, 214, 214));
    ~AlarmBands();
    AlarmBands(const AlarmBands&) = delete;
    AlarmBands& operator=(const AlarmBands&) = delete;

    // x in the chart's own units (seconds, reading numbers).
    void Start(double x);           // a band from x to x (a running alarm)
    void Extend(double x);          // the running band reaches x
    void End(double x);             // the running band ends at x
    void Add(double from, double to);  // a finished alarm (an opened file)
    void Clear();

    bool Running() const { return running_ != nullptr; }
    int Count() const { return int(bands_.size()); }
    const std::vector<QCPItemRect*>& Bands() const { return bands_; }

private:
    QCPItemRect* NewBand(double from, double to);
    void ShowIfInRange(QCPItemRect* band) const;
    void Cull();
    QCustomPlot* plot_;
    QColor colour_;
    std::vector<QCPItemRect*> bands_;
    QCPItemRect* running_ = nullptr;
    QMetaObject::Connection rangeWatch_;
};

}  // namespace noisestats
