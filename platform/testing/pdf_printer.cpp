// SPDX-License-Identifier: GPL-3.0-or-later
#include "pdf_printer.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPdfWriter>

namespace platform::testing {

bool PdfPrinter::Print(const QString& jobTitle, const PageDrawer& draw, QString* error) {
    if (missing) {
        if (error) *error = QString::fromLatin1(NoPrinterMessage);
        return false;
    }
    QPdfWriter writer(path);
    writer.setTitle(jobTitle);
    writer.setResolution(Resolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    const QRect area(QPoint(0, 0), writer.pageLayout().paintRectPixels(Resolution).size());
    lastTitle = jobTitle;
    lastArea = area;
    if (!draw(writer, area)) {
        if (error) *error = QStringLiteral("The PDF file \"%1\" could not be written.").arg(path);
        return false;
    }
    ++jobs;
    return true;
}

}  // namespace platform::testing
