// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/alarm_bands.h"

#include <qcustomplot.h>

namespace noisestats {

AlarmBands::AlarmBands(QCustomPlot* plot, QColor colour) : plot_(plot), colour_(colour) {
    if (!plot_->layer(QString::fromLatin1(LayerName)))
        plot_->addLayer(QString::fromLatin1(LayerName), plot_->layer(QStringLiteral("grid")), QCustomPlot::limAbove);
}

QCPItemRect* AlarmBands::NewBand(double from, double to) {
    auto* band = new QCPItemRect(plot_);
    band->setLayer(QString::fromLatin1(LayerName));
    band->setClipToAxisRect(true);
    band->setSelectable(false);
    for (QCPItemPosition* p : {band->topLeft, band->bottomRight}) {
        p->setTypeX(QCPItemPosition::ptPlotCoords);
        p->setTypeY(QCPItemPosition::ptAxisRectRatio);  // the whole height, whatever the level axis shows
    }
    band->topLeft->setCoords(from, 0);
    band->bottomRight->setCoords(to, 1);
    band->setPen(Qt::NoPen);
    band->setBrush(colour_);
    bands_.push_back(band);
    return band;
}

void AlarmBands::Start(double x) { running_ = NewBand(x, x); }

void AlarmBands::Extend(double x) {
    if (running_) running_->bottomRight->setCoords(x, 1);
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
