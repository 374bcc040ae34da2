// SPDX-License-Identifier: GPL-3.0-or-later
// The clip player: range, repeat count, stop, painting, a missing clip; and
// the pictures compiled into the window library as :/art resources.

#include "clip_frames.h"
#include "ico/animate_widget.h"
#include "tools/artgen/avi_writer.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Drives the player's frame timer by hand, so no test waits for real time.
class Player : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        frames_ = clip_test::RichFrames({30, 20}, 5);
        path_ = dir_.filePath("five.avi");
        QString error;
        ASSERT_TRUE(artgen::WriteAvi(path_, frames_, 25, &error)) << qPrintable(error);
        timer_ = widget_.findChild<QTimer*>("frameTimer");
        ASSERT_NE(timer_, nullptr);
    }
    // One tick of the frame timer, as the event loop would deliver it.
    void Tick() { QMetaObject::invokeMethod(timer_, "timeout"); }
    std::vector<int> Shown(const QSignalSpy& spy) {
        std::vector<int> frames;
        for (const auto& args : spy) frames.push_back(args.at(0).toInt());
        return frames;
    }

    QTemporaryDir dir_;
    std::vector<QImage> frames_;
    QString path_;
    AnimateWidget widget_;
    QTimer* timer_ = nullptr;
};

TEST_F(Player, PlaysARangeTheGivenNumberOfTimesThenHoldsTheLastFrame) {
    ASSERT_TRUE(widget_.Open(path_));
    EXPECT_EQ(widget_.FrameCount(), 5);
    EXPECT_EQ(widget_.CurrentFrame(), 1);
    QSignalSpy shown(&widget_, &AnimateWidget::FrameShown);
    QSignalSpy finished(&widget_, &AnimateWidget::Finished);

    widget_.Play(2, 4, 2);
    EXPECT_TRUE(widget_.IsPlaying());
    EXPECT_EQ(timer_->interval(), 40);  // 25 frames per second
    for (int i = 0; i < 10 && widget_.IsPlaying(); ++i) Tick();

    EXPECT_EQ(Shown(shown), (std::vector<int>{2, 3, 4, 2, 3, 4}));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(widget_.IsPlaying());
    EXPECT_EQ(widget_.CurrentFrame(), 4);
}

TEST_F(Player, RepeatZeroLoopsUntilStopped) {
    ASSERT_TRUE(widget_.Open(path_));
    QSignalSpy shown(&widget_, &AnimateWidget::FrameShown);
    widget_.Play(1, 3, 0);
    for (int i = 0; i < 7; ++i) Tick();
    EXPECT_EQ(Shown(shown), (std::vector<int>{1, 2, 3, 1, 2, 3, 1, 2}));
    EXPECT_TRUE(widget_.IsPlaying());
    widget_.Stop();
    EXPECT_FALSE(widget_.IsPlaying());
    EXPECT_EQ(widget_.CurrentFrame(), 2);
}

TEST_F(Player, ARangeBeyondTheClipIsClampedToIt) {
    ASSERT_TRUE(widget_.Open(path_));
    QSignalSpy shown(&widget_, &AnimateWidget::FrameShown);
    widget_.Play(0, 99, 1);
    for (int i = 0; i < 10 && widget_.IsPlaying(); ++i) Tick();
    EXPECT_EQ(Shown(shown), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(Player, PaintsTheCurrentFrameCentred) {
    ASSERT_TRUE(widget_.Open(path_));
    widget_.resize(40, 30);  // 5 pixels of margin on each side
    widget_.Play(3, 3, 1);
    const QImage shot = widget_.grab().toImage();
    for (QPoint p : {QPoint(0, 0), QPoint(29, 0), QPoint(0, 19), QPoint(17, 11)})
        EXPECT_EQ(shot.pixel(p + QPoint(5, 5)), frames_[2].pixel(p)) << p.x() << "," << p.y();
}

TEST_F(Player, AMissingOrBrokenClipLeavesItEmptyAndSilent) {
    ASSERT_TRUE(widget_.Open(path_));
    QFile broken(dir_.filePath("broken.avi"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("RIFF\x10\0\0\0AVI LIST");
    broken.close();
    for (const QString& path : {dir_.filePath("absent.avi"), broken.fileName()}) {
        EXPECT_FALSE(widget_.Open(path));
        EXPECT_FALSE(widget_.OpenError().isEmpty());
        EXPECT_EQ(widget_.FrameCount(), 0);
        EXPECT_EQ(widget_.CurrentFrame(), 0);
        EXPECT_EQ(widget_.sizeHint(), QSize(0, 0));
        widget_.Play(1, 19, 0);
        EXPECT_FALSE(widget_.IsPlaying());
    }
}

TEST(ArtResources, EveryPictureIsCompiledIntoTheWindows) {
    struct Resource {
        QString name;
        QSize size;
    };
    std::vector<Resource> resources;
    for (int i = 0; i < 9; ++i) resources.push_back({QStringLiteral("toolbar%1.png").arg(i), {72, 72}});
    resources.push_back({"arc.png", {230, 110}});
    resources.push_back({"close.png", {35, 22}});
    resources.push_back({"minimise.png", {35, 22}});
    resources.push_back({"banner.png", {433, 193}});
    resources.push_back({"app-icon-48.png", {48, 48}});
    for (const Resource& r : resources) {
        const QImage image(":/art/" + r.name);
        EXPECT_EQ(image.size(), r.size) << qPrintable(r.name);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Test discovery runs the program without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
