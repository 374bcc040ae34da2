// SPDX-License-Identifier: GPL-3.0-or-later
// The system printer: the default printer, one page, no dialog. Part of the
// window library (Qt Print Support needs Widgets).
#include "platform/printing.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace platform {
namespace {

class SystemPrinter final : public Printer {
public:
    bool Print(const QString& jobTitle, const PageDrawer& draw, QString* error) override {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull() || info.printerName().isEmpty()) {
            if (error) *error = QString::fromLatin1(NoPrinterMessage);
            return false;
        }
        // At screen resolution the chart's fonts keep their size relative
        // to its lines; at the printer's own resolution they would not.
        QPrinter printer(info, QPrinter::ScreenResolution);
        printer.setDocName(jobTitle);
        printer.setCopyCount(1);
        const QRect area(QPoint(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
        if (!draw(printer, area) || printer.printerState() == QPrinter::Error ||
            printer.printerState() == QPrinter::Aborted) {
            if (error)
                *error = QStringLiteral("The chart could not be printed on \"%1\".").arg(info.printerName());
            return false;
        }
        return true;
    }
};

Printer* installed = nullptr;

}  // namespace

bool PrintPage(const QString& jobTitle, const PageDrawer& draw, QString* error) {
    if (installed) return installed->Print(jobTitle, draw, error);
    SystemPrinter system;
    return system.Print(jobTitle, draw, error);
}

void SetPrinter(Printer* printer) { installed = printer; }

}  // namespace platform
