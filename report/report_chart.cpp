// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report_chart.h"
#include "report/alarm_bands.h"
#include "report/report_ticks.h"

#include <QTimeZone>
#include <qcustomplot.h>

namespace noisestats {

namespace {

// The size the chart is laid out at, in pixels of a 96 dpi page.
constexpr int kLayoutWidth = 720;
// Time labels at most: a two-line "06-03 / 09:00" or "09:17:30" takes some
// 60 pixels, so 8 of them over the plot's 650 leave room between them.
constexpr int kTicks = 8;

QColor SeriesColour(Weighting w) { return w == Weighting::A ? QColor(0, 90, 170) : QColor(200, 90, 0); }

}  // namespace

void DrawReportChart(const MeasurementReport& report, QCPPainter& painter, const QRectF& frame) {
    if (frame.isEmpty()) return;
    const int width = kLayoutWidth;
    const int height = std::max(1, int(kLayoutWidth * frame.height() / frame.width()));
    QCustomPlot plot;
    plot.resize(width, height);
    plot.setBackground(Qt::white);
    // Ticks at round local times, each labelled with the time it stands at,
    // few enough that their labels never touch.
    QSharedPointer<QCPAxisTickerText> ticker(new QCPAxisTickerText);
    for (const TimeTick& tick : ReportTimeTicks(report.firstEpoch, report.lastEpoch + 1, report.firstOffset, kTicks))
        ticker->addTick(double(tick.epoch), tick.label);
    plot.xAxis->setTicker(ticker);
    plot.yAxis->setLabel(QStringLiteral("dB"));
    plot.xAxis->setRange(double(report.firstEpoch), double(report.lastEpoch + 1));

    double low = 200, high = 0;
    for (const ChartSeries& s : report.chart) {
        QCPGraph* graph = plot.addGraph();
        graph->setPen(QPen(SeriesColour(s.weighting), 1.0));
        graph->setName(s.weighting == Weighting::A ? QStringLiteral("A") : QStringLiteral("C"));
        graph->setData(QVector<double>(s.epochs.begin(), s.epochs.end()),
                       QVector<double>(s.levels.begin(), s.levels.end()));  // sorted again: a clock set back
        for (double v : s.levels)
            if (v == v) low = std::min(low, v), high = std::max(high, v);
    }
    if (low > high) low = 30, high = 130;
    plot.yAxis->setRange(std::floor(low / 10) * 10 - 5, std::ceil(high / 10) * 10 + 5);

    // Alarms: shaded bands behind the levels.
    AlarmBands bands(&plot);
    for (const AlarmRow& a : report.alarms) bands.Add(double(a.startEpoch), double(a.endEpoch));
    if (report.chart.size() > 1) {
        plot.legend->setVisible(true);
        plot.axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
    }

    painter.save();
    painter.translate(frame.topLeft());
    painter.scale(frame.width() / width, frame.height() / height);
    plot.toPainter(&painter, width, height);
    painter.restore();
}

}  // namespace noisestats
