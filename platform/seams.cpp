// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock.h"
#include "date_question.h"
#include "desktop_notify.h"
#include "file_dialogs.h"
#include "messages.h"
#include "notices.h"
#include "sleep.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace platform {
namespace {

class SystemClock final : public Clock {
public:
    QDateTime Now() const override { return QDateTime::currentDateTime(); }
};

class SystemSleeper final : public Sleeper {
public:
    void SleepMs(int ms) override {
        if (ms <= 0) return;
        timespec request{ms / 1000, (ms % 1000) * 1000000L};
        timespec rest{};
        // nanosleep by name: the simulated meter's virtual time takes it over.
        while (nanosleep(&request, &rest) != 0 && errno == EINTR) request = rest;
    }
};

class FallbackMessages final : public MessageBoxes {
public:
    int Show(const Message& m) override {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(m.caption), qPrintable(m.text));
        for (int b : {Ok, Yes, No, Cancel})
            if (m.buttons & b) return b;
        return Ok;
    }
};

class FallbackNotices final : public Notices {
public:
    void Show(const Notice& n) override { std::fprintf(stderr, "[%s] %s\n", qPrintable(n.caption), qPrintable(n.text)); }
    bool OnScreen() const override { return false; }
};

class FallbackFileDialogs final : public FileDialogs {
public:
    FileDialogAnswer Ask(const FileDialogRequest&) override { return {}; }
};

class FallbackDateQuestions final : public DateQuestions {
public:
    std::optional<QDate> Ask(const DateRequest&) override { return std::nullopt; }
};

class FallbackDesktopNotifier final : public DesktopNotifier {
public:
    void Notify(const DesktopNotification& n) override {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(n.summary), qPrintable(n.body));
    }
};

SystemClock systemClock;
SystemSleeper systemSleeper;
FallbackMessages fallbackMessages;
FallbackNotices fallbackNotices;
FallbackFileDialogs fallbackFileDialogs;
FallbackDesktopNotifier fallbackDesktopNotifier;
FallbackDateQuestions fallbackDateQuestions;

const Clock* currentClock = &systemClock;
Sleeper* currentSleeper = &systemSleeper;
MessageBoxes* currentMessages = &fallbackMessages;
Notices* currentNotices = &fallbackNotices;
FileDialogs* currentFileDialogs = &fallbackFileDialogs;
DesktopNotifier* currentDesktopNotifier = &fallbackDesktopNotifier;
DateQuestions* currentDateQuestions = &fallbackDateQuestions;

}  // namespace

QDateTime LocalNow() { return currentClock->Now(); }
void SetClock(const Clock* clock) { currentClock = clock ? clock : &systemClock; }

void SleepMs(int ms) { currentSleeper->SleepMs(ms); }
void SetSleeper(Sleeper* sleeper) { currentSleeper = sleeper ? sleeper : &systemSleeper; }

int ShowMessage(const Message& message) { return currentMessages->Show(message); }
void ShowPlainMessage(const QString& text, QObject* owner) {
    Message m;
    m.text = text;
    m.owner = owner;
    ShowMessage(m);
}
int ShowBox(QObject* owner, const QString& caption, const QString& text, MessageIcon icon, int buttons) {
    Message m;
    m.caption = caption;
    m.text = text;
    m.icon = icon;
    m.buttons = buttons;
    m.owner = owner;
    return ShowMessage(m);
}
void SetMessageBoxes(MessageBoxes* boxes) { currentMessages = boxes ? boxes : &fallbackMessages; }

void ShowNotice(const Notice& notice) { currentNotices->Show(notice); }
bool NoticeOnScreen() { return currentNotices->OnScreen(); }
void SetNotices(Notices* notices) { currentNotices = notices ? notices : &fallbackNotices; }

FileDialogAnswer AskForFile(const FileDialogRequest& request) { return currentFileDialogs->Ask(request); }
void SetFileDialogs(FileDialogs* dialogs) { currentFileDialogs = dialogs ? dialogs : &fallbackFileDialogs; }

std::optional<QDate> AskForDate(const DateRequest& request) { return currentDateQuestions->Ask(request); }
void SetDateQuestions(DateQuestions* questions) {
    currentDateQuestions = questions ? questions : &fallbackDateQuestions;
}

void NotifyDesktop(const DesktopNotification& notification) { currentDesktopNotifier->Notify(notification); }
void SetDesktopNotifier(DesktopNotifier* notifier) {
    currentDesktopNotifier = notifier ? notifier : &fallbackDesktopNotifier;
}

}  // namespace platform
