// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A clip player for the progress windows: shows one frame of an uncompressed
// AVI clip (read by AviClip) and steps through a range of frames on a timer at
// the clip's own frame rate. Frames are numbered from 1.
//
// A clip that is missing or cannot be read leaves the widget empty; nothing is
// reported to the user, the progress window simply shows no animation.

#include "ico/avi_clip.h"

#include <QTimer>
#include <QWidget>

class AnimateWidget : public QWidget {
    Q_OBJECT
public:
    explicit AnimateWidget(QWidget* parent = nullptr);

    // Loads the clip and shows its first frame; false when it cannot be
    // read, and then the widget is empty. Stops any playing clip.
    bool Open(const QString& path);

    // Plays frames fromFrame..toFrame (1-based, clamped to the clip), then
    // again from fromFrame, `repeat` times in all; 0 repeats forever. After the
    // last pass the last frame stays shown. Does nothing without a clip.
    void Play(int fromFrame, int toFrame, int repeat);
    // Stops on the frame now shown.
    void Stop();
    bool IsPlaying() const { return timer_->isActive(); }

    int FrameCount() const { return clip_.FrameCount(); }
    // The frame now shown, 1-based; 0 when there is no clip.
    int CurrentFrame() const { return current_; }
    // Why the last Open failed (empty after a successful one).
    const QString& OpenError() const { return clip_.Error(); }

    QSize sizeHint() const override;

signals:
    void FrameShown(int frame);
    void Finished();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Show(int frame);
    void Step();

    AviClip clip_;
    QTimer* timer_;  // child named "frameTimer"; one timeout shows the next frame
    int current_ = 0;
    int from_ = 0;
    int to_ = 0;
    int passesLeft_ = 0;  // 0: forever
};
