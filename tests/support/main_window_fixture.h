// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one fixture of the main-window tests: a temporary working folder (the
// program works in the folder it is started in), the pictures the window
// loads, the seam doubles, the simulated meter (optionally in virtual time,
// its clock following the virtual clock) and the window itself. Each test
// area's fixture derives from it and composes the steps its tests need, in
// the order they need them; TearDown undoes what was done.
#include "monitor/F_main.h"
#include "platform/testing/seam_doubles.h"

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <string>

class MainWindowFixture : public ::testing::Test {
protected:
    // Destroys the window, closes the link to the meter when asked to
    // (closeMeterAtEnd, set by StartMeter), and goes back to the folder the
    // test started in.
    void TearDown() override;

    // Makes the temporary folder the working folder.
    void EnterFolder();
    // Writes ico/<name> there as a small grey picture (33 x 20 BMP).
    void WritePicture(const QString& name);
    // The title strip's two button pictures, min.bmp and max.bmp.
    void WriteBothPictures();
    // The spreadsheet export template, Export.vornic.
    void WriteExportTemplate();

    // Forgets any handle of an earlier test's meter, resets the simulated
    // meter and sets it up in virtual time with the extra "key = value"
    // lines; the meter's clock then follows the virtual clock. The link is
    // closed again at TearDown.
    void StartMeter(const std::string& meterSettings = "");
    // Only the meter's clock follows the virtual clock (for a meter reset
    // without virtual time in its settings).
    void MeterFollowsVirtualTime();

    // Builds the main window as the program does (TFormMain, FormCreate).
    void BuildWindow();

    // A path in the working folder.
    QString Path(const QString& name) const;

    QTemporaryDir folder;
    QString previousFolder;
    platform::testing::SeamDoubles seams;
    std::unique_ptr<TFormMain> window;
    // Whether TearDown closes the link to the meter (after the window is
    // gone), so the next test's meter reset finds no handle of this one.
    bool closeMeterAtEnd = false;
};
