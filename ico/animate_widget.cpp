// SPDX-License-Identifier: GPL-3.0-or-later
#include "animate_widget.h"

#include <QPainter>

#include <algorithm>

AnimateWidget::AnimateWidget(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
    timer_->setObjectName(QStringLiteral("frameTimer"));
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &AnimateWidget::Step);
}

bool AnimateWidget::Open(const QString& path) {
    Stop();
    current_ = 0;
    const bool ok = clip_.Load(path);
    if (ok) Show(1);
    updateGeometry();
    update();
    return ok;
}

void AnimateWidget::Play(int fromFrame, int toFrame, int repeat) {
    Stop();
    if (clip_.IsEmpty()) return;
    const int count = clip_.FrameCount();
    from_ = std::clamp(fromFrame, 1, count);
    to_ = std::clamp(toFrame, from_, count);
    passesLeft_ = std::max(0, repeat);
    Show(from_);
    timer_->start(clip_.FrameIntervalMs());
}

void AnimateWidget::Stop() { timer_->stop(); }

void AnimateWidget::Step() {
    if (current_ < to_) {
        Show(current_ + 1);
        return;
    }
    // End of one pass.
    if (passesLeft_ == 1) {
        Stop();
        emit Finished();
        return;
    }
    if (passesLeft_ > 1) --passesLeft_;
    Show(from_);
}

void AnimateWidget::Show(int frame) {
    current_ = frame;
    update();
    emit FrameShown(frame);
}

QSize AnimateWidget::sizeHint() const {
    return clip_.IsEmpty() ? QSize(0, 0) : clip_.FrameSize();
}

void AnimateWidget::paintEvent(QPaintEvent*) {
    if (current_ < 1 || current_ > clip_.FrameCount()) return;
    const QImage& frame = clip_.Frame(current_ - 1);
    QPainter p(this);
    // Centred, like the clip control of a dialog; a smaller widget crops it.
    const QPoint at((width() - frame.width()) / 2, (height() - frame.height()) / 2);
    p.drawImage(at, frame);
}
