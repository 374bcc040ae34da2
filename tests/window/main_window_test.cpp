// SPDX-License-Identifier: GPL-3.0-or-later
// The main window frame: layout, shape, title strip, table header, the
// tick's link state and the page switch.
#include "monitor/F_main.h"
#include "monitor/reading_grid.h"
#include "window_fixture.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <memory>

namespace {

// Records the window system moves the title strip asks for.
class ObservedFormMain : public TFormMain {
public:
    int systemMoves = 0;

protected:
    bool BeginSystemMove() override {
        ++systemMoves;
        return true;
    }
};

class MainWindow : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        WriteBothPictures();
        window = std::make_unique<ObservedFormMain>();
        window->FormCreate();
    }
    void TearDown() override {
        window.reset();
        WindowFixture::TearDown();
    }

    // Resizes the window and lays it out again, as a maximise or restore does.
    void ResizeTo(int width, int height) {
        window->resize(width, height);
        window->RecomputeLayout();
    }

    void ExpectTitleButtonsAtRightEnd() {
        const int w = window->width();
        EXPECT_EQ(window->SpeedButtonClose->geometry(), QRect(w - 50, 2, 35, 22));
        EXPECT_EQ(window->SpeedButtonMaxMin->geometry(), QRect(w - 85, 2, 35, 22));
        EXPECT_EQ(window->SpeedButtonMinim->geometry(), QRect(w - 120, 2, 35, 22));
    }

    void ExpectRoundedShape() {
        const QRegion shape = window->mask();
        const int w = window->width(), h = window->height();
        ASSERT_FALSE(shape.isEmpty());
        EXPECT_EQ(shape.boundingRect(), QRect(0, 0, w, h));
        for (const QPoint corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)})
            EXPECT_FALSE(shape.contains(corner)) << corner.x() << "," << corner.y();
        for (const QPoint inside : {QPoint(w / 2, 0), QPoint(0, h / 2), QPoint(w - 1, h / 2), QPoint(w / 2, h - 1),
                                    QPoint(7, 7), QPoint(w - 8, h - 8)})
            EXPECT_TRUE(shape.contains(inside)) << inside.x() << "," << inside.y();
    }

    std::unique_ptr<ObservedFormMain> window;
};

TEST_F(MainWindow, StartsBorderlessAt857By596WithItsStartState) {
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->size(), QSize(857, 596));
    EXPECT_EQ(window->windowTitle(), QStringLiteral(" Quorvane"));
    EXPECT_EQ(window->StartFolder, folder.path());
    EXPECT_EQ(window->Recorder().ClockReading, seams.time.Now());
    EXPECT_TRUE(window->Recorder().Connected);  // the simulated meter is there
    EXPECT_FALSE(window->Session().Recording);
    EXPECT_TRUE(window->ChartPageShown);
    EXPECT_TRUE(window->Recorder().ClockTexts.IsEmpty());
    EXPECT_EQ(QColor::fromRgba(window->Session().RecColour), QColor(0, 0, 255));
    EXPECT_EQ(QColor::fromRgba(window->Session().MaxColour), QColor(255, 0, 0));
    EXPECT_EQ(QColor::fromRgba(window->Session().MinColour), QColor(0, 128, 0));
    EXPECT_EQ(window->Series_rec->Colour(), QColor::fromRgba(window->Session().RecColour));
    EXPECT_EQ(window->Series_max->Colour(), QColor::fromRgba(window->Session().MaxColour));
    EXPECT_EQ(window->Series_min->Colour(), QColor::fromRgba(window->Session().MinColour));
    EXPECT_EQ(window->Chart1->BottomMinimum(), 0);
    EXPECT_EQ(window->Chart1->BottomMaximum(), 300);
    EXPECT_EQ(window->LabelUSBState->text(), QStringLiteral("USB LINK"));
    EXPECT_TRUE(window->Recorder().Timer().isActive());
    EXPECT_EQ(window->Recorder().Timer().interval(), 1000);
    EXPECT_FALSE(window->SpeedButtonMaxMin->icon().isNull());
    ExpectRoundedShape();
}

// Sizes and positions for a few window sizes; the big digits' character
// height is trunc((page width - 180) * 0.34).
TEST_F(MainWindow, LayoutFollowsTheWindowSize) {
    struct Case {
        QSize window;
        int digitPixels;
    };
    const Case cases[] = {
        {{857, 596}, 228},   // start: page 852 wide
        {{865, 626}, 231},   // restored: page 860 wide, 231.2
        {{1185, 700}, 340},  // page 1180 wide
        {{1040, 650}, 290},  // page 1035 wide, 290.7
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.window.width() << "x" << c.window.height());
        ResizeTo(c.window.width(), c.window.height());
        const int W = c.window.width(), H = c.window.height();
        EXPECT_EQ(window->ImageTop->geometry(), QRect(0, 0, W, 25));
        EXPECT_EQ(window->ImageToole->geometry(), QRect(10, 25, 731, 75));
        EXPECT_EQ(window->ToolBar1->geometry(), QRect(10, 25, 726, 79));
        EXPECT_EQ(window->Panel_Stat->geometry(), QRect(0, H - 30, W, 30));
        EXPECT_EQ(window->PanelMain->geometry(), QRect(2, 110, W - 5, H - 140));
        EXPECT_EQ(window->PanelA->geometry(), QRect(0, 0, W - 5, H - 140));
        EXPECT_EQ(window->PanelB->geometry(), QRect(0, 0, W - 5, H - 140));
        ExpectTitleButtonsAtRightEnd();
        const int ph = H - 140, pw = W - 5;
        EXPECT_EQ(window->PanelA_LU->geometry(), QRect(0, 0, 250, 185));
        EXPECT_EQ(window->PanelA_LD->geometry(), QRect(0, 185, 250, ph - 185));
        EXPECT_EQ(window->PanelA_R->geometry(), QRect(250, 0, pw - 250, ph));
        EXPECT_EQ(window->Chart2->geometry(), QRect(0, 0, 105, ph));
        // The formula's size, or a little less where "129.9" would not fit.
        EXPECT_LE(window->Label4->font().pixelSize(), c.digitPixels);
        EXPECT_GE(window->Label4->font().pixelSize(), c.digitPixels * 9 / 10);
        EXPECT_EQ(window->Label4->pos(), QPoint(104, 56));
        EXPECT_EQ(window->Label6->pos(), QPoint(pw - 150, ph - 137));
        // The unit's box ends at the page's edge at the latest, so "dB" is whole.
        EXPECT_LE(window->Label6->geometry().right(), pw - 1);
        EXPECT_EQ(window->Label6->height(), 90);
    }
}

TEST_F(MainWindow, ToolbarShowsItsNineCommandsInOrder) {
    const std::pair<QToolButton*, const char*> buttons[] = {
        {window->ToolButton1, "Open file"},      {window->ToolButton2, "Save  file"},
        {window->ToolButton3, "Online records"}, {window->ToolButton_AtoB, "Switch between pages"},
        {window->ToolButton5, "Set up the instrument"}, {window->ToolButton6, "SD card operation"},
        {window->ToolButton4, "Print the chart"}, {window->ToolButton7, "about"},
        {window->ToolButton8, "Noise statistics"},
    };
    window->show();
    int left = -1;
    for (const auto& [button, hint] : buttons) {
        SCOPED_TRACE(hint);
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(hint));
        EXPECT_EQ(button->size(), QSize(79, 79));
        EXPECT_EQ(button->iconSize(), QSize(72, 72));
        // Left to right, every one of them on the bar (none pushed into an overflow menu).
        EXPECT_TRUE(button->isVisible());
        EXPECT_GT(button->x(), left);
        EXPECT_LE(button->geometry().right(), window->ToolBar1->width() - 1);
        left = button->x();
    }
}

TEST_F(MainWindow, MaximiseThenRestoreGivesTheRestoredSizeWhateverTheStart) {
    window->show();
    ResizeTo(700, 480);
    const QRect area = window->screen()->availableGeometry();
    const QPoint normalPosition = window->pos();

    window->SpeedButtonMaxMin->click();
    EXPECT_EQ(window->pos(), area.topLeft());
    EXPECT_TRUE(window->IsMaximised());
    EXPECT_EQ(window->size(), QSize(area.width(), area.height() - 30));
    ExpectTitleButtonsAtRightEnd();
    ExpectRoundedShape();
    EXPECT_EQ(window->PanelMain->geometry(), QRect(2, 110, area.width() - 5, area.height() - 30 - 140));

    window->SpeedButtonMaxMin->click();
    EXPECT_FALSE(window->IsMaximised());
    EXPECT_EQ(window->size(), QSize(865, 626));
    EXPECT_EQ(window->pos(), normalPosition);
    ExpectTitleButtonsAtRightEnd();
    ExpectRoundedShape();
    EXPECT_EQ(window->Label4->font().pixelSize(), 231);

    // And again: the second round trip ends in the same state.
    window->SpeedButtonMaxMin->click();
    window->SpeedButtonMaxMin->click();
    EXPECT_EQ(window->size(), QSize(865, 626));
    EXPECT_TRUE(seams.messages.shown.empty());
}

TEST_F(MainWindow, MissingMaximisedPictureIsReportedAndTheWindowStillMaximises) {
    window->show();
    ASSERT_TRUE(QFile::remove(folder.path() + QStringLiteral("/ico/max.bmp")));
    window->SpeedButtonMaxMin->click();
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    EXPECT_EQ(seams.messages.shown[0].icon, platform::MessageIcon::Error);
    EXPECT_TRUE(seams.messages.shown[0].text.contains(QStringLiteral("max.bmp")))
        << seams.messages.shown[0].text.toStdString();
    EXPECT_TRUE(window->IsMaximised());
    ExpectTitleButtonsAtRightEnd();
    ExpectRoundedShape();
    // The way back still works.
    window->SpeedButtonMaxMin->click();
    EXPECT_EQ(window->size(), QSize(865, 626));
    EXPECT_EQ(seams.messages.shown.size(), 1u);
}

TEST_F(MainWindow, OnlyTheLeftButtonOnTheTitleStripMovesTheWindow) {
    window->show();
    const QPoint before = window->pos();
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        QTest::mousePress(window->ImageTop, button, Qt::NoModifier, QPoint(300, 10));
        QTest::mouseMove(window->ImageTop, QPoint(350, 40));
        QTest::mouseRelease(window->ImageTop, button, Qt::NoModifier, QPoint(350, 40));
    }
    EXPECT_EQ(window->systemMoves, 0);
    EXPECT_EQ(window->pos(), before);

    QTest::mousePress(window->ImageTop, Qt::LeftButton, Qt::NoModifier, QPoint(300, 10));
    QTest::mouseRelease(window->ImageTop, Qt::LeftButton, Qt::NoModifier, QPoint(300, 10));
    EXPECT_EQ(window->systemMoves, 1);
}

TEST_F(MainWindow, TableStartsWithItsHeaderAndFourteenEmptyRows) {
    const char* header[] = {"REC", "dB", "A/C", "Time", "Date"};
    const int widths[] = {42, 35, 29, 54, 60};
    QAbstractItemModel* model = window->StringGrid->model();
    ASSERT_EQ(model, window->Table);
    ASSERT_EQ(model->columnCount(), 5);
    EXPECT_EQ(window->Table->RowCount(), 15);
    ASSERT_EQ(model->rowCount(), 14);
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(window->Table->Cell(column, 0), QString::fromLatin1(header[column]));
        EXPECT_EQ(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(),
                  QString::fromLatin1(header[column]));
        // Measured in the font at hand; never narrower than these.
        EXPECT_GE(window->StringGrid->columnWidth(column), widths[column]);
        for (int row = 0; row < model->rowCount(); ++row)
            EXPECT_TRUE(model->data(model->index(row, column), Qt::DisplayRole).toString().isEmpty());
    }
    EXPECT_EQ(window->StringGrid->rowHeight(0), 17);
    EXPECT_EQ(window->StringGrid->columnAt(0), 0);  // no row-number column before "REC"
}

TEST_F(MainWindow, PageSwitchAlternatesThePagesAndKeepsTheBigDigitPageAsBuilt) {
    window->show();
    EXPECT_TRUE(window->PanelA->isVisible());
    EXPECT_FALSE(window->PanelB->isVisible());

    window->ToolButton_AtoB->click();
    EXPECT_FALSE(window->ChartPageShown);
    EXPECT_FALSE(window->PanelA->isVisible());
    EXPECT_TRUE(window->PanelB->isVisible());
    EXPECT_EQ(window->Label4->text(), QStringLiteral("129.9"));
    EXPECT_EQ(window->Chart2->BarCount(), 1);
    EXPECT_DOUBLE_EQ(window->Chart2->BarValue(), 120);
    EXPECT_EQ(window->Label4->font().pixelSize(), 228);

    window->ToolButton_AtoB->click();
    EXPECT_TRUE(window->ChartPageShown);
    EXPECT_TRUE(window->PanelA->isVisible());
    EXPECT_FALSE(window->PanelB->isVisible());
}

// The first tick: clock texts, link state, timer restarted; no reading is
// asked for while no recording runs.
TEST_F(MainWindow, FirstTickShowsTheLinkStateAndRestartsTheTimer) {
    struct Case {
        const char* meters;
        bool connected;
        const char* text;
    };
    const Case cases[] = {
        {"", true, " USB Connect     "},
        {"devices = none", false, " USB Disconnect  "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.meters);
        metersim_reset();
        ASSERT_EQ(metersim_configure(c.meters), 0);
        seams.time.Set(QDateTime(QDate(2025, 1, 2), QTime(9, 5, 7)));
        window->LabelUSBState->setText(QStringLiteral("USB LINK"));
        metersim_log_clear();

        window->Recorder().Tick();

        EXPECT_EQ(window->Recorder().Connected, c.connected);
        EXPECT_EQ(window->LabelUSBState->text(), QString::fromLatin1(c.text));
        EXPECT_EQ(window->LabelUSBState->text().size(), 17);
        EXPECT_EQ(window->Recorder().ClockReading, seams.time.Now());
        const reading::ClockTexts& t = window->Recorder().ClockTexts;
        EXPECT_EQ(QStringList({t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second}),
                  QStringList({"2025", "1", "2", "9", "5", "7"}));
        EXPECT_TRUE(window->Recorder().Timer().isActive());
        EXPECT_EQ(window->Recorder().Timer().interval(), 1000);
        for (int i = 0; i < metersim_log_count(); ++i) {
            metersim_request request{};
            ASSERT_EQ(metersim_log_get(i, &request), 0);
            EXPECT_NE(request.request, 4) << "a reading was asked for without a recording";
        }
    }
}

TEST_F(MainWindow, TimerDrivesTheTickFromTheEventLoop) {
    metersim_configure("devices = none");
    window->Recorder().Timer().start(1);  // first tick soon; the tick itself puts back 1000 ms
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window->LabelUSBState->text() == QLatin1String(" USB Disconnect  "); }, 5000));
    EXPECT_EQ(window->Recorder().Timer().interval(), 1000);
    EXPECT_TRUE(window->Recorder().Timer().isActive());
}

}  // namespace
