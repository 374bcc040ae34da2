// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Measurement report" command as a small panel: a note (location,
// purpose) and the button. The owner says what the report holds; the note
// stays while the program runs.
#include "noise/report.h"

#include <QWidget>
#include <functional>

class QPlainTextEdit;
class QPushButton;

namespace noisestats {

class ReportPanel : public QWidget {
    Q_OBJECT
public:
    // `gather` builds the report of the data on show, with the note given.
    using Gather = std::function<MeasurementReport(const QString& note)>;
    explicit ReportPanel(Gather gather, QWidget* parent = nullptr);

    QPlainTextEdit* note;
    QPushButton* button;
    QString lastWritten;  // the last report's path

private:
    void Write();
    Gather gather_;
};

}  // namespace noisestats
