// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place the program asks the user for a calendar date (the day a
// record file whose name gives none was recorded). The window toolkit's
// version is installed with the other seams (platform/widgets_seams.h);
// tests install scripted answers (platform/testing/).
#include <QDate>
#include <QObject>
#include <QString>

#include <optional>

namespace platform {

struct DateRequest {
    QString caption;            // empty: the application's title
    QString text;               // the question
    QDate initial;              // the date shown at first
    QObject* owner = nullptr;
};

class DateQuestions {
public:
    virtual ~DateQuestions() = default;
    // Shows the question modally; the confirmed date, or nothing when the
    // user cancelled.
    virtual std::optional<QDate> Ask(const DateRequest& request) = 0;
};

std::optional<QDate> AskForDate(const DateRequest& request);

// Installs the questions; nullptr puts back the fallback, which cancels.
// Not owned.
void SetDateQuestions(DateQuestions* questions);

}  // namespace platform
