// SPDX-License-Identifier: GPL-3.0-or-later
// The toolbar's commands by keyboard and by name: Ctrl+O, Ctrl+S, Ctrl+P
// and F1 run the open, save, print and about commands as a click does, and
// the icon-only buttons carry their commands' names as tooltips, shown
// even while the window is not the active one.
#include "monitor/F_help.h"
#include "platform/printing.h"
#include "platform/testing/pdf_printer.h"
#include "tests/setup/meter_window.h"

#include <QApplication>
#include <QTest>
#include <QToolButton>

namespace {

class Keys : public MeterWindowTest {
protected:
    void SetUp() override {
        StartWindow();
        window->activateWindow();
        QApplication::processEvents();
        if (QApplication::activeWindow() != window.get()) GTEST_SKIP() << "the platform activates no window";
    }
};

TEST_F(Keys, TheUsualShortcutsRunTheirCommands) {
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);  // the scripted dialog cancels
    ASSERT_EQ(seams.fileDialogs.asked.size(), 1u);
    EXPECT_FALSE(seams.fileDialogs.asked[0].save);

    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);  // nothing to save yet
    EXPECT_EQ(seams.messages.Texts(), QStringList{QStringLiteral("No data you want to save!")});

    platform::testing::PdfPrinter printer(folder.filePath(QStringLiteral("chart.pdf")));
    platform::SetPrinter(&printer);
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    platform::SetPrinter(nullptr);
    EXPECT_EQ(printer.jobs, 1);
    EXPECT_EQ(printer.lastTitle, QStringLiteral("Chart1"));

    WhenOpen<TF_Help>([](TF_Help& box) { box.close(); });
    QTest::keyClick(window.get(), Qt::Key_F1);
    EXPECT_EQ(dialogsOpened, 1);
}

TEST_F(Keys, IconOnlyButtonsAreNamedAndTheirTooltipsShowInAnInactiveWindow) {
    const std::pair<QToolButton*, const char*> buttons[] = {
        {window->ToolButton1, "Open file"},      {window->ToolButton2, "Save  file"},
        {window->ToolButton3, "Online records"}, {window->ToolButton_AtoB, "Switch between pages"},
        {window->ToolButton5, "Set up the instrument"}, {window->ToolButton6, "SD card operation"},
        {window->ToolButton4, "Print the chart"}, {window->ToolButton7, "about"},
        {window->ToolButton8, "Noise statistics"},
    };
    for (const auto& [button, name] : buttons) {
        SCOPED_TRACE(name);
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(name));
        EXPECT_EQ(button->accessibleName(), QString::fromUtf8(name));
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
    }
    // The toolkit shows a tooltip of a window that is not active only when
    // the window says so.
    EXPECT_TRUE(window->testAttribute(Qt::WA_AlwaysShowToolTips));
}

}  // namespace
