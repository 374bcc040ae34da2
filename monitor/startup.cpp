#include "monitor/startup.h"

#include "monitor/F_main.h"
#include "platform/messages.h"

#include <memory>
#include <stdexcept>

namespace {

const QString ApplicationTitle = QStringLiteral("Quorvane ");

}  // namespace

void ShowCurrentError() {
    QString text;
    try {
        throw;
    } catch (const std::exception& error) {
        text = QString::fromLocal8Bit(error.what());
    } catch (...) {
        // An error without a text still gets its (empty) box.
    }
    platform::Message message;
    message.text = text;
    message.icon = platform::MessageIcon::Error;
    message.owner = FormMain;
    platform::ShowMessage(message);
}

ProgramApplication::ProgramApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ProgramApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentError();
        return false;
    }
}

int RunProgram(QApplication& app) {
    std::unique_ptr<TFormMain> window;
    try {
        // The application's name is its title in boxes and the task bar. Not
        // its display name: Qt would append that to every window title.
        app.setApplicationName(ApplicationTitle);
        window = std::make_unique<TFormMain>();
        FormMain = window.get();
        window->FormCreate();
        window->show();
        app.exec();
    } catch (...) {
        window.reset();
        FormMain = nullptr;
        ShowCurrentError();
        return 0;
    }
    FormMain = nullptr;
    return 0;
}
