// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: the application's title, the main window's life, and the error
// boxes for errors that escape start-up or a command.
#include "monitor/F_main.h"
#include "monitor/startup.h"
#include "window_fixture.h"

#include <QApplication>
#include <QTimer>
#include <stdexcept>

namespace {

using StartUp = WindowFixture;

int MainWindowsAlive() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<TFormMain*>(widget)) ++count;
    return count;
}

TFormMain* MainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<TFormMain*>(widget)) return main;
    return nullptr;
}

TEST_F(StartUp, WithoutTheRestorePictureShowsAnErrorBoxAndNoWindow) {
    // No ico/min.bmp in the working folder (max.bmp alone does not help).
    WritePicture(QStringLiteral("max.bmp"));
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);

    EXPECT_EQ(RunProgram(*app), 0);

    ASSERT_EQ(seams.messages.shown.size(), 1u);
    const platform::Message& box = seams.messages.shown[0];
    EXPECT_EQ(box.icon, platform::MessageIcon::Error);
    EXPECT_TRUE(box.text.contains(folder.path() + QStringLiteral("/ico/min.bmp"))) << box.text.toStdString();
    EXPECT_EQ(MainWindowsAlive(), 0);
}

TEST_F(StartUp, ConstructionThrowsWhenTheRestorePictureIsMissing) {
    EXPECT_THROW(TFormMain window, std::runtime_error);
    WritePicture(QStringLiteral("min.bmp"));
    EXPECT_NO_THROW(TFormMain window);
}

TEST_F(StartUp, RunsTheWindowUntilItClosesAndReturnsZero) {
    WriteBothPictures();
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    bool sawWindow = false;
    QString headerSeen;
    QTimer::singleShot(0, [&] {
        TFormMain* main = MainWindow();
        sawWindow = main && main->isVisible();
        if (main) {
            headerSeen = main->Table->Cell(0, 0);
            main->SpeedButtonClose->click();
        }
    });

    EXPECT_EQ(RunProgram(*app), 0);

    EXPECT_TRUE(sawWindow);
    EXPECT_EQ(headerSeen, QStringLiteral("REC"));  // FormCreate ran before the loop
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("Quorvane "));
    EXPECT_EQ(QApplication::applicationDisplayName(), QStringLiteral("Quorvane "));
    EXPECT_TRUE(seams.messages.shown.empty());
    EXPECT_EQ(MainWindowsAlive(), 0);
}

// An error a command does not catch ends that command only and is shown in
// an error box with its text; one without a text gets an empty box.
TEST_F(StartUp, CommandErrorsAreShownAndTheProgramGoesOn) {
    bool after = false;
    RunCommand([] { throw std::runtime_error("Disk full"); });
    RunCommand([] { throw 42; });
    RunCommand([&] { after = true; });
    ASSERT_EQ(seams.messages.shown.size(), 2u);
    EXPECT_EQ(seams.messages.shown[0].text, QStringLiteral("Disk full"));
    EXPECT_EQ(seams.messages.shown[0].icon, platform::MessageIcon::Error);
    EXPECT_EQ(seams.messages.shown[1].text, QString());
    EXPECT_EQ(seams.messages.shown[1].icon, platform::MessageIcon::Error);
    EXPECT_TRUE(after);
}

// The test program runs on the program's own application object, so an
// event sent here goes through the same last line of error handling.
TEST_F(StartUp, AnErrorInAnEventHandlerIsShownByTheApplication) {
    ASSERT_NE(dynamic_cast<ProgramApplication*>(QCoreApplication::instance()), nullptr);
    class Thrower : public QObject {
    public:
        bool event(QEvent*) override { throw std::runtime_error("from a handler"); }
    } thrower;
    QEvent event(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&thrower, &event));
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    EXPECT_EQ(seams.messages.shown[0].text, QStringLiteral("from a handler"));
    EXPECT_EQ(seams.messages.shown[0].icon, platform::MessageIcon::Error);
}

}  // namespace
