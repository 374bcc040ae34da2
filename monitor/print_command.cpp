// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's print command: the line chart, as it stands on screen
// (the axis ranges the user sees), on one page of the default printer,
// without a dialog. It works whichever page is shown.
#include "monitor/F_main.h"
#include "platform/messages.h"
#include "platform/printing.h"

#include <qcustomplot.h>

void TFormMain::ToolButton4Click() {
    const QSize onScreen = Chart1->size();
    const auto drawChart = [this, onScreen](QPaintDevice& device, const QRect& area) {
        QCPPainter painter;
        if (!painter.begin(&device)) return false;
        // The chart is laid out at its on-screen size and scaled onto the
        // page, so the printout looks as the chart does on screen.
        const QRect target = platform::PlaceWithMargins(onScreen, area);
        if (!target.isEmpty()) {
            painter.translate(target.topLeft());
            painter.scale(double(target.width()) / onScreen.width(),
                          double(target.height()) / onScreen.height());
            Chart1->toPainter(&painter, onScreen.width(), onScreen.height());
        }
        return painter.end();
    };
    QString error;
    if (platform::PrintPage(QStringLiteral("Chart1"), drawChart, &error)) return;
    platform::Message message;
    message.caption = QStringLiteral("Information");
    message.text = error;
    message.icon = platform::MessageIcon::Information;
    message.owner = this;
    platform::ShowMessage(message);
}
