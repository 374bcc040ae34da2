// SPDX-License-Identifier: GPL-3.0-or-later
#include "seam_doubles.h"

#include <QStringList>

namespace platform::testing {

VirtualTime::VirtualTime(QDateTime start) : now_(std::move(start)) {}

void VirtualTime::SleepMs(int ms) {
    sleeps.push_back(ms);
    sleptMs_ += ms;
    Advance(ms);
}

void VirtualTime::Advance(qint64 ms) {
    now_ = now_.addMSecs(ms);
    if (onAdvance) onAdvance(int(ms));
}

int MessageRecorder::Show(const Message& message) {
    shown.push_back(message);
    if (onShow) onShow(message);
    int answer = defaultAnswer;
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    }
    if (answer == 0) {
        for (int b : {Ok, Yes, No, Cancel})
            if (message.buttons & b) return b;
        return Ok;
    }
    return answer;
}

int MessageRecorder::Count(const QString& text) const {
    int n = 0;
    for (const auto& m : shown) n += (m.text == text);
    return n;
}

QStringList MessageRecorder::Texts() const {
    QStringList out;
    for (const auto& m : shown) out << m.text;
    return out;
}

int NeverAnsweringBoxes::Show(const Message& message) {
    shown.push_back(message);
    held = true;
    for (int b : {Ok, Yes, No, Cancel})
        if (message.buttons & b) return b;
    return Ok;
}

void NoticeRecorder::Show(const Notice& notice) {
    shown.push_back(notice);
    if (!onScreen) ++opened;
    onScreen = true;
}

int NoticeRecorder::Count(const QString& text) const {
    int n = 0;
    for (const auto& m : shown) n += (m.text == text);
    return n;
}

FileDialogAnswer ScriptedFileDialogs::Ask(const FileDialogRequest& request) {
    asked.push_back(request);
    if (answers.empty()) return {};
    FileDialogAnswer a = answers.front();
    answers.pop_front();
    return a;
}

std::optional<QColor> ScriptedColorChooser::Choose(const QColor& initial, QObject*) {
    initials.push_back(initial);
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.pop_front();
    return a;
}

std::optional<QDate> ScriptedDateQuestions::Ask(const DateRequest& request) {
    asked.push_back(request);
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.pop_front();
    return a;
}

SeamDoubles::SeamDoubles() {
    SetClock(&time);
    SetSleeper(&time);
    SetMessageBoxes(&messages);
    SetNotices(&notices);
    SetFileDialogs(&fileDialogs);
    SetColorChooser(&colors);
    SetDateQuestions(&dates);
    SetDesktopNotifier(&notifications);
}

SeamDoubles::~SeamDoubles() {
    SetClock(nullptr);
    SetSleeper(nullptr);
    SetMessageBoxes(nullptr);
    SetNotices(nullptr);
    SetFileDialogs(nullptr);
    SetColorChooser(nullptr);
    SetDateQuestions(nullptr);
    SetDesktopNotifier(nullptr);
}

}  // namespace platform::testing
