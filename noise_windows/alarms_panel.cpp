// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise_windows/alarms_panel.h"
#include "noise/labels.h"
#include "noise/report.h"
#include "statistics/noise_stream.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace noisestats {

namespace {
constexpr int kWindowMinutes[] = {1, 5, 15, 30, 60};

// Level boxes show and take "," as decimal mark, as every level text of the
// program does, whatever the user's locale.
QLocale LevelLocale() {
    QLocale locale(QLocale::German, QLocale::Germany);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}
}

AlarmsPanel::AlarmsPanel(NoiseStream& stream, QWidget* parent)
    : QWidget(parent), stream_(stream), watch_(stream.Alarms()) {
    enabled = new QCheckBox(QStringLiteral("Alarm when the level stays high"), this);
    threshold = new QDoubleSpinBox(this);
    threshold->setRange(0, 199.9);
    threshold->setDecimals(1);
    threshold->setLocale(LevelLocale());
    threshold->setSingleStep(0.5);
    threshold->setSuffix(QStringLiteral(" dB"));
    mode = new QComboBox(this);
    mode->addItems({QStringLiteral("Level (once a second)"), QStringLiteral("Running Leq")});
    window = new QComboBox(this);
    for (int m : kWindowMinutes) window->addItem(QStringLiteral("over %1 min").arg(m));
    minimum = new QSpinBox(this);
    minimum->setRange(1, 86400);
    minimum->setSuffix(QStringLiteral(" s"));
    hysteresis = new QDoubleSpinBox(this);
    hysteresis->setRange(0, 30);
    hysteresis->setDecimals(1);
    hysteresis->setLocale(LevelLocale());
    hysteresis->setSingleStep(0.5);
    hysteresis->setSuffix(QStringLiteral(" dB"));
    weighting = new QComboBox(this);
    weighting->addItems({QStringLiteral("A"), QStringLiteral("C")});
    state = new QLabel(this);
    list = new QTableWidget(0, 6, this);
    list->setHorizontalHeaderLabels({QStringLiteral("Start"), QStringLiteral("End"), QStringLiteral("Duration"),
                                     QStringLiteral("Peak"), QStringLiteral("Leq"), QStringLiteral("Ended by")});
    list->verticalHeader()->hide();
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list->horizontalHeader()->setStretchLastSection(true);

    auto* form = new QFormLayout;
    form->addRow(enabled);
    form->addRow(QStringLiteral("Threshold"), threshold);
    auto* watched = new QHBoxLayout;
    watched->addWidget(mode);
    watched->addWidget(window);
    form->addRow(QStringLiteral("Watch"), watched);
    form->addRow(QStringLiteral("Weighting"), weighting);
    form->addRow(QStringLiteral("Minimum duration"), minimum);
    form->addRow(QStringLiteral("Ends when lower by"), hysteresis);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(state);
    layout->addWidget(list, 1);

    ShowSettings();
    Refresh();
    connect(enabled, &QCheckBox::toggled, this, &AlarmsPanel::Apply);
    connect(threshold, &QDoubleSpinBox::valueChanged, this, &AlarmsPanel::Apply);
    connect(mode, &QComboBox::currentIndexChanged, this, &AlarmsPanel::Apply);
    connect(window, &QComboBox::currentIndexChanged, this, &AlarmsPanel::Apply);
    connect(minimum, &QSpinBox::valueChanged, this, &AlarmsPanel::Apply);
    connect(hysteresis, &QDoubleSpinBox::valueChanged, this, &AlarmsPanel::Apply);
    connect(weighting, &QComboBox::currentIndexChanged, this, &AlarmsPanel::Apply);
    // Settings may change elsewhere too (another panel, a program without
    // this window): the panel shows the stream's as they stand.
    connect(&stream_, &NoiseStream::AlarmsChanged, this, [this] {
        ShowSettings();
        Refresh();
    });
}

void AlarmsPanel::ShowSettings() {
    showing_ = true;
    const AlarmSettings& s = watch_.Settings();
    enabled->setChecked(watch_.Enabled());
    threshold->setValue(s.thresholdTenths / 10.0);
    mode->setCurrentIndex(s.mode == AlarmMode::Level ? 0 : 1);
    int w = 1;
    for (int i = 0; i < int(std::size(kWindowMinutes)); ++i)
        if (kWindowMinutes[i] * 60 == s.windowSeconds) w = i;
    window->setCurrentIndex(w);
    window->setEnabled(s.mode == AlarmMode::SlidingLeq);
    minimum->setValue(s.minimumSeconds);
    hysteresis->setValue(s.hysteresisTenths / 10.0);
    weighting->setCurrentIndex(s.weighting == Weighting::A ? 0 : 1);
    showing_ = false;
}

void AlarmsPanel::Apply() {
    if (showing_) return;
    AlarmSettings s;
    s.thresholdTenths = int(std::lround(threshold->value() * 10));
    s.mode = mode->currentIndex() == 0 ? AlarmMode::Level : AlarmMode::SlidingLeq;
    s.windowSeconds = kWindowMinutes[std::max(0, window->currentIndex())] * 60;
    s.minimumSeconds = minimum->value();
    s.hysteresisTenths = int(std::lround(hysteresis->value() * 10));
    s.weighting = weighting->currentIndex() == 1 ? Weighting::C : Weighting::A;
    window->setEnabled(s.mode == AlarmMode::SlidingLeq);
    stream_.SetAlarms(enabled->isChecked(), s);
}

void AlarmsPanel::Refresh() {
    const AlarmSettings& s = watch_.Settings();
    if (!watch_.Enabled())
        state->setText(QStringLiteral("Alarms are off."));
    else if (watch_.Active())
        state->setText(AlarmStripText(s, watch_.ActiveSince(), watch_.ActiveOffset()));
    else
        state->setText(QStringLiteral("Watching: %1").arg(AlarmRuleText(s)));

    const std::vector<AlarmRow>& rows = watch_.Rows();
    list->setRowCount(int(rows.size()));
    for (int i = 0; i < int(rows.size()); ++i) {
        const AlarmRow& a = rows[size_t(i)];
        const QString cells[] = {
            ReportDateTime(a.startEpoch, a.utcOffsetSeconds).left(19),
            ReportDateTime(a.endEpoch, a.utcOffsetSeconds).left(19),
            ReportDuration(a.DurationSeconds()),
            QStringLiteral("%1 dB").arg(LevelText(a.peakTenths / 10.0)),
            QStringLiteral("%1 dB").arg(LevelText(a.leqDb)),
            a.end == AlarmEnd::Released ? QStringLiteral("quiet") : AlarmEndText(a.end),
        };
        for (int c = 0; c < 6; ++c) {
            QTableWidgetItem* item = list->item(i, c);
            if (!item) list->setItem(i, c, item = new QTableWidgetItem);
            item->setText(cells[c]);
        }
    }
}

}  // namespace noisestats
