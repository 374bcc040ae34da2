// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/alarm_bands.h"

#include <qcustomplot.h>

namespace noisestats {

AlarmBands::AlarmBands(QCustomPlot* plot, QColor colour) : plot_(plot), colour_(colour) {
    if (!plot_->layer(QString::fromLatin1(LayerName)))
        plot_->addLayer(QString::fromLatin1(LayerName), plot_->layer(QStringLiteral("grid")), QCustomPlot::limBelow);
    // The bands' time axis is the chart's bottom axis (an item's default).
    rangeWatch_ = QObject::connect(plot_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), plot_,
                                   [this](const QCPRange&) { Cull(); });
}

AlarmBands::~AlarmBands() { QObject::disconnect(rangeWatch_); }

void AlarmBands::ShowIfInRange(QCPItemRect* band) const {
    const QCPRange range = plot_->xAxis->range();
    const bool in = band->topLeft->coords().x() <= range.upper && band->bottomRight->coords().x() >= range.lower;
    if (band->visible() != in) band->setVisible(in);
}

void AlarmBands::Cull() {
    for (QCPItemRect* band : bands_) ShowIfInRange(band);
}

QCPItemRect* AlarmBands::NewBand(double from, double to) {
    auto* band = new QCPItemRect(plot_);
    band->setLayer(QString::fromLatin1(LayerName));
    band->setClipToAxisRect(true);
    band->setSelectable(false);
    band->setAntialiased(false);
    for (QCPItemPosition* p : {band->topLeft, band->bottomRight}) {
        p->setTypeX(QCPItemPosition::ptPlotCoords);
        p->setTypeY(QCPItemPosition::ptAxisRectRatio);  // the whole height, whatever the level axis shows
    }
    band->topLeft->setCoords(from, 0);
    band->bottomRight->setCoords(to, 1);
    band->setPen(Qt::NoPen);
    band->setBrush(colour_);
    bands_.push_back(band);
    ShowIfInRange(band);
    return band;
}

void AlarmBands::Start(double x) { running_ = NewBand(x, x); }

void AlarmBands::Extend(double x) {
    if (!running_) return;
    running_->bottomRight->setCoords(x, 1);
    ShowIfInRange(running_);
}

void AlarmBands::End(double x) {
    Extend(x);
    running_ = nullptr;
}

void AlarmBands::Add(double from, double to) { NewBand(from, to); }

void AlarmBands::Clear() {
    for (QCPItemRect* band : bands_) plot_->removeItem(band);
    bands_.clear();
    running_ = nullptr;
}

}  // namespace noisestats
