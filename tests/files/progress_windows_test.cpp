// SPDX-License-Identifier: GPL-3.0-or-later
// The three progress windows (save, open, card wait) with the clips the
// build draws (in the run folder): size, caption, place on the desktop, and
// a clip that plays.
// QV_HOLD_PROGRESS_MS keeps each window up longer, for a screenshot.
#include "ico/animate_widget.h"
#include "records/F_open.h"
#include "records/F_save.h"
#include "sdcard/Await.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

namespace {

int HoldMs() {
    const int ms = qEnvironmentVariableIntValue("QV_HOLD_PROGRESS_MS");
    return ms > 0 ? ms : 400;
}

template <class Form>
void ExpectPlaysCentred(Form& form, const QString& caption, QSize client, QRect clipPlace, int frames) {
    EXPECT_EQ(form.windowTitle(), caption);
    ASSERT_EQ(form.Animate1->FrameCount(), frames) << form.Animate1->OpenError().toStdString();
    form.show();
    form.StartAnimation();
    QTest::qWait(HoldMs());
    EXPECT_EQ(form.size(), client);
    EXPECT_EQ(form.Animate1->geometry(), clipPlace);
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    // Centred up to rounding and a window manager's frame, if there is one.
    EXPECT_LE((form.geometry().center() - centre).manhattanLength(), 40);
    EXPECT_TRUE(form.Animate1->IsPlaying());
    const int shown = form.Animate1->CurrentFrame();
    QTest::qWait(250);  // three frames at twelve a second
    EXPECT_NE(form.Animate1->CurrentFrame(), shown);
    form.StopAnimation();
    EXPECT_FALSE(form.Animate1->IsPlaying());
    form.hide();
}

}  // namespace

TEST(ProgressWindows, SaveWindowPlaysTheExchangeClip) {
    TFormSave form(QStringLiteral(QV_RUN_DIR), nullptr);
    ExpectPlaysCentred(form, QStringLiteral("Save File"), QSize(290, 77), QRect(8, 8, 272, 60), 24);
}

TEST(ProgressWindows, OpenWindowPlaysTheOpenClip) {
    TForm_MOpen form(QStringLiteral(QV_RUN_DIR), nullptr);
    ExpectPlaysCentred(form, QStringLiteral("Open File"), QSize(275, 67), QRect(8, 16, 260, 40), 16);
}

TEST(ProgressWindows, AMissingClipLeavesTheWindowEmptyButUsable) {
    TFormSave form(QStringLiteral("/nonexistent"), nullptr);
    EXPECT_EQ(form.Animate1->FrameCount(), 0);
    form.show();
    form.StartAnimation();
    EXPECT_FALSE(form.Animate1->IsPlaying());
    form.StopAnimation();
}

TEST(ProgressWindows, CardWaitWindowPlaysTheCardClip) {
    TForm_await form(QStringLiteral(QV_RUN_DIR), nullptr);
    ASSERT_EQ(form.Animate1->FrameCount(), 19) << form.Animate1->OpenError().toStdString();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("please wait."));
    form.show();
    form.StartAnimation();
    QTest::qWait(HoldMs());
    EXPECT_EQ(form.size(), QSize(280, 70));
    EXPECT_EQ(form.Animate1->geometry(), QRect(8, 8, 272, 60));
    EXPECT_TRUE(form.Animate1->IsPlaying());
    const int shown = form.Animate1->CurrentFrame();
    QTest::qWait(250);
    EXPECT_NE(form.Animate1->CurrentFrame(), shown);
    form.hide();
}

// Where each window lands: its top-left against the desktop's centre. The
// card wait window centres its outer size (with the frame a window system
// adds, 296 x 109), the others their own size.
TEST(ProgressWindows, EachWindowKeepsItsPlaceAndName) {
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    TFormSave save(QStringLiteral(QV_RUN_DIR), nullptr);
    TForm_MOpen open(QStringLiteral(QV_RUN_DIR), nullptr);
    TForm_await wait(QStringLiteral(QV_RUN_DIR), nullptr);
    struct Case {
        QDialog* form;
        const char* name;
        QPoint offset;
    };
    for (const Case& c : {Case{&save, "FormSave", {144, 38}}, Case{&open, "Form_MOpen", {137, 33}},
                          Case{&wait, "Form_await", {147, 54}}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.form->objectName(), QString::fromLatin1(c.name));
        EXPECT_FALSE(c.form->isModal());
        EXPECT_EQ(c.form->pos(), centre - c.offset);
        EXPECT_EQ(c.form->minimumSize(), c.form->maximumSize());  // fixed size
    }
}
