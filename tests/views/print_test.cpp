// SPDX-License-Identifier: GPL-3.0-or-later
// Printing the line chart: one page titled "Chart1", the chart's on-screen
// proportions with 15 % margins, whichever page is shown; a clear box when
// there is no printer. Jobs go to a PDF file through the printing seam and
// are looked at rendered by poppler.
#include "platform/printing.h"
#include "platform/testing/pdf_printer.h"
#include "tests/setup/meter_window.h"

#include <QFrame>
#include <QImage>
#include <QLayout>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <optional>
#include <QToolButton>
#include <cmath>

namespace {

// Runs a program and returns its standard output; nothing when it fails.
std::optional<QString> RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// The bounding box of the pixels of one colour (within a small tolerance).
QRect BoxOf(const QImage& image, const QColor& colour) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) < 12 && std::abs(c.green() - colour.green()) < 12 &&
                std::abs(c.blue() - colour.blue()) < 12)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

class PrintChart : public MeterWindowTest {
protected:
    void SetUp() override {
        StartWindow();
        pdfPath = folder.filePath(QStringLiteral("chart.pdf"));
        pdf = std::make_unique<platform::testing::PdfPrinter>(pdfPath);
        platform::SetPrinter(pdf.get());
    }
    void TearDown() override {
        platform::SetPrinter(nullptr);
        MeterWindowTest::TearDown();
    }
    void ResizeWindow(const QSize& size) {
        window->resize(size);
        window->RecomputeLayout();
        window->PanelA_R->layout()->activate();
    }
    QString pdfPath;
    std::unique_ptr<platform::testing::PdfPrinter> pdf;
};

TEST(PrintPlacement, KeepsProportionsWithFifteenPercentMargins) {
    struct Case {
        QSize picture;
        QRect page, expected;
    };
    const Case cases[] = {
        {{600, 300}, {0, 0, 1000, 1400}, {150, 525, 700, 350}},   // wide: full width less margins
        {{300, 600}, {0, 0, 1000, 1400}, {255, 210, 490, 980}},   // tall: full height less margins
        {{400, 400}, {0, 0, 1000, 1000}, {150, 150, 700, 700}},   // square counts as not wider
        {{800, 100}, {10, 20, 1000, 500}, {160, 226, 700, 87}},   // offset page
        {{0, 300}, {0, 0, 1000, 1400}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::PlaceWithMargins(c.picture, c.page), c.expected) << c.picture.width();
}

TEST_F(PrintChart, OnePageWithTheChartInItsProportionsWhicheverPageIsShown) {
    struct Case {
        QSize window;
        bool digitPageShown;
    };
    const Case cases[] = {{{857, 596}, false}, {{857, 596}, true}, {{560, 900}, false}};
    const QColor marker(250, 240, 30);  // the chart's background, to find it on the page
    window->Chart1->setBackground(QBrush(marker));
    std::vector<std::uint32_t> words;  // something to see on the printed chart: levels 50..70 dB
    for (int i = 0; i < 120; ++i) words.push_back(std::uint32_t(std::lround(600 + 100 * std::sin(i / 10.0)) - 300));
    window->Session().AppendFileWords(words, QDate(2024, 3, 4));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window.width());
        if (window->ChartPageShown == c.digitPageShown) window->ToolButton_AtoB->click();
        ResizeWindow(c.window);
        const QSize chart = window->Chart1->size();
        ASSERT_FALSE(chart.isEmpty());
        const int jobsBefore = pdf->jobs;

        window->ToolButton4->click();

        ASSERT_EQ(pdf->jobs, jobsBefore + 1);
        EXPECT_EQ(pdf->lastTitle, QStringLiteral("Chart1"));
        EXPECT_TRUE(seams.messages.shown.empty());
        const QString info = RunTool(QStringLiteral("pdfinfo"), {pdfPath}).value_or(QString());
        ASSERT_FALSE(info.isEmpty()) << "pdfinfo failed";
        EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n")))) << info.toStdString();
        EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Title:\\s+Chart1\\n")))) << info.toStdString();

        const QString stem = folder.filePath(QStringLiteral("page"));
        ASSERT_TRUE(RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(pdf->Resolution),
                                                     QStringLiteral("-png"), QStringLiteral("-singlefile"),
                                                     pdfPath, stem}))
            << "pdftoppm failed";
        const QImage page(stem + QStringLiteral(".png"));
        // QV_KEEP_PRINTS=<folder> keeps the rendered pages, to look at them.
        if (qEnvironmentVariableIsSet("QV_KEEP_PRINTS"))
            page.save(qEnvironmentVariable("QV_KEEP_PRINTS") + QStringLiteral("/print-%1.png").arg(c.window.width() + 10000 * c.digitPageShown));
        ASSERT_FALSE(page.isNull());
        // The printable area starts 10 mm into the page.
        const int margin = qRound(10 / 25.4 * pdf->Resolution);
        const QRect expected = platform::PlaceWithMargins(chart, pdf->lastArea).translated(margin, margin);
        const QRect drawn = BoxOf(page, marker);
        EXPECT_NEAR(drawn.left(), expected.left(), 2);
        EXPECT_NEAR(drawn.top(), expected.top(), 2);
        EXPECT_NEAR(drawn.right(), expected.right(), 2);
        EXPECT_NEAR(drawn.bottom(), expected.bottom(), 2);
        const double aspect = double(chart.width()) / chart.height();
        EXPECT_NEAR(double(drawn.width()) / drawn.height(), aspect, 0.02);
        if (chart.width() > chart.height()) EXPECT_NEAR(drawn.width(), 0.7 * pdf->lastArea.width(), 2);
        else EXPECT_NEAR(drawn.height(), 0.7 * pdf->lastArea.height(), 2);
    }
}

TEST_F(PrintChart, NoPrinterSaysSoInAnInformationBox) {
    pdf->missing = true;
    window->ToolButton4->click();
    EXPECT_EQ(pdf->jobs, 0);
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    EXPECT_EQ(seams.messages.shown[0].text, QStringLiteral("No printer is set up: the chart can't be printed."));
    EXPECT_EQ(seams.messages.shown[0].caption, QStringLiteral("Information"));
    EXPECT_TRUE(window->Recorder().Timer().isActive());
}

TEST_F(PrintChart, SystemPrinterWithoutADefaultPrinterSaysSo) {
    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a printer is set up on this machine";
    platform::SetPrinter(nullptr);
    window->ToolButton4->click();
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    EXPECT_EQ(seams.messages.shown[0].text, QString::fromLatin1(platform::NoPrinterMessage));
}

}  // namespace
