// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The report's chart: the levels of each weighting over the whole data,
// alarms as shaded bands, local time below. Drawn through the chart
// library's own painter so it stays vector on a PDF page.
#include "noise/report.h"

#include <QRectF>

class QCPPainter;

namespace noisestats {

// Draws the chart into `frame` (the painter's coordinates): laid out at a
// screen-like size and scaled to the frame, so fonts and lines keep their
// proportions. Needs a QApplication (the chart is a widget, never shown).
void DrawReportChart(const MeasurementReport& report, QCPPainter& painter, const QRectF& frame);

}  // namespace noisestats
