// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report_command.h"
#include "report/report_pdf.h"

#include "platform/clock.h"
#include "platform/file_dialogs.h"
#include "platform/messages.h"

#include <QFileInfo>

namespace noisestats {

QString ProposedReportName(const MeasurementReport& report) {
    if (report.Empty()) return QStringLiteral("report.pdf");
    const QString start = ReportDateTime(report.firstEpoch, report.firstOffset);  // "yyyy-MM-dd HH:mm:ss ..."
    return QStringLiteral("report %1 %2%3.pdf").arg(start.left(10), start.mid(11, 2), start.mid(14, 2));
}

QString RunMeasurementReport(MeasurementReport report, QObject* owner) {
    // Refused as the save command refuses: a page of no readings is no report.
    if (report.Empty()) {
        platform::ShowPlainMessage(QStringLiteral("No data you want to save!"), owner);
        return {};
    }
    platform::FileDialogRequest request;
    request.save = true;
    request.filter = QStringLiteral("PDF document (*.pdf)|*.pdf");
    request.proposedName = ProposedReportName(report);
    request.owner = owner;
    const platform::FileDialogAnswer answer = platform::AskForFile(request);
    if (!answer.accepted || answer.path.isEmpty()) return {};
    QString path = answer.path;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");

    report.written = platform::LocalNow();
    QString error;
    if (SaveReportPdf(report, ReportPageSize(QLocale::system()), path, &error)) return path;
    platform::ShowBox(owner, QStringLiteral("Measurement report"), error, platform::MessageIcon::Error);
    return {};
}

}  // namespace noisestats
