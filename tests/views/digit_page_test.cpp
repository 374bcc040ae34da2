// SPDX-License-Identifier: GPL-3.0-or-later
// The big-digit page: as built before the first reading, fitted to the
// page's width, and the page switch.
#include "tests/setup/meter_window.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QToolButton>

namespace {

class DigitPage : public MeterWindowTest {
protected:
    void SetUp() override { StartWindow(); }
};

TEST_F(DigitPage, SwitchShowsTheDigitPageAsBuiltThenTheChartPageAgain) {
    window->ToolButton_AtoB->click();
    EXPECT_FALSE(window->ChartPageShown);
    EXPECT_FALSE(window->PanelA->isVisible());
    EXPECT_TRUE(window->PanelB->isVisible());
    EXPECT_EQ(window->Label4->text(), QStringLiteral("129.9"));
    EXPECT_EQ(window->Chart2->BarCount(), 1);
    EXPECT_DOUBLE_EQ(window->Chart2->BarValue(), 120);
    EXPECT_TRUE(window->Recorder().Timer().isActive());  // the switch leaves the tick alone

    window->ToolButton_AtoB->click();
    EXPECT_TRUE(window->ChartPageShown);
    EXPECT_TRUE(window->PanelA->isVisible());
    EXPECT_FALSE(window->PanelB->isVisible());
}

TEST_F(DigitPage, DigitsAndUnitFollowThePageSize) {
    window->ToolButton_AtoB->click();
    struct Case {
        QSize window;
        int digitPixels;  // trunc((page width - 180) * 0.34), the largest the digits get
    };
    // The page is the window less 5 wide and 140 high.
    const Case cases[] = {{{857, 596}, 228}, {{1185, 700}, 340}, {{1000, 640}, 277}, {{865, 626}, 231}};
    for (const Case& c : cases) {
        window->resize(c.window);
        window->RecomputeLayout();
        const QSize page = window->PanelB->size();
        SCOPED_TRACE(page.width());
        ASSERT_EQ(page, c.window - QSize(5, 140));
        // The layout's size, or a little less where "129.9" would not fit.
        EXPECT_LE(window->Label4->font().pixelSize(), c.digitPixels);
        EXPECT_GE(window->Label4->font().pixelSize(), c.digitPixels * 9 / 10);
        EXPECT_EQ(window->Label4->pos(), QPoint(104, 56));
        EXPECT_EQ(window->Label4->size(), window->Label4->sizeHint());  // sized to its text
        EXPECT_EQ(window->Label6->pos(), QPoint(page.width() - 150, page.height() - 137));
        EXPECT_EQ(window->Chart2->geometry(), QRect(0, 0, 105, page.height()));
    }
}

// The big digits show whole at every page size the window takes and for
// every level: the layout's font size when the text fits, else the largest
// that does; and the label follows a text that arrives between layouts.
TEST_F(DigitPage, DigitsAlwaysFitThePage) {
    window->ToolButton_AtoB->click();
    struct Case {
        QSize window;
        int pageWidth;
    };
    // Start size, two larger windows, and maximised on a 1920 x 1080 screen
    // (the screen's height less 30).
    const Case cases[] = {{{857, 596}, 852}, {{1185, 700}, 1180}, {{1600, 900}, 1595}, {{1920, 1050}, 1915}};
    const QString levels[] = {QStringLiteral("100,0"), QStringLiteral("132,3"), QStringLiteral(" 30,0")};
    bool shrunk = false;
    for (const Case& c : cases) {
        window->resize(c.window);
        window->RecomputeLayout();
        const QRect page = window->PanelB->rect();
        ASSERT_EQ(page.width(), c.pageWidth);
        const int layoutPixels = (page.width() - 180) * 34 / 100;
        // A narrow text first, so each level arrives without a layout run,
        // as the tick delivers it.
        for (const QString& level : levels) {
            window->Label4->setText(QStringLiteral(" 90,0"));
            window->Label4->setText(level);
            SCOPED_TRACE(testing::Message() << page.width() << " '" << level.toStdString() << "'");
            const QRect digits = window->Label4->geometry();
            const QFontMetrics metrics(window->Label4->font());
            EXPECT_EQ(window->Label4->text(), level);
            EXPECT_EQ(digits.topLeft(), QPoint(104, 56));
            EXPECT_EQ(digits.size(), window->Label4->sizeHint());
            EXPECT_GE(digits.width(), metrics.horizontalAdvance(level));  // the whole text shows
            EXPECT_GE(digits.height(), metrics.height());
            EXPECT_TRUE(page.contains(digits)) << digits.right() << " " << digits.bottom();
            const int pixels = window->Label4->font().pixelSize();
            EXPECT_LE(pixels, layoutPixels);
            if (pixels < layoutPixels) {
                // Shrunk only as far as needed: one pixel more would not fit.
                shrunk = true;
                QFont larger = window->Label4->font();
                larger.setPixelSize(pixels + 1);
                const QSize wanted = QFontMetrics(larger).size(0, level);
                EXPECT_TRUE(104 + wanted.width() > page.width() - 10 || 56 + wanted.height() > page.height());
            }
        }
    }
    EXPECT_TRUE(shrunk);  // the widest pages need it with the fonts at hand
}

// A reading of a recording puts its level into the big digits, fitted
// whether or not the page is shown at the time.
TEST_F(DigitPage, TheTickPutsAFittedLevelInTheDigits) {
    TearDown();
    StartWindow("levels = 700\n");  // 100,0 dB
    window->ToolButton_AtoB->click();
    window->resize(1920, 1050);
    window->RecomputeLayout();
    window->Recorder().Tick();      // the clock sample that names the recording's file
    window->ToolButton3Click();  // start a recording
    ASSERT_TRUE(window->Session().Recording);
    window->Recorder().Tick();
    EXPECT_EQ(window->Label4->text(), QStringLiteral("100,0"));
    EXPECT_EQ(window->Label4->size(), window->Label4->sizeHint());
    EXPECT_TRUE(window->PanelB->rect().contains(window->Label4->geometry()));
    EXPECT_DOUBLE_EQ(window->Chart2->BarValue(), 100.0);
}

}  // namespace
