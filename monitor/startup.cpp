// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/startup.h"

#include "monitor/F_main.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QTimer>
#include <QWindow>
#include <memory>
#include <stdexcept>

namespace {

const QString ApplicationTitle = QStringLiteral("Quorvane ");

// The window's icon, the same picture as the menu entry's.
QIcon ProgramIcon() {
    QIcon icon;
    for (int side : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/art/app-icon-%1.png").arg(side), QSize(side, side));
    return icon;
}

// On X11 a window's class (WM_CLASS) is the application's name as it stands
// when the first window is made, and the toolkit keeps it from then on. The
// title "Quorvane " ends in a space that would end up in the class, where
// desktops match it against StartupWMClass; so the first window is made
// under the name without the space. The instance part is the program's file
// name, or RESOURCE_NAME when set (the demo launcher sets it, so that its
// windows group under its own menu entry).
void SettleWindowClass(QApplication& app) {
    app.setApplicationName(ApplicationTitle.trimmed());
    QWindow probe;
    probe.create();
}

}  // namespace

ProgramApplication::ProgramApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ProgramApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentError();
        return false;
    }
}

int RunProgram(QApplication& app, const QString& fileToOpen) {
    std::unique_ptr<TFormMain> window;
    try {
        SettleWindowClass(app);
        QGuiApplication::setDesktopFileName(QString::fromLatin1(DesktopFileName));
        QApplication::setWindowIcon(ProgramIcon());
        // The application's name is its title in boxes and the task bar. Not
        // its display name: Qt would append that to every window title.
        app.setApplicationName(ApplicationTitle);
        window = std::make_unique<TFormMain>();
        window->FormCreate();
        window->show();
        if (!fileToOpen.isEmpty()) {
            // Once the loop runs, as a pick in the Open dialog would be.
            const QString path = QFileInfo(fileToOpen).absoluteFilePath();
            TFormMain* main = window.get();
            QTimer::singleShot(0, main, [main, path] {
                RunCommand([&] {
                    main->OpenFileName = path;
                    main->LoadFile();
                });
            });
        }
        app.exec();
    } catch (...) {
        window.reset();
        ShowCurrentError();
        return 0;
    }
    return 0;
}
