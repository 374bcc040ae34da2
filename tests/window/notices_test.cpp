// SPDX-License-Identifier: GPL-3.0-or-later
// The toolkit's notice: a message box that does not hold the program, one
// on screen at a time, gone when the user presses OK.
#include "platform/notices.h"
#include "platform/testing/seam_doubles.h"
#include "platform/widgets_seams.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace {

QList<QMessageBox*> VisibleBoxes(const QWidget& owner) {
    QList<QMessageBox*> out;
    for (QMessageBox* box : owner.findChildren<QMessageBox*>())
        if (box->isVisible()) out << box;
    return out;
}

TEST(WidgetNotices, OneBoxThatNobodyHasToAnswerAndThatOKCloses) {
    platform::testing::SeamDoubles doubles;  // puts every seam back at the end
    platform::InstallWidgetsSeams();
    QWidget owner;
    owner.show();

    // Each call returns at once: a modal box would run its own loop here.
    platform::ShowNotice({QString(), QStringLiteral("first"), platform::MessageIcon::None, &owner});
    EXPECT_TRUE(platform::NoticeOnScreen());
    platform::ShowNotice({QStringLiteral("Caption"), QStringLiteral("second"), platform::MessageIcon::Information,
                          &owner});
    QList<QMessageBox*> boxes = VisibleBoxes(owner);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0]->text(), "second");
    EXPECT_EQ(boxes[0]->windowTitle(), "Caption");
    EXPECT_EQ(boxes[0]->icon(), QMessageBox::Information);
    EXPECT_FALSE(boxes[0]->isModal());
    EXPECT_EQ(boxes[0]->windowModality(), Qt::NonModal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // The user comes back and presses OK.
    QPushButton* ok = qobject_cast<QPushButton*>(boxes[0]->button(QMessageBox::Ok));
    ASSERT_NE(ok, nullptr);
    ok->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(platform::NoticeOnScreen());
    EXPECT_TRUE(owner.findChildren<QMessageBox*>().isEmpty());

    // The next notice opens a box again.
    platform::ShowNotice({QString(), QStringLiteral("third"), platform::MessageIcon::None, &owner});
    boxes = VisibleBoxes(owner);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0]->text(), "third");
    EXPECT_EQ(boxes[0]->icon(), QMessageBox::NoIcon);
    EXPECT_TRUE(platform::NoticeOnScreen());
}

}  // namespace
