// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets_seams.h"

#include "color_chooser.h"
#include "date_question.h"
#include "desktop_notifier.h"
#include "file_dialogs.h"
#include "messages.h"
#include "notices.h"
#include "sleep.h"

#include <QApplication>
#include <QEventLoop>
#include <QColorDialog>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace platform {
namespace {

QWidget* AsWidget(QObject* owner) { return qobject_cast<QWidget*>(owner); }

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::None: return QMessageBox::NoIcon;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

class WidgetMessageBoxes final : public MessageBoxes {
public:
    int Show(const Message& m) override {
        QMessageBox box(AsWidget(m.owner));
        box.setWindowTitle(m.caption.isEmpty() ? QApplication::applicationName() : m.caption);
        box.setText(m.text);
        box.setIcon(BoxIcon(m.icon));
        QMessageBox::StandardButtons buttons;
        if (m.buttons & Ok) buttons |= QMessageBox::Ok;
        if (m.buttons & Yes) buttons |= QMessageBox::Yes;
        if (m.buttons & No) buttons |= QMessageBox::No;
        if (m.buttons & Cancel) buttons |= QMessageBox::Cancel;
        if (!buttons) buttons = QMessageBox::Ok;
        box.setStandardButtons(buttons);
        switch (box.exec()) {
        case QMessageBox::Ok: return Ok;
        case QMessageBox::Yes: return Yes;
        case QMessageBox::No: return No;
        case QMessageBox::Cancel: return Cancel;
        default: return (m.buttons & Cancel) ? Cancel : (m.buttons & No) ? No : Ok;
        }
    }
};

// A message box that does not block: shown and left to the user, who
// closes it with OK whenever he comes back. A second notice while the first
// is on screen only replaces its text, so a night of failures leaves one
// box, not hundreds.
class WidgetNotices final : public Notices {
public:
    void Show(const Notice& n) override {
        if (!box_) {
            box_ = new QMessageBox(AsWidget(n.owner));
            box_->setAttribute(Qt::WA_DeleteOnClose);
            // A message box is modal unless told otherwise.
            box_->setWindowModality(Qt::NonModal);
            box_->setModal(false);
            box_->setStandardButtons(QMessageBox::Ok);
        }
        box_->setWindowTitle(n.caption.isEmpty() ? QApplication::applicationName() : n.caption);
        box_->setIcon(BoxIcon(n.icon));
        box_->setText(n.text);
        box_->show();
        box_->raise();
    }
    bool OnScreen() const override { return box_ && box_->isVisible(); }

private:
    QPointer<QMessageBox> box_;  // cleared by Qt when the closed box is deleted
};

// "Label|*.a|Other|*.b;*.c" becomes "Label (*.a);;Other (*.b *.c)".
QStringList ToQtFilters(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        out << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    if (parts.size() == 1 && !parts[0].isEmpty()) out << QStringLiteral("*.%1 (*.%1)").arg(parts[0]);
    return out;
}

class WidgetFileDialogs final : public FileDialogs {
public:
    FileDialogAnswer Ask(const FileDialogRequest& r) override {
        QFileDialog dialog(AsWidget(r.owner));
        dialog.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(r.save ? QFileDialog::AnyFile : QFileDialog::AnyFile);
        // No overwrite confirmation and no insistence on an existing file:
        // the commands decide what happens to the chosen path.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        const QStringList filters = ToQtFilters(r.filter);
        dialog.setNameFilters(filters);
        if (r.filterIndex >= 1 && r.filterIndex <= filters.size())
            dialog.selectNameFilter(filters[r.filterIndex - 1]);
        if (!r.directory.isEmpty()) dialog.setDirectory(r.directory);
        if (!r.proposedName.isEmpty()) dialog.selectFile(r.proposedName);
        FileDialogAnswer answer;
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return answer;
        answer.accepted = true;
        answer.path = dialog.selectedFiles().first();
        answer.filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
        if (answer.filterIndex < 1) answer.filterIndex = 1;
        return answer;
    }
};

class WidgetColorChooser final : public ColorChooser {
public:
    std::optional<QColor> Choose(const QColor& initial, QObject* owner) override {
        const QColor c = QColorDialog::getColor(initial, AsWidget(owner));
        if (!c.isValid()) return std::nullopt;
        return c;
    }
};

// The question, a date field with its calendar, OK and Cancel.
class WidgetDateQuestions final : public DateQuestions {
public:
    std::optional<QDate> Ask(const DateRequest& r) override {
        QDialog dialog(AsWidget(r.owner));
        dialog.setWindowTitle(r.caption.isEmpty() ? QApplication::applicationName() : r.caption);
        auto* layout = new QVBoxLayout(&dialog);
        auto* text = new QLabel(r.text, &dialog);
        text->setWordWrap(true);
        text->setMinimumWidth(420);  // a question of a few lines, not a narrow column
        layout->addWidget(text);
        auto* date = new QDateEdit(r.initial.isValid() ? r.initial : QDate::currentDate(), &dialog);
        date->setCalendarPopup(true);
        // Four digits for the year: a short date's two would hide the century.
        QString format = QLocale().dateFormat(QLocale::ShortFormat);
        if (!format.contains(QLatin1String("yyyy"))) format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
        date->setDisplayFormat(format);
        layout->addWidget(date);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        layout->addWidget(buttons);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return date->date();
    }
};

// Blocks the caller like a plain sleep (no user input is handled), but lets
// painting and timers run between short slices so that the progress
// windows' clips keep playing while the meter is paced. The slices are
// counted, not timed, so a simulated meter's virtual time (which makes
// nanosleep return at once) still sees exactly `ms` milliseconds pass.
class EventPumpingSleeper final : public Sleeper {
public:
    void SleepMs(int ms) override {
        constexpr int SliceMs = 20;
        for (int left = ms; left > 0; left -= SliceMs) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                            QEventLoop::ExcludeSocketNotifiers);
            const int slice = std::min(left, SliceMs);
            timespec request{0, slice * 1000000L};
            timespec rest{};
            while (nanosleep(&request, &rest) != 0 && errno == EINTR) request = rest;
        }
    }
};

}  // namespace

void InstallWidgetsSeams() {
    static EventPumpingSleeper sleeper;
    SetSleeper(&sleeper);
    static WidgetMessageBoxes boxes;
    static WidgetFileDialogs dialogs;
    static WidgetColorChooser chooser;
    static WidgetDateQuestions dateQuestions;
    SetDateQuestions(&dateQuestions);
    SetMessageBoxes(&boxes);
    static WidgetNotices notices;
    SetNotices(&notices);
    SetFileDialogs(&dialogs);
    SetColorChooser(&chooser);
    InstallDesktopNotifier();
}

}  // namespace platform
