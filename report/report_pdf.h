// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The measurement report as one PDF page: title, note, period, weightings,
// a chart of the whole data in its frame, the whole-data statistics, as
// many interval rows as fit ("and N more"), the alarms, gaps and
// stretches at the range's end, and the program's name and version. All
// text is text (found by a PDF's text search); the chart stays vector.
#include "noise/report.h"

#include <QLocale>
#include <QPageSize>
#include <QString>

class QIODevice;

namespace noisestats {

// A4, or Letter where the locale measures in US units.
QPageSize ReportPageSize(const QLocale& locale);

// Writes the page to `out` (open for writing). False with a reason when
// the painter could not be opened.
bool WriteReportPdf(const MeasurementReport& report, const QPageSize& pageSize, QIODevice& out, QString* error);

// Writes the page beside `path` and puts it in place only when complete,
// so a failed write leaves an older file as it was.
bool SaveReportPdf(const MeasurementReport& report, const QPageSize& pageSize, const QString& path, QString* error);

}  // namespace noisestats
