// SPDX-License-Identifier: GPL-3.0-or-later
// The measurement report: what it gathers from the readings, and the PDF
// page as poppler reads it (pages, page size, text) and renders it.
#include "noise/alarm_rule.h"
#include "noise/labels.h"
#include "noise/report.h"
#include "report/report_command.h"
#include "report/report_pdf.h"
#include "report/report_ticks.h"
#include "noise/alarm_watch.h"
#include "platform/testing/seam_doubles.h"
#include "tests/statistics/readings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace noisestats {
namespace {

using testing::At;
using testing::EpochOf;

constexpr int kCet = 3600;

std::optional<QString> RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// A working day at a building site, 07:00 to 19:00 CET: 55-62 dB, a loud
// hour at 72 dB from 10:00, the meter unplugged 12:00-12:30, six minutes at
// the end of the range (130 dB) from 15:00.
std::vector<Reading> SiteDay() {
    std::vector<Reading> out;
    const std::int64_t t0 = EpochOf(QDate(2026, 6, 3), QTime(7, 0), kCet);
    for (int s = 0; s < 12 * 3600; ++s) {
        if (s >= 5 * 3600 && s < 5 * 3600 + 1800) continue;
        int tenths = 550 + (s * 37 % 71);
        if (s >= 3 * 3600 && s < 4 * 3600) tenths = 720;
        const bool atEnd = s >= 8 * 3600 && s < 8 * 3600 + 360;
        if (atEnd) tenths = 1300;
        out.push_back(At(t0 + s, tenths, Weighting::A, TimeWeighting::Slow, atEnd, kCet));
    }
    return out;
}

AlarmSettings SiteAlarm() {
    AlarmSettings s;
    s.thresholdTenths = 650;
    s.hysteresisTenths = 20;
    s.minimumSeconds = 300;
    return s;
}

TEST(MeasurementReport, GathersPeriodGapsRangeEndsAndAThinnedChart) {
    const std::vector<Reading> day = SiteDay();
    const MeasurementReport r = BuildReport(day, IntervalLength::Minutes15, FindAlarms(SiteAlarm(), day), "note");
    EXPECT_EQ(r.readings, std::int64_t(day.size()));
    EXPECT_EQ(ReportDateTime(r.firstEpoch, r.firstOffset), "2026-06-03 07:00:00 +01:00");
    EXPECT_EQ(ReportDateTime(r.lastEpoch + 1, r.lastOffset), "2026-06-03 19:00:00 +01:00");
    ASSERT_EQ(r.gaps.size(), 1u);
    EXPECT_EQ(ReportDateTime(r.gaps[0].start, r.gaps[0].utcOffsetSeconds), "2026-06-03 12:00:00 +01:00");
    EXPECT_EQ(r.gaps[0].Seconds(), 1800);
    ASSERT_EQ(r.rangeExceedances.size(), 1u);
    EXPECT_EQ(r.rangeExceedances[0].Seconds(), 360);
    EXPECT_EQ(r.whole.missingSeconds, 1800);
    EXPECT_EQ(r.intervals.size(), 48u - 2u);  // 12 h of 15 min, less the unplugged half hour
    // The loud hour and the range's end both run past 5 minutes at 65 dB.
    ASSERT_EQ(r.alarms.size(), 2u);
    EXPECT_EQ(r.alarms[0].DurationSeconds(), 3600);
    EXPECT_EQ(r.alarms[1].peakTenths, 1300);

    ASSERT_EQ(r.chart.size(), 1u);
    const ChartSeries& c = r.chart[0];
    EXPECT_LE(c.levels.size(), size_t(kChartPoints) + 2);
    // The peak survives thinning, and the gap breaks the line.
    EXPECT_EQ(*std::max_element(c.levels.begin(), c.levels.end(), [](double a, double b) {
        return (std::isnan(a) ? 0 : a) < (std::isnan(b) ? 0 : b);
    }), 130.0);
    EXPECT_EQ(std::count_if(c.levels.begin(), c.levels.end(), [](double v) { return std::isnan(v); }), 1);
    EXPECT_TRUE(std::is_sorted(c.epochs.begin(), c.epochs.end()));
}

// "70 70 _ 50! <2 70 =90": one token a second from 10:00:00. A number is
// an A-weighted level in dB ("!": at the range's end), "_" a second without
// a reading, "<N" the clock set back N seconds, "=.." a reading at the same
// second as the one before.
std::vector<Reading> Sequence(std::int64_t t0, const char* text) {
    std::vector<Reading> out;
    std::int64_t t = t0;
    for (QString token : QString::fromLatin1(text).split(u' ', Qt::SkipEmptyParts)) {
        if (token == QLatin1String("_")) { ++t; continue; }
        if (token.startsWith(u'<')) { t -= token.mid(1).toInt(); continue; }
        const bool again = token.startsWith(u'=');
        const bool atEnd = token.endsWith(u'!');
        token = token.mid(again ? 1 : 0, token.size() - (again ? 1 : 0) - (atEnd ? 1 : 0));
        if (again) --t;
        out.push_back(At(t++, int(std::lround(token.toDouble() * 10)), Weighting::A, TimeWeighting::Slow, atEnd, kCet));
    }
    return out;
}

// Where the chart's line breaks, as the chart draws it (points sorted by
// time, a NaN between two points parts them): the seconds before and after
// each break, as offsets from t0.
std::vector<std::pair<int, int>> ChartBreaks(const ChartSeries& series, std::int64_t t0) {
    std::vector<std::size_t> order(series.epochs.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return series.epochs[a] < series.epochs[b];
    });
    std::vector<std::pair<int, int>> breaks;
    std::optional<double> last;
    bool parted = false;
    for (std::size_t i : order) {
        if (std::isnan(series.levels[i])) {
            parted = true;
            continue;
        }
        if (last && parted) breaks.push_back({int(*last - double(t0)), int(series.epochs[i] - double(t0))});
        last = series.epochs[i];
        parted = false;
    }
    return breaks;
}

// One gap rule for the gap list, the chart and the alarms: one missing
// second is a slipped tick, two are a gap; a clock set back lists no gap
// but breaks the line and ends an alarm; a second read twice counts once.
TEST(MeasurementReport, GapListChartAlarmsAndRangeEndsFollowOneGapRule) {
    struct Span { int start, seconds; };
    struct Alarm { int start, end; AlarmEnd why; int peakTenths; };
    struct Case {
        const char* name;
        const char* readings;
        std::vector<Span> gaps;
        std::vector<std::pair<int, int>> breaks;
        std::vector<Alarm> alarms;
        std::vector<Span> rangeEnds;
        int covered, missing;
    };
    using enum AlarmEnd;
    const Case cases[] = {
        {"no missing second", "70 70 70 70 70 70", {}, {}, {{0, 6, EndOfData, 700}}, {}, 6, 0},
        {"one missing second is a slipped tick", "70 70 70 _ 70 70 70", {}, {}, {{0, 7, EndOfData, 700}}, {}, 6, 1},
        {"two missing seconds are a gap", "70 70 70 _ _ 70 70 70", {{3, 2}}, {{2, 5}},
         {{0, 3, Gap, 700}, {5, 8, EndOfData, 700}}, {}, 6, 2},
        {"range-end runs one missing second apart are one stretch", "50! 50! _ 50! 50!", {}, {}, {}, {{0, 5}}, 4, 1},
        {"range-end runs with a 2 s hole are two stretches", "50! 50! _ _ 50! 50!", {{2, 2}}, {{1, 4}}, {}, {{0, 2}, {4, 2}},
         4, 2},
        {"range-end readings two seconds apart within the range", "50! 50 50 50!", {}, {}, {}, {{0, 1}, {3, 1}}, 4, 0},
        // 0..3, then the clock shows 2 again: 2 and 3 were read, 4 and 5 are new.
        {"a clock set back", "70 70 70 70 <2 70 70 70 70", {}, {{3, 4}}, {{0, 4, Gap, 700}, {2, 6, EndOfData, 700}}, {},
         6, 0},
        {"a range-end stretch ends at a clock set back", "50! 50! <5 50! 50!", {}, {{-2, 0}}, {}, {{0, 2}, {-3, 2}}, 4, 0},
        {"a second read twice counts once", "70 =90 70 =50 70", {}, {}, {{0, 3, EndOfData, 700}}, {}, 3, 0},
    };
    const std::int64_t t0 = EpochOf(QDate(2026, 3, 14), QTime(10, 0, 0), kCet);
    AlarmSettings alarm;
    alarm.thresholdTenths = 650;
    alarm.minimumSeconds = 2;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<Reading> readings = Sequence(t0, c.readings);
        const MeasurementReport r =
            BuildReport(readings, IntervalLength::Minutes1, FindAlarms(alarm, readings), QString());
        EXPECT_EQ(r.whole.coveredSeconds, c.covered);
        EXPECT_EQ(r.whole.missingSeconds, c.missing);
        EXPECT_EQ(r.readings, c.covered);
        ASSERT_EQ(r.gaps.size(), c.gaps.size());
        for (std::size_t i = 0; i < r.gaps.size(); ++i) {
            EXPECT_EQ(r.gaps[i].start, t0 + c.gaps[i].start) << "gap " << i;
            EXPECT_EQ(r.gaps[i].Seconds(), c.gaps[i].seconds) << "gap " << i;
        }
        ASSERT_EQ(r.chart.size(), 1u);
        EXPECT_EQ(ChartBreaks(r.chart[0], t0), c.breaks);
        ASSERT_EQ(r.alarms.size(), c.alarms.size());
        for (std::size_t i = 0; i < r.alarms.size(); ++i) {
            EXPECT_EQ(r.alarms[i].startEpoch, t0 + c.alarms[i].start) << "alarm " << i;
            EXPECT_EQ(r.alarms[i].endEpoch, t0 + c.alarms[i].end) << "alarm " << i;
            EXPECT_EQ(r.alarms[i].end, c.alarms[i].why) << "alarm " << i;
            EXPECT_EQ(r.alarms[i].peakTenths, c.alarms[i].peakTenths) << "alarm " << i;
        }
        ASSERT_EQ(r.rangeExceedances.size(), c.rangeEnds.size());
        for (std::size_t i = 0; i < r.rangeExceedances.size(); ++i) {
            EXPECT_EQ(r.rangeExceedances[i].start, t0 + c.rangeEnds[i].start) << "range end " << i;
            EXPECT_EQ(r.rangeExceedances[i].Seconds(), c.rangeEnds[i].seconds) << "range end " << i;
        }
    }
}

// After a clock set back the period is the span of the seconds read, with
// the jump named.
TEST(MeasurementReport, AClockSetBackIsNamedWithThePeriod) {
    const std::int64_t t0 = EpochOf(QDate(2026, 3, 14), QTime(9, 5, 0), kCet);
    const std::vector<Reading> readings = {At(t0, 600, Weighting::A, TimeWeighting::Slow, false, kCet),
                                           At(t0 - 120, 700, Weighting::A, TimeWeighting::Slow, false, kCet),
                                           At(t0 - 119, 700, Weighting::A, TimeWeighting::Slow, false, kCet)};
    const MeasurementReport r = BuildReport(readings, IntervalLength::Minutes1, {}, QString());
    EXPECT_EQ(ReportDateTime(r.firstEpoch, r.firstOffset), "2026-03-14 09:03:00 +01:00");
    EXPECT_EQ(ReportDateTime(r.lastEpoch + 1, r.lastOffset), "2026-03-14 09:05:01 +01:00");
    EXPECT_EQ(r.whole.coveredSeconds, 3);
    EXPECT_TRUE(r.gaps.empty());
    EXPECT_EQ(ReportSetBacks(r.setBacks),
              "Clock set back from 2026-03-14 09:05:00 +01:00 to 2026-03-14 09:03:00 +01:00");
    EXPECT_EQ(ReportSetBacks({}), "");
    std::vector<ClockSetBack> three(3, r.setBacks.at(0));
    EXPECT_EQ(ReportSetBacks(three),
              "Clock set back 3 times, first from 2026-03-14 09:05:00 +01:00 to 2026-03-14 09:03:00 +01:00");
    // The chart never joins the stretches on either side of the jump.
    ASSERT_EQ(r.chart.size(), 1u);
    EXPECT_EQ(ChartBreaks(r.chart[0], t0), (std::vector<std::pair<int, int>>{{-119, 0}}));
}

TEST(MeasurementReport, PageSizeFollowsTheLocale) {
    EXPECT_EQ(ReportPageSize(QLocale(QLocale::English, QLocale::UnitedStates)).id(), QPageSize::Letter);
    EXPECT_EQ(ReportPageSize(QLocale(QLocale::German, QLocale::Germany)).id(), QPageSize::A4);
    EXPECT_EQ(ReportPageSize(QLocale(QLocale::English, QLocale::UnitedKingdom)).id(), QPageSize::A4);
}

// The frame drawn around the chart: the outermost long dark lines of the
// rendered page, across and down.
QRect FrameOf(const QImage& page) {
    auto dark = [&](int x, int y) { return qGray(page.pixel(x, y)) < 90; };
    int top = -1, bottom = -1, left = -1, right = -1;
    const int longLine = page.width() * 6 / 10;
    for (int y = 0; y < page.height(); ++y) {
        int run = 0, best = 0;
        for (int x = 0; x < page.width(); ++x) best = std::max(best, run = dark(x, y) ? run + 1 : 0);
        if (best >= longLine) (top < 0 ? top : bottom) = y;
    }
    if (top < 0 || bottom < 0) return {};
    const int tall = (bottom - top) * 9 / 10;
    for (int x = 0; x < page.width(); ++x) {
        int run = 0, best = 0;
        for (int y = top; y <= bottom; ++y) best = std::max(best, run = dark(x, y) ? run + 1 : 0);
        if (best >= tall) (left < 0 ? left : right) = x;
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QRect BoxOf(const QImage& image, const std::function<bool(QColor)>& wanted) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (wanted(image.pixelColor(x, y))) box |= QRect(x, y, 1, 1);
    return box;
}

// QV_KEEP_REPORTS=<folder> keeps the written PDFs and rendered pages there.
void Keep(const QString& path) {
    const QString folder = qEnvironmentVariable("QV_KEEP_REPORTS");
    if (folder.isEmpty()) return;
    const QString target = QDir(folder).filePath(QFileInfo(path).fileName());
    QFile::remove(target);
    QFile::copy(path, target);
}

class ReportPdf : public ::testing::Test {
protected:
    QTemporaryDir dir;
    platform::testing::SeamDoubles seams;
    std::vector<Reading> day = SiteDay();
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    MeasurementReport Report() const {
        return BuildReport(day, IntervalLength::Minutes15, FindAlarms(SiteAlarm(), day),
                           QStringLiteral("Site: 12 Elm Street, façade of no. 14. Purpose: night works complaint."));
    }
};

TEST_F(ReportPdf, OnePageWhoseTextPopplerFinds) {
    seams.fileDialogs.answers.push_back({true, Path("site.pdf"), 1});
    seams.time.Set(QDateTime(QDate(2026, 6, 4), QTime(9, 30), QTimeZone(kCet)));
    const QString written = RunMeasurementReport(Report(), nullptr);
    ASSERT_EQ(written, Path("site.pdf"));
    ASSERT_EQ(seams.fileDialogs.asked.size(), 1u);
    EXPECT_TRUE(seams.fileDialogs.asked[0].save);
    EXPECT_EQ(seams.fileDialogs.asked[0].proposedName, "report 2026-06-03 0700.pdf");
    EXPECT_TRUE(seams.messages.shown.empty());

    Keep(written);
    const auto info = RunTool(QStringLiteral("pdfinfo"), {written});
    ASSERT_TRUE(info) << "pdfinfo failed";
    EXPECT_TRUE(info->contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n")))) << info->toStdString();

    const auto text = RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), written, QStringLiteral("-")});
    ASSERT_TRUE(text);
    const MeasurementReport r = Report();
    const LevelSummary& a = *r.whole.a;
    const QString expected[] = {
        QStringLiteral("Measurement report"),
        QStringLiteral("Site: 12 Elm Street, façade of no. 14. Purpose: night works complaint."),
        // From the first reading to the last, as the statistics window says.
        QStringLiteral("From 2026-06-03 07:00:00 +01:00 to 2026-06-03 18:59:59 +01:00 (12 h 00 min 00 s)"),
        QStringLiteral("A-weighted, SLOW"),
        QStringLiteral("LAeq"), QStringLiteral("LA90"), QStringLiteral("LAE"),
        QStringLiteral("%1 dB").arg(LevelText(a.leq)),
        QStringLiteral("%1 dB").arg(LevelText(a.l90Tenths / 10.0)),
        QStringLiteral("%1 dB").arg(LevelText(a.sel)),
        // The window's two decimals; six minutes over the range make the dose a lower bound.
        QStringLiteral("\u2265 %1 % / \u2265 %2 %").arg(CommaDecimal(a.oshaDosePercent, 2), CommaDecimal(a.nioshDosePercent, 2)),
        // The alarm rows: start, end, duration, peak, Leq.
        QStringLiteral("2026-06-03 10:00:00"), QStringLiteral("11:00:00"), QStringLiteral("1 h 00 min 00 s"),
        QStringLiteral("72,0 dB"),
        QStringLiteral("2026-06-03 15:00:00"), QStringLiteral("130,0 dB"),
        // Gaps and range ends.
        QStringLiteral("2026-06-03 12:00:00"), QStringLiteral("30 min 00 s"), QStringLiteral("6 min 00 s"),
        QStringLiteral("Intervals (15 min)"), QStringLiteral("2026-06-03 07:00"),
        QStringLiteral("written 2026-06-04 09:30:00 +01:00"),
    };
    for (const QString& e : expected) EXPECT_TRUE(text->contains(e)) << "missing: " << e.toStdString();
    // Every level in the report carries "," as decimal mark.
    EXPECT_FALSE(text->contains(QRegularExpression(QStringLiteral("\\d\\.\\d dB")))) << text->toStdString();
    EXPECT_TRUE(text->contains(QRegularExpression(QStringLiteral("Quorvane \\d+\\.\\d+\\.\\d+"))));
    // 46 intervals do not fit: the table ends with how many were left out.
    const QRegularExpressionMatch more = QRegularExpression(QStringLiteral("and (\\d+) more")).match(*text);
    ASSERT_TRUE(more.hasMatch()) << text->toStdString();
    const int left = more.captured(1).toInt();
    EXPECT_GT(left, 0);
    EXPECT_LT(left, 46);
    // The rows shown and the rows left out make up the table.
    int shownRows = 0;
    for (const PeriodResult& p : r.intervals)
        shownRows += text->contains(ReportDateTime(p.startEpoch, p.utcOffsetSeconds).left(16));
    EXPECT_EQ(shownRows + left, 46);
}

TEST_F(ReportPdf, ChartSitsInsideItsFrameOnA4AndLetter) {
    for (QPageSize::PageSizeId id : {QPageSize::A4, QPageSize::Letter}) {
        SCOPED_TRACE(int(id));
        const QString pdf = Path(id == QPageSize::A4 ? "a4.pdf" : "letter.pdf");
        QString error;
        ASSERT_TRUE(SaveReportPdf(Report(), QPageSize(id), pdf, &error)) << error.toStdString();
        const auto info = RunTool(QStringLiteral("pdfinfo"), {pdf});
        ASSERT_TRUE(info);
        EXPECT_TRUE(info->contains(id == QPageSize::A4 ? QStringLiteral("(A4)") : QStringLiteral("(letter)")))
            << info->toStdString();
        const QString stem = dir.filePath(QStringLiteral("page%1").arg(int(id)));
        ASSERT_TRUE(RunTool(QStringLiteral("pdftoppm"),
                            {QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-png"),
                             QStringLiteral("-singlefile"), pdf, stem}));
        Keep(pdf);
        Keep(stem + QStringLiteral(".png"));
        const QImage page(stem + QStringLiteral(".png"));
        ASSERT_FALSE(page.isNull());
        const QRect frame = FrameOf(page);
        ASSERT_TRUE(frame.isValid());
        EXPECT_GT(frame.width(), page.width() * 3 / 4);
        // The A-weighted line (blue) and the alarm bands (pale red) lie
        // inside the frame, and the line spans most of it.
        const QRect line = BoxOf(page, [](QColor c) { return c.blue() > 120 && c.red() < 80 && c.green() < 130; });
        const QRect bands = BoxOf(page, [](QColor c) {
            return c.red() > 200 && c.red() - c.green() > 25 && c.red() - c.blue() > 25 && c.green() > 150;
        });
        ASSERT_TRUE(line.isValid());
        ASSERT_TRUE(bands.isValid());
        auto show = [](const QRect& r) {
            return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
        };
        EXPECT_TRUE(frame.adjusted(1, 1, -1, -1).contains(line)) << "line " << show(line) << " frame " << show(frame);
        EXPECT_TRUE(frame.adjusted(1, 1, -1, -1).contains(bands)) << "bands " << show(bands) << " frame " << show(frame);
        EXPECT_GT(line.width(), frame.width() * 7 / 10);
    }
}

// The time axis: every label stands at the time it names, and there are
// never so many that they touch, on short recordings as on long ones.
TEST(ReportTimeAxis, LabelsSitOnTheirTicksAndAreFew) {
    const std::int64_t t0 = EpochOf(QDate(2026, 12, 11), QTime(9, 10, 30), kCet);
    const struct {
        const char* name;
        std::int64_t seconds;
        const char* first;  // the first label
        std::int64_t step;  // between ticks
    } cases[] = {
        {"one reading", 1, "09:10:30", 1},
        {"twenty seconds", 20, "09:10:30", 5},
        {"a quarter of an hour", 15 * 60 + 10, "09:12", 120},
        {"an afternoon", 5 * 3600, "10:00", 3600},
        {"past midnight", 16 * 3600, "12-11\n10:00", 2 * 3600},
        {"two weeks", 14 * 86400, "2026-12-13", 2 * 86400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<TimeTick> ticks = ReportTimeTicks(t0, t0 + c.seconds, kCet, 8);
        ASSERT_GE(ticks.size(), 1u);
        EXPECT_LE(ticks.size(), 8u);
        EXPECT_EQ(ticks[0].label, QString::fromUtf8(c.first));
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            const TimeTick& t = ticks[i];
            EXPECT_GE(t.epoch, t0);
            EXPECT_LE(t.epoch, t0 + c.seconds);
            if (i > 0) EXPECT_EQ(t.epoch - ticks[i - 1].epoch, c.step);
            // The label is the local time of its tick, to the last field it shows.
            const QDateTime local = QDateTime::fromSecsSinceEpoch(t.epoch, QTimeZone(kCet));
            const QString format = t.label.size() == 8 ? "HH:mm:ss" : t.label.size() == 5 ? "HH:mm"
                                 : t.label.contains('\n')  ? "MM-dd\nHH:mm" : "yyyy-MM-dd";
            EXPECT_EQ(local.toString(format), t.label);
            if (format != "HH:mm:ss") EXPECT_EQ(local.time().second(), 0) << t.label.toStdString();
            if (format == "yyyy-MM-dd") EXPECT_EQ(local.time(), QTime(0, 0));
        }
    }
}

// What the report says of its data matches what the statistics window
// shows: the coverage of an interval as its seconds with a reading out of
// the interval's, the dose to two decimals, the end at the last reading;
// and the alarm rule, or that alarms were off.
TEST_F(ReportPdf, SaysWhatTheWindowShowsAndTheAlarmRule) {
    // 09:15:00 to 09:19:59 with 79 seconds unplugged: 221 of the 300 s.
    std::vector<Reading> readings;
    const std::int64_t t0 = EpochOf(QDate(2026, 12, 11), QTime(9, 15, 0), kCet);
    for (int s = 0; s < 300; ++s)
        if (s < 100 || s >= 179) readings.push_back(At(t0 + s, s % 7 == 0 ? 820 : 640, Weighting::A, TimeWeighting::Slow, false, kCet));
    ASSERT_EQ(readings.size(), 221u);
    MeasurementReport report = BuildReport(readings, IntervalLength::Minutes5, {}, QString());
    ASSERT_EQ(report.intervals.size(), 1u);
    EXPECT_EQ(report.intervals[0].coveredSeconds, 221);
    const double dose = report.whole.a->oshaDosePercent;
    ASSERT_GT(dose, 0.01);
    ASSERT_LT(dose, 0.05);

    for (bool alarmsOn : {false, true}) {
        SCOPED_TRACE(alarmsOn);
        AlarmSettings rule = SiteAlarm();
        if (alarmsOn) report.alarmRule = rule;
        const QString pdf = Path(alarmsOn ? "on.pdf" : "off.pdf");
        QString error;
        ASSERT_TRUE(SaveReportPdf(report, QPageSize(QPageSize::A4), pdf, &error)) << error.toStdString();
        Keep(pdf);
        auto text = RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        ASSERT_TRUE(text);
        text->replace(QChar(0xFB00), QStringLiteral("ff"));  // the font's ligature, as a reader's search takes it
        EXPECT_TRUE(text->contains(QRegularExpression(QStringLiteral("2026-12-11 09:15 [^\\n]* 74 %"))))
            << text->toStdString();
        for (const QString& e : {QStringLiteral("to 2026-12-11 09:19:59 +01:00 (5 min 00 s)"),
                                 QStringLiteral("%1 %").arg(CommaDecimal(dose, 2))})
            EXPECT_TRUE(text->contains(e)) << "missing: " << e.toStdString() << "\n" << text->toStdString();
        EXPECT_FALSE(text->contains(QStringLiteral("92 %")));
        if (alarmsOn) {
            EXPECT_TRUE(text->contains(QStringLiteral("Rule: %1").arg(AlarmRuleText(rule)))) << text->toStdString();
            EXPECT_FALSE(text->contains(QStringLiteral("Alarms were off.")));
        } else {
            EXPECT_TRUE(text->contains(QStringLiteral("Alarms were off."))) << text->toStdString();
            EXPECT_FALSE(text->contains(QStringLiteral("Rule:")));
        }
    }
}

// An empty report is refused as the save command refuses: no dialog, no file.
TEST_F(ReportPdf, AnEmptyReportIsRefusedLikeAnEmptySave) {
    seams.fileDialogs.answers.push_back({true, Path("empty.pdf"), 1});
    EXPECT_TRUE(RunMeasurementReport(BuildReport({}, IntervalLength::Minutes1, {}, QString()), nullptr).isEmpty());
    EXPECT_EQ(seams.messages.Texts(), QStringList{QStringLiteral("No data you want to save!")});
    EXPECT_TRUE(seams.fileDialogs.asked.empty());
    EXPECT_FALSE(QFile::exists(Path("empty.pdf")));
}

TEST_F(ReportPdf, NoReadingsStillMakeAPageThatSaysSo) {
    const QString pdf = Path("empty.pdf");
    QString error;
    ASSERT_TRUE(SaveReportPdf(BuildReport({}, IntervalLength::Minutes1, {}, QStringLiteral("nothing yet")),
                              QPageSize(QPageSize::A4), pdf, &error)) << error.toStdString();
    const auto text = RunTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->contains(QStringLiteral("No readings.")));
    EXPECT_TRUE(text->contains(QStringLiteral("nothing yet")));
    const auto info = RunTool(QStringLiteral("pdfinfo"), {pdf});
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))));
}

TEST_F(ReportPdf, CancelWritesNothingAndAFailureIsToldAndLeavesNoFile) {
    // Cancelled.
    EXPECT_TRUE(RunMeasurementReport(Report(), nullptr).isEmpty());
    EXPECT_TRUE(seams.messages.shown.empty());
    // A folder that does not exist.
    const QString bad = Path("no such folder/site.pdf");
    seams.fileDialogs.answers.push_back({true, bad, 1});
    EXPECT_TRUE(RunMeasurementReport(Report(), nullptr).isEmpty());
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    EXPECT_TRUE(seams.messages.shown[0].text.contains(bad));
    EXPECT_FALSE(QFile::exists(bad));
    // A name without an extension gains ".pdf"; an older file is replaced whole.
    QFile old(Path("older.pdf"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("not a report");
    old.close();
    seams.fileDialogs.answers.push_back({true, Path("older"), 1});
    EXPECT_EQ(RunMeasurementReport(Report(), nullptr), Path("older.pdf"));
    QFile again(Path("older.pdf"));
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_TRUE(again.readAll().startsWith("%PDF"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // nothing left beside it
}

}  // namespace
}  // namespace noisestats
