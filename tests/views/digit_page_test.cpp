// The big-digit page: as built before the first reading, fitted to the
// page's width, and the page switch.
#include "tests/setup/meter_window.h"

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
    EXPECT_TRUE(window->Timer1S->isActive());  // the switch leaves the tick alone

    window->ToolButton_AtoB->click();
    EXPECT_TRUE(window->ChartPageShown);
    EXPECT_TRUE(window->PanelA->isVisible());
    EXPECT_FALSE(window->PanelB->isVisible());
}

TEST_F(DigitPage, DigitsAndUnitFollowThePageSize) {
    window->ToolButton_AtoB->click();
    struct Case {
        QSize window;
        int digitPixels;  // trunc((page width - 180) * 0.34)
    };
    // The page is the window less 5 wide and 140 high.
    const Case cases[] = {{{857, 596}, 228}, {{1185, 700}, 340}, {{1000, 640}, 277}, {{865, 626}, 231}};
    for (const Case& c : cases) {
        window->resize(c.window);
        window->RecomputeLayout();
        const QSize page = window->PanelB->size();
        SCOPED_TRACE(page.width());
        ASSERT_EQ(page, c.window - QSize(5, 140));
        EXPECT_EQ(window->Label4->font().pixelSize(), c.digitPixels);
        EXPECT_EQ(window->Label4->pos(), QPoint(104, 56));
        EXPECT_EQ(window->Label4->size(), window->Label4->sizeHint());  // sized to its text
        EXPECT_EQ(window->Label6->pos(), QPoint(page.width() - 150, page.height() - 137));
        EXPECT_EQ(window->Chart2->geometry(), QRect(0, 0, 105, page.height()));
    }
}

}  // namespace
