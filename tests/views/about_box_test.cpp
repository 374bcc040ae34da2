// SPDX-License-Identifier: GPL-3.0-or-later
// The about box: its picture, model line and footer; shown modally and
// destroyed when closed, while the tick goes on.
#include "monitor/F_help.h"
#include "tests/setup/meter_window.h"

#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QToolButton>

namespace {

class AboutBox : public MeterWindowTest {
protected:
    void SetUp() override { StartWindow(); }
};

TEST_F(AboutBox, ShowsBannerModelAndFooterAndIsDestroyedWhenClosed) {
    bool timerRanInside = false;
    WhenOpen<TF_Help>([&](TF_Help& box) {
        timerRanInside = window->Recorder().Timer().isActive();
        EXPECT_TRUE(box.isModal());
        EXPECT_EQ(box.windowTitle(), QStringLiteral("About"));
        EXPECT_EQ(box.size(), QSize(433, 235));
        EXPECT_EQ(box.minimumSize(), box.maximumSize());
        EXPECT_EQ(box.geometry().center(), window->geometry().center());
        EXPECT_TRUE(box.findChildren<QAbstractButton*>().isEmpty());

        EXPECT_EQ(box.Image1->geometry(), QRect(0, 0, 433, 193));
        ASSERT_FALSE(box.Image1->pixmap().isNull());
        EXPECT_EQ(box.Image1->pixmap().size(), QSize(433, 193));
        EXPECT_EQ(box.Bevel1->geometry(), QRect(0, 200, 441, 2));

        struct Line {
            QLabel* label;
            QString text;
            QPoint at;
            int pixels;
            QColor colour;
        };
        const Line lines[] = {
            {box.Label2, QStringLiteral("型号: "), {24, 120}, 16, QColor(0, 0, 128)},
            {box.Label_Mode, QStringLiteral("KT-5072(C)"), {88, 120}, 16, QColor(0, 0, 128)},
            {box.Label1, QString::fromUtf8(TF_Help::FooterText), {136, 210}, 12, QColor(Qt::black)},
        };
        for (const Line& l : lines) {
            SCOPED_TRACE(l.text.toStdString());
            EXPECT_EQ(l.label->text(), l.text);
            EXPECT_EQ(l.label->pos(), l.at);
            EXPECT_EQ(l.label->font().pixelSize(), l.pixels);
            EXPECT_TRUE(l.label->font().bold());
            EXPECT_EQ(l.label->palette().color(QPalette::WindowText), l.colour);
            EXPECT_FALSE(l.label->autoFillBackground());
            EXPECT_LE(l.label->geometry().right(), 432);  // whole within the box
        }
        box.close();  // its title bar
    });
    window->ToolButton7->click();
    EXPECT_EQ(dialogsOpened, 1);
    EXPECT_TRUE(timerRanInside);
    EXPECT_EQ(window->findChild<TF_Help*>(), nullptr);
}

}  // namespace
