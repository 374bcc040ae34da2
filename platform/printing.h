// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place the program prints. A print job is one page: the caller
// draws it on the paint device it is handed (opening its own painter, so a
// chart library can use a painter of its own kind), inside `area`, the
// printable part of the page in the device's coordinates. The system
// version prints on the default printer without a dialog; tests install a
// printer that writes a PDF file (platform/testing/pdf_printer.h).
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>

class QPaintDevice;

namespace platform {

// Draws the page; returns false when it could not paint on the device
// (for a printer: the job could not be started).
using PageDrawer = std::function<bool(QPaintDevice& device, const QRect& area)>;

class Printer {
public:
    virtual ~Printer() = default;
    // Prints one page titled `jobTitle`; false with a message for the user
    // in *error when there is no printer or the job fails.
    virtual bool Print(const QString& jobTitle, const PageDrawer& draw, QString* error) = 0;
};

bool PrintPage(const QString& jobTitle, const PageDrawer& draw, QString* error);

// Installs a printer; nullptr puts back the system's default printer. Not owned.
void SetPrinter(Printer* printer);

// The message when no printer is set up.
inline constexpr const char* NoPrinterMessage = "No printer is set up: the chart can't be printed.";

// Where a picture of `picture` size goes on a page whose printable area is
// `page`, keeping its proportions: a picture wider than high spans the
// page's width less 15 % of it on each side and is centred vertically;
// any other spans the page's height less 15 % of it at the top and at the
// bottom and is centred horizontally. An empty picture or page gives an
// empty rectangle.
inline QRect PlaceWithMargins(const QSize& picture, const QRect& page) {
    if (picture.isEmpty() || page.isEmpty()) return {};
    if (picture.width() > picture.height()) {
        const int margin = page.width() * 15 / 100;
        const int width = page.width() - 2 * margin;
        const int height = int(qint64(width) * picture.height() / picture.width());
        return QRect(page.left() + margin, page.top() + (page.height() - height) / 2, width, height);
    }
    const int margin = page.height() * 15 / 100;
    const int height = page.height() - 2 * margin;
    const int width = int(qint64(height) * picture.width() / picture.height());
    return QRect(page.left() + (page.width() - width) / 2, page.top() + margin, width, height);
}

}  // namespace platform
