// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window on the simulated meter in virtual time: a working folder
// with the pictures the window loads, the seam doubles (the simulator's
// clock follows the virtual clock), and helpers to act inside a modal
// dialog while its event loop runs. Shared by tests/setup and tests/views.
#include "device/appusb.h"
#include "monitor/F_main.h"
#include "sim/metersim.h"
#include "tests/support/main_window_fixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class MeterWindowTest : public MainWindowFixture {
protected:
    // Dialogs of these tests may open the link even without StartWindow.
    MeterWindowTest() { closeMeterAtEnd = true; }

    // Sets the simulated meter up (extra "key = value" lines on top of
    // virtual time) and builds the window, which opens the meter once.
    void StartWindow(const std::string& meterSettings = "") {
        ASSERT_NO_FATAL_FAILURE(EnterFolder());
        ASSERT_NO_FATAL_FAILURE(WriteBothPictures());
        ASSERT_NO_FATAL_FAILURE(StartMeter(meterSettings));
        BuildWindow();
        window->show();
        metersim_log_clear();
    }

    // Runs `act` on the first dialog of type Dialog found under the main
    // window once an event loop runs (that of the modal dialog). A dialog
    // the action left open is closed, so a failing test can't hang.
    template <class Dialog>
    void WhenOpen(std::function<void(Dialog&)> act) {
        QTimer::singleShot(0, window.get(), [this, act] {
            Dialog* dialog = window->findChild<Dialog*>();
            if (!dialog || !dialog->isVisible()) return;
            ++dialogsOpened;
            act(*dialog);
            if (dialog->isVisible()) dialog->reject();
        });
    }

    // Requests the meter saw since the window was built, of one code.
    static std::vector<metersim_request> Requests(int code) {
        std::vector<metersim_request> found;
        for (int i = 0; i < metersim_log_count(); ++i) {
            metersim_request r{};
            if (metersim_log_get(i, &r) == 0 && r.request == code) found.push_back(r);
        }
        return found;
    }

    int dialogsOpened = 0;
};
