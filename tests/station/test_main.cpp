// SPDX-License-Identifier: GPL-3.0-or-later
// One Qt Core application object, as the station has (signals through the
// event loop, processes started by the tests). No display.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
