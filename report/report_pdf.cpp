// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report_pdf.h"
#include "noise/alarm_watch.h"
#include "noise/labels.h"
#include "report/report_chart.h"

#include <QFontMetricsF>
#include <QPdfWriter>
#include <QSaveFile>
#include <qcustomplot.h>

#include <algorithm>

namespace noisestats {

namespace {

// The page is drawn at 96 dots an inch, so the chart, laid out like on a
// screen, needs little scaling; every length below is in points (× kPt).
constexpr int kDpi = 96;
constexpr double kPt = kDpi / 72.0;
constexpr double kMargin = 40 * kPt;

QString Db(double db) { return QStringLiteral("%1 dB").arg(LevelText(db)); }
QString DbTenths(int tenths) { return Db(tenths / 10.0); }

QFont Font(double points, bool bold = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// Text laid out top-down on the page.
class Page {
public:
    Page(QCPPainter& painter, const QRectF& area) : p_(painter), area_(area), y_(area.top()) {}

    double Y() const { return y_; }
    void Skip(double points) { y_ += points * kPt; }

    // One line (or a wrapped paragraph of at most `maxLines`), full width.
    void Line(const QString& text, const QFont& font, int maxLines = 1, const QColor& colour = Qt::black) {
        p_.setFont(font);
        p_.setPen(colour);
        const QFontMetricsF fm(font, p_.device());
        const double height = fm.lineSpacing() * maxLines;
        QRectF box(area_.left(), y_, area_.width(), height);
        QRectF used;
        p_.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text, &used);
        y_ += std::min(used.height(), height) + fm.lineSpacing() * 0.25;
    }

    // A table in the column [left, left + width) from the cursor down to
    // `bottom`: a heading, a header row and as many rows as fit; when some
    // do not, the last line says how many are left out.
    // `note`, when given, is a line (wrapped to at most two) under the
    // heading.
    double Table(double left, double width, double top, double bottom, const QString& heading,
                 const QStringList& header, const std::vector<double>& shares,
                 const std::vector<QStringList>& rows, const QString& none, const QString& note = {}) {
        double y = top;
        const QFont headingFont = Font(9.5, true), headerFont = Font(7, true), rowFont = Font(7);
        const QFontMetricsF hm(headingFont, p_.device()), rm(rowFont, p_.device());
        p_.setPen(Qt::black);
        p_.setFont(headingFont);
        p_.drawText(QRectF(left, y, width, hm.lineSpacing()), Qt::AlignLeft | Qt::AlignTop, heading);
        y += hm.lineSpacing() + 2 * kPt;
        const double line = rm.lineSpacing() + 1 * kPt;
        if (!note.isEmpty()) {
            p_.setFont(rowFont);
            QRectF used;
            p_.drawText(QRectF(left, y, width, 2 * rm.lineSpacing()), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                        note, &used);
            y += std::min(used.height(), 2 * rm.lineSpacing()) + 2 * kPt;
        }
        if (rows.empty()) {
            p_.setFont(rowFont);
            p_.drawText(QRectF(left, y, width, line), Qt::AlignLeft | Qt::AlignTop, none);
            return y + line;
        }
        auto drawRow = [&](const QStringList& cells, const QFont& font) {
            p_.setFont(font);
            double x = left;
            for (int i = 0; i < cells.size() && i < int(shares.size()); ++i) {
                const double w = shares[i] * width;
                p_.drawText(QRectF(x, y, w - 2 * kPt, line), Qt::AlignLeft | Qt::AlignTop,
                            QFontMetricsF(font, p_.device()).elidedText(cells[i], Qt::ElideRight, w - 2 * kPt));
                x += w;
            }
            y += line;
        };
        drawRow(header, headerFont);
        p_.setPen(QPen(Qt::gray, 0.5 * kPt));
        p_.drawLine(QPointF(left, y - 1 * kPt), QPointF(left + width, y - 1 * kPt));
        p_.setPen(Qt::black);
        const int room = std::max(0, int((bottom - y) / line));
        const int shown = int(rows.size()) <= room ? int(rows.size()) : std::max(0, room - 1);
        for (int i = 0; i < shown; ++i) drawRow(rows[i], rowFont);
        if (shown < int(rows.size())) {
            p_.setFont(Font(7, true));
            p_.drawText(QRectF(left, y, width, line), Qt::AlignLeft | Qt::AlignTop,
                        QStringLiteral("and %1 more").arg(rows.size() - shown));
            y += line;
        }
        return y;
    }

    QCPPainter& Painter() { return p_; }
    const QRectF& Area() const { return area_; }

private:
    QCPPainter& p_;
    QRectF area_;
    double y_;
};

// The share of the interval's seconds that have a reading, as the
// statistics window counts them: 221 of 300 s is 74 %.
QString Coverage(const PeriodResult& p) {
    if (p.lengthSeconds <= 0) return {};
    return QStringLiteral("%1 %").arg(100.0 * double(p.coveredSeconds) / double(p.lengthSeconds), 0, 'f', 0);
}

// "≥ 130,0 dB": a figure that readings beyond their range make a bound.
QString Bounded(Bound b, const QString& value) { return BoundMark(b) + value; }

bool AnyBeyondRange(const MeasurementReport& r) {
    return (r.whole.a && r.whole.a->BeyondRange()) || (r.whole.c && r.whole.c->BeyondRange());
}

void DrawStatistics(Page& page, const MeasurementReport& r) {
    page.Line(QStringLiteral("Whole data"), Font(9.5, true));
    const Quantity quantities[] = {Quantity::Leq, Quantity::Max, Quantity::Min, Quantity::L10,
                                   Quantity::L50, Quantity::L90, Quantity::Exposure};
    QCPPainter& p = page.Painter();
    const QRectF area = page.Area();
    const QFont nameFont = Font(7, true), valueFont = Font(8.5);
    const double cell = area.width() / 9;
    double y = page.Y();
    for (Weighting w : {Weighting::A, Weighting::C}) {
        const std::optional<LevelSummary>& s = w == Weighting::A ? r.whole.a : r.whole.c;
        if (!s) continue;
        const int values[] = {0, s->maxTenths, s->minTenths, s->l10Tenths, s->l50Tenths, s->l90Tenths, 0};
        const FigureBounds& b = s->bounds;
        const Bound bounds[] = {b.leq, b.max, b.min, b.l10, b.l50, b.l90, b.leq};
        const QFontMetricsF nm(nameFont, p.device()), vm(valueFont, p.device());
        for (int i = 0; i < 7; ++i) {
            const QRectF box(area.left() + i * cell, y, cell, nm.lineSpacing());
            p.setFont(nameFont);
            p.setPen(QColor(70, 70, 70));
            p.drawText(box, Qt::AlignLeft | Qt::AlignTop, QuantityName(w, quantities[i]));
            QString value = i == 0 ? Db(s->leq) : i == 6 ? Db(s->sel) : DbTenths(values[i]);
            p.setFont(valueFont);
            p.setPen(Qt::black);
            p.drawText(box.translated(0, nm.lineSpacing()).adjusted(0, 0, 0, vm.lineSpacing()),
                       Qt::AlignLeft | Qt::AlignTop, Bounded(bounds[i], value));
        }
        if (w == Weighting::A) {
            const QRectF box(area.left() + 7 * cell, y, 2 * cell, nm.lineSpacing());
            p.setFont(nameFont);
            p.setPen(QColor(70, 70, 70));
            p.drawText(box, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Dose OSHA / NIOSH"));
            // The window's precision: two decimals. A dose of thousands of
            // per cent, marked, is set smaller rather than cut at the margin.
            const QString dose = QStringLiteral("%1 % / %2 %")
                                     .arg(Bounded(b.dose, CommaDecimal(s->oshaDosePercent, 2)),
                                          Bounded(b.dose, CommaDecimal(s->nioshDosePercent, 2)));
            QFont doseFont = valueFont;
            while (doseFont.pointSizeF() > 5.5 && QFontMetricsF(doseFont, p.device()).horizontalAdvance(dose) > box.width())
                doseFont.setPointSizeF(doseFont.pointSizeF() - 0.5);
            p.setFont(doseFont);
            p.setPen(Qt::black);
            p.drawText(box.translated(0, nm.lineSpacing()).adjusted(0, 0, 0, vm.lineSpacing()),
                       Qt::AlignLeft | Qt::AlignTop, dose);
        }
        y += nm.lineSpacing() + vm.lineSpacing() + 3 * kPt;
    }
    page.Skip((y - page.Y()) / kPt);
    QString legend = QStringLiteral("Levels are energetic means and percentiles %1; Ln is the level exceeded n % of "
                                    "the time.")
                         .arg(BasisText(r.responses));
    if (AnyBeyondRange(r)) legend += u' ' + BoundLegend();
    page.Line(legend, Font(7), 3, QColor(70, 70, 70));
}

std::vector<QStringList> IntervalRows(const MeasurementReport& r, Weighting w) {
    std::vector<QStringList> rows;
    for (const PeriodResult& p : r.intervals) {
        const std::optional<LevelSummary>& s = w == Weighting::A ? p.a : p.c;
        if (!s) continue;
        rows.push_back({ReportDateTime(p.startEpoch, p.utcOffsetSeconds).left(16), Bounded(s->bounds.leq, Db(s->leq)),
                        Bounded(s->bounds.max, DbTenths(s->maxTenths)), Bounded(s->bounds.l90, DbTenths(s->l90Tenths)),
                        Coverage(p)});
    }
    return rows;
}

std::vector<QStringList> AlarmRows(const MeasurementReport& r) {
    std::vector<QStringList> rows;
    for (const AlarmRow& a : r.alarms) {
        QString end = ReportDateTime(a.endEpoch, a.utcOffsetSeconds).mid(11, 8);
        if (a.end == AlarmEnd::Gap) end += QStringLiteral(" (gap)");
        if (a.end == AlarmEnd::EndOfData) end += QStringLiteral(" (on)");
        if (a.end == AlarmEnd::Stopped) end += QStringLiteral(" (stopped)");
        rows.push_back({ReportDateTime(a.startEpoch, a.utcOffsetSeconds).left(19), end, ReportDuration(a.DurationSeconds()),
                        DbTenths(a.peakTenths), Db(a.leqDb)});
    }
    return rows;
}

std::vector<QStringList> SpanRows(const std::vector<TimeSpan>& spans) {
    std::vector<QStringList> rows;
    for (const TimeSpan& s : spans)
        rows.push_back({ReportDateTime(s.start, s.utcOffsetSeconds).left(19), ReportDuration(s.Seconds())});
    return rows;
}

std::vector<QStringList> RangeRows(const std::vector<RangeStretch>& stretches) {
    std::vector<QStringList> rows;
    for (const RangeStretch& s : stretches)
        rows.push_back({ReportDateTime(s.start, s.utcOffsetSeconds).left(19), ReportDuration(s.Seconds()),
                        s.side == RangeEnd::Over ? QStringLiteral("over") : QStringLiteral("under")});
    return rows;
}

QString IntervalName(IntervalLength length) { return QStringLiteral("%1 min").arg(int(length) / 60); }

void DrawPage(const MeasurementReport& r, QCPPainter& p, const QRectF& area) {
    Page page(p, area);
    page.Line(r.title, Font(16, true));
    if (!r.note.trimmed().isEmpty()) page.Line(r.note.trimmed(), Font(9.5), 4);
    page.Skip(2);
    if (r.Empty()) {
        page.Line(QStringLiteral("No readings."), Font(9.5));
    } else {
        // From the first reading to the last, as the statistics window says.
        page.Line(QStringLiteral("From %1 to %2 (%3)")
                      .arg(ReportDateTime(r.firstEpoch, r.firstOffset), ReportDateTime(r.lastEpoch, r.lastOffset),
                           ReportDuration(r.lastEpoch + 1 - r.firstEpoch)),
                  Font(9));
        if (!r.setBacks.empty()) page.Line(ReportSetBacks(r.setBacks), Font(9));
        page.Line(QStringLiteral("Readings: %1; %2 covered, %3 missing")
                      .arg(ReportWeightings(r), ReportDuration(r.whole.coveredSeconds),
                           ReportDuration(r.whole.missingSeconds)),
                  Font(9));
    }
    page.Skip(4);

    // The chart in its frame.
    const QRectF frame(area.left(), page.Y(), area.width(), 190 * kPt);
    DrawReportChart(r, p, frame.adjusted(2 * kPt, 2 * kPt, -2 * kPt, -2 * kPt));
    p.setPen(QPen(Qt::black, 0.75 * kPt));
    p.setBrush(Qt::NoBrush);
    p.drawRect(frame);
    page.Skip(190 + 8);

    DrawStatistics(page, r);
    page.Skip(4);

    // Footer first, so the lists know where to stop.
    const QFont footerFont = Font(7);
    const QFontMetricsF fm(footerFont, p.device());
    const double footerTop = area.bottom() - fm.lineSpacing();
    p.setPen(QPen(Qt::gray, 0.5 * kPt));
    p.drawLine(QPointF(area.left(), footerTop - 3 * kPt), QPointF(area.right(), footerTop - 3 * kPt));
    p.setPen(Qt::black);
    p.setFont(footerFont);
    QString footer = QStringLiteral("%1 %2").arg(r.program, r.version);
    if (r.written.isValid())
        footer += QStringLiteral(" \u00b7 written %1").arg(ReportDateTime(r.written.toSecsSinceEpoch(), r.written.offsetFromUtc()));
    p.drawText(QRectF(area.left(), footerTop, area.width(), fm.lineSpacing()), Qt::AlignLeft | Qt::AlignTop, footer);
    p.drawText(QRectF(area.left(), footerTop, area.width(), fm.lineSpacing()), Qt::AlignRight | Qt::AlignTop,
               QStringLiteral("page 1 of 1"));

    // Two columns: the interval table left; alarms, gaps and range ends right.
    const double bottom = footerTop - 8 * kPt;
    const double top = page.Y();
    const double gutter = 12 * kPt;
    const double leftWidth = (area.width() - gutter) * 0.48, rightWidth = area.width() - gutter - leftWidth;
    const double right = area.left() + leftWidth + gutter;
    const Weighting main = r.hasA || !r.hasC ? Weighting::A : Weighting::C;
    page.Table(area.left(), leftWidth, top, bottom, QStringLiteral("Intervals (%1)").arg(IntervalName(r.intervalLength)),
               {QStringLiteral("Start"), QuantityName(main, Quantity::Leq), QuantityName(main, Quantity::Max),
                QuantityName(main, Quantity::L90), QStringLiteral("Covered")},
               {0.30, 0.18, 0.18, 0.17, 0.17}, IntervalRows(r, main), QStringLiteral("None."));

    // The alarms take what they need up to 55 % of the column; gaps and
    // range ends share the rest.
    const double column = bottom - top;
    const double alarmsBottom = std::min(bottom - 0.3 * column, top + 0.55 * column);
    // The rule the alarms were found with, or that there were none to find.
    const QString rule = r.alarmRule ? QStringLiteral("Rule: %1").arg(AlarmRuleText(*r.alarmRule)) : QString();
    double y = page.Table(right, rightWidth, top, alarmsBottom, QStringLiteral("Alarms"),
                          {QStringLiteral("Start"), QStringLiteral("End"), QStringLiteral("Duration"),
                           QStringLiteral("Peak"), QStringLiteral("Leq")},
                          {0.31, 0.15, 0.24, 0.15, 0.15}, AlarmRows(r),
                          r.alarmRule ? QStringLiteral("None.") : QStringLiteral("Alarms were off."), rule);
    y += 6 * kPt;
    const double gapsBottom = y + (bottom - y) / 2;
    y = page.Table(right, rightWidth, y, gapsBottom, QStringLiteral("Gaps (no readings)"),
                   {QStringLiteral("From"), QStringLiteral("Duration")}, {0.5, 0.5}, SpanRows(r.gaps),
                   QStringLiteral("None."));
    y += 6 * kPt;
    page.Table(right, rightWidth, y, bottom, QStringLiteral("Over or under the range"),
               {QStringLiteral("From"), QStringLiteral("Duration"), QStringLiteral("Side")}, {0.45, 0.35, 0.2},
               RangeRows(r.rangeExceedances), QStringLiteral("None."));
}

}  // namespace

QPageSize ReportPageSize(const QLocale& locale) {
    return QPageSize(locale.measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter : QPageSize::A4);
}

bool WriteReportPdf(const MeasurementReport& report, const QPageSize& pageSize, QIODevice& out, QString* error) {
    QPdfWriter writer(&out);
    writer.setResolution(kDpi);
    writer.setPageSize(pageSize);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(report.title);
    writer.setCreator(QStringLiteral("%1 %2").arg(report.program, report.version));
    QCPPainter painter;
    if (!painter.begin(&writer)) {
        if (error) *error = QStringLiteral("The PDF could not be started.");
        return false;
    }
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.setMode(QCPPainter::pmNonCosmetic);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF page(QPointF(0, 0), QSizeF(writer.width(), writer.height()));
    DrawPage(report, painter, page.adjusted(kMargin, kMargin, -kMargin, -kMargin));
    if (!painter.end()) {
        if (error) *error = QStringLiteral("The PDF could not be finished.");
        return false;
    }
    return true;
}

bool SaveReportPdf(const MeasurementReport& report, const QPageSize& pageSize, const QString& path, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = QStringLiteral("%1 can't be written: %2").arg(path, file.errorString());
        return false;
    }
    if (!WriteReportPdf(report, pageSize, file, error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) *error = QStringLiteral("%1 can't be written: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace noisestats
