// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A working folder of its own, the seam doubles, and a freshly reset
// simulated meter; the test writes the pictures it wants and builds the
// window itself.
#include "sim/metersim.h"
#include "tests/support/main_window_fixture.h"

#include <QDir>
#include <QImage>

class WindowFixture : public MainWindowFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(EnterFolder());
        metersim_reset();
    }
};
