// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise_windows/report_panel.h"
#include "report/report_command.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace noisestats {

namespace {
// The note outlives the window: a user writing several reports of one site
// types it once.
QString& KeptNote() {
    static QString note;
    return note;
}
}  // namespace

ReportPanel::ReportPanel(Gather gather, QWidget* parent) : QWidget(parent), gather_(std::move(gather)) {
    note = new QPlainTextEdit(this);
    note->setPlaceholderText(QStringLiteral("Location, purpose, meter position..."));
    note->setPlainText(KeptNote());
    note->setMaximumHeight(90);
    button = new QPushButton(QStringLiteral("Measurement report..."), this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Note for the report:"), this));
    layout->addWidget(note);
    layout->addWidget(button, 0, Qt::AlignLeft);
    layout->addStretch(1);  // in a tall tab, the note and button stay at its top
    connect(note, &QPlainTextEdit::textChanged, this, [this] { KeptNote() = note->toPlainText(); });
    connect(button, &QPushButton::clicked, this, &ReportPanel::Write);
}

void ReportPanel::Write() {
    if (!gather_) return;
    const QString path = RunMeasurementReport(gather_(note->toPlainText()), this);
    if (!path.isEmpty()) lastWritten = path;
}

}  // namespace noisestats
