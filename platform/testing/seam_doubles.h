// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test doubles for the platform seams: a virtual clock that sleeps take
// forward, a message recorder with scripted answers, a box nobody answers,
// a notice recorder, scripted file dialogs, a scripted colour chooser,
// scripted date questions and a desktop notification recorder. SeamDoubles
// installs all of them for the life of a test and puts the system versions
// back afterwards.
#include "../clock.h"
#include "../color_chooser.h"
#include "../date_question.h"
#include "../desktop_notify.h"
#include "../file_dialogs.h"
#include "../messages.h"
#include "../notices.h"
#include "../sleep.h"

#include <deque>
#include <functional>
#include <vector>

namespace platform::testing {

class VirtualTime final : public Clock, public Sleeper {
public:
    explicit VirtualTime(QDateTime start = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    QDateTime Now() const override { return now_; }
    void SleepMs(int ms) override;           // advances the clock, returns at once
    void Advance(qint64 ms);                 // the same, for a test's own use
    void Set(const QDateTime& t) { now_ = t; }
    qint64 SleptMs() const { return sleptMs_; }  // sum of all SleepMs calls
    std::vector<int> sleeps;                 // every SleepMs argument, in order
    std::function<void(int)> onAdvance;      // called with every advance (e.g. to move a simulator)

private:
    QDateTime now_;
    qint64 sleptMs_ = 0;
};

class MessageRecorder final : public MessageBoxes {
public:
    int Show(const Message& message) override;
    std::vector<Message> shown;
    std::deque<int> answers;                 // answers in order; when empty, defaultAnswer
    int defaultAnswer = 0;                   // 0: the box's first button (Ok, Yes, No, Cancel)
    std::function<void(const Message&)> onShow;  // runs while the "box" is open
    int Count(const QString& text) const;
    QStringList Texts() const;
};

// The message box of an unattended machine: nobody ever presses a button.
// Show records the box and marks the caller as held from then on; a real
// box would never return, so a test that drives the event loop itself
// delivers nothing more (no timer fires) once `held` is set.
class NeverAnsweringBoxes final : public MessageBoxes {
public:
    int Show(const Message& message) override;
    std::vector<Message> shown;
    bool held = false;
};

// Notices as a person sees them: Show puts one on screen, or replaces the
// text of the one there; it stays until the test closes it, as a user
// would with OK.
class NoticeRecorder final : public Notices {
public:
    void Show(const Notice& notice) override;
    bool OnScreen() const override { return onScreen; }
    void Close() { onScreen = false; }
    std::vector<Notice> shown;    // every Show, in order
    bool onScreen = false;
    int opened = 0;               // Shows that found no notice on screen
    int Count(const QString& text) const;
};

class ScriptedFileDialogs final : public FileDialogs {
public:
    FileDialogAnswer Ask(const FileDialogRequest& request) override;
    std::vector<FileDialogRequest> asked;
    std::deque<FileDialogAnswer> answers;    // when empty: cancelled
};

class ScriptedColorChooser final : public ColorChooser {
public:
    std::optional<QColor> Choose(const QColor& initial, QObject* owner) override;
    std::vector<QColor> initials;            // the colour each call started on
    std::deque<std::optional<QColor>> answers;  // when empty: cancelled
};

class ScriptedDateQuestions final : public DateQuestions {
public:
    std::optional<QDate> Ask(const DateRequest& request) override;
    std::vector<DateRequest> asked;
    std::deque<std::optional<QDate>> answers;  // when empty: cancelled
};

// Desktop notifications as sent, in order.
class NotificationRecorder final : public DesktopNotifier {
public:
    void Notify(const DesktopNotification& notification) override { sent.push_back(notification); }
    std::vector<DesktopNotification> sent;
};

// Installs every double above; restores the system seams when destroyed.
class SeamDoubles {
public:
    SeamDoubles();
    ~SeamDoubles();
    SeamDoubles(const SeamDoubles&) = delete;
    SeamDoubles& operator=(const SeamDoubles&) = delete;

    VirtualTime time;
    MessageRecorder messages;
    NoticeRecorder notices;
    ScriptedFileDialogs fileDialogs;
    ScriptedColorChooser colors;
    ScriptedDateQuestions dates;
    NotificationRecorder notifications;
};

}  // namespace platform::testing
