// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/interval_csv.h"
#include "noise/dose.h"
#include "noise/labels.h"
#include <QDateTime>
#include <QStringList>
#include <QTimeZone>
#include <cstdlib>

namespace noisestats {

namespace {

QString Quoted(const QString& field) {
    if (!field.contains(u',') && !field.contains(u'"') && !field.contains(u'\n') && !field.contains(u'\r'))
        return field;
    QString q = field;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

// QString::number never uses the locale: "." always.
QString Decimal(double v, int decimals) { return QString::number(v, 'f', decimals); }
QString Tenths(int tenths) { return Decimal(tenths / 10.0, 1); }

constexpr Quantity kLevelColumns[] = {Quantity::Leq, Quantity::Max, Quantity::Min, Quantity::L10,
                                      Quantity::L50, Quantity::L90, Quantity::Exposure};

QStringList Header() {
    QStringList h{QStringLiteral("Start"), QStringLiteral("End"), QStringLiteral("Seconds covered"),
                  QStringLiteral("Seconds missing")};
    for (Weighting w : {Weighting::A, Weighting::C}) {
        const QString letter = w == Weighting::A ? QStringLiteral("A") : QStringLiteral("C");
        for (Quantity q : kLevelColumns) h << QuantityName(w, q) + QStringLiteral(" (dB)");
        h << letter + QStringLiteral(" time weighting") << letter + QStringLiteral(" at range end");
    }
    h << QStringLiteral("OSHA dose (%)") << QStringLiteral("OSHA TWA (dBA)") << QStringLiteral("NIOSH dose (%)")
      << QStringLiteral("NIOSH TWA (dBA)");
    return h;
}

void AppendLevels(QStringList& row, const std::optional<LevelSummary>& s) {
    if (!s) {
        for (int i = 0; i < int(std::size(kLevelColumns)) + 2; ++i) row << QString();
        return;
    }
    row << Decimal(s->leq, 1) << Tenths(s->maxTenths) << Tenths(s->minTenths) << Tenths(s->l10Tenths)
        << Tenths(s->l50Tenths) << Tenths(s->l90Tenths) << Decimal(s->sel, 1) << ResponsesText(s->responses)
        << (s->BeyondRange() ? QStringLiteral("yes") : QStringLiteral("no"));
}

void AppendDose(QStringList& row, const DoseCriterion& c, const std::optional<LevelSummary>& a,
                double LevelSummary::*dose) {
    if (!a) {
        row << QString() << QString();
        return;
    }
    const DoseReport r = ReportDose(c, (*a).*dose, a->readings);
    row << Decimal(r.dosePercent, 2) << (r.twa ? Decimal(*r.twa, 1) : QString());
}

bool WriteRow(QIODevice& out, const QStringList& fields) {
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString& f : fields) quoted << Quoted(f);
    const QByteArray line = quoted.join(u',').toUtf8() + "\r\n";
    return out.write(line) == line.size();
}

}  // namespace

QString IsoLocalDateTime(std::int64_t epochSeconds, std::int32_t utcOffsetSeconds) {
    const QDateTime local = QDateTime::fromSecsSinceEpoch(epochSeconds + utcOffsetSeconds, QTimeZone::utc());
    const int off = std::abs(utcOffsetSeconds) / 60;
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + (utcOffsetSeconds < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2").arg(off / 60, 2, 10, QChar(u'0')).arg(off % 60, 2, 10, QChar(u'0'));
}

bool WriteIntervalCsv(QIODevice& out, const std::vector<PeriodResult>& periods) {
    return WriteIntervalCsvHeader(out) && WriteIntervalCsvRows(out, periods);
}

bool WriteIntervalCsvHeader(QIODevice& out) { return WriteRow(out, Header()); }

bool WriteIntervalCsvRows(QIODevice& out, const std::vector<PeriodResult>& periods) {
    for (const PeriodResult& p : periods) {
        QStringList row{IsoLocalDateTime(p.startEpoch, p.utcOffsetSeconds),
                        IsoLocalDateTime(p.startEpoch + p.lengthSeconds, p.utcOffsetSeconds),
                        QString::number(p.coveredSeconds), QString::number(p.missingSeconds)};
        AppendLevels(row, p.a);
        AppendLevels(row, p.c);
        AppendDose(row, kOsha, p.a, &LevelSummary::oshaDosePercent);
        AppendDose(row, kNiosh, p.a, &LevelSummary::nioshDosePercent);
        if (!WriteRow(out, row)) return false;
    }
    return true;
}

}  // namespace noisestats
