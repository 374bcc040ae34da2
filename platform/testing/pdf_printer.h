// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A printer for tests: each job becomes a PDF file, so a test can count its
// pages and look at what was drawn. The test installs it with
// platform::SetPrinter and puts the system printer back afterwards.
#include "../printing.h"

#include <QPageSize>
#include <QString>

namespace platform::testing {

class PdfPrinter final : public Printer {
public:
    // Jobs are written to `path` (each job replaces the last). The page is
    // A4 portrait with 10 mm margins at 96 dots per inch, as the system
    // printer's screen-resolution pages are.
    explicit PdfPrinter(QString path) : path(std::move(path)) {}

    bool Print(const QString& jobTitle, const PageDrawer& draw, QString* error) override;

    bool missing = false;                 // act as if no printer were set up
    int jobs = 0;                         // jobs printed
    QString lastTitle;                    // title of the last job
    QRect lastArea;                       // printable area handed to the last job
    QString path;
    static constexpr int Resolution = 96;
};

}  // namespace platform::testing
