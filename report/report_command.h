// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Measurement report" command: asks where to save the PDF (the save
// dialog seam), stamps the report with the time it is made and writes it;
// a failure is told in a box and leaves an older file as it was.
#include "noise/report.h"

#include <QObject>
#include <QString>

namespace noisestats {

// The path written; empty when the user cancelled, the report holds no
// readings (refused with "No data you want to save!", no dialog) or the
// file could not be written (the user has been told).
QString RunMeasurementReport(MeasurementReport report, QObject* owner);

// "report 2026-03-14 0800.pdf": the proposed name, after the data's start.
QString ProposedReportName(const MeasurementReport& report);

}  // namespace noisestats
