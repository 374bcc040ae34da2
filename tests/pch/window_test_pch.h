// SPDX-License-Identifier: GPL-3.0-or-later
// Headers every window test includes, compiled once for all of them: each
// window test file otherwise spends most of its 20 seconds of compiling on
// gtest, Qt Widgets and QCustomPlot. Qt Test is not here: its definitions
// name each test's own folders, and a header compiled with other values
// would be refused.
#pragma once
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QtWidgets/QtWidgets>
#include <qcustomplot.h>
