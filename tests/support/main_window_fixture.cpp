// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/main_window_fixture.h"

#include "device/appusb.h"
#include "sim/metersim.h"
#include "tools/xlstemplate/export_template.h"

#include <QDir>
#include <QImage>

void MainWindowFixture::TearDown() {
    window.reset();
    if (closeMeterAtEnd) Appusb::CloseMeter();  // before the next test's meter forgets the handle
    if (!previousFolder.isEmpty()) QDir::setCurrent(previousFolder);
}

void MainWindowFixture::EnterFolder() {
    ASSERT_TRUE(folder.isValid());
    previousFolder = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
}

void MainWindowFixture::WritePicture(const QString& name) {
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("ico")));
    QImage picture(33, 20, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    ASSERT_TRUE(picture.save(Path(QStringLiteral("ico/") + name), "BMP"));
}

void MainWindowFixture::WriteBothPictures() {
    WritePicture(QStringLiteral("min.bmp"));
    WritePicture(QStringLiteral("max.bmp"));
}

void MainWindowFixture::WriteExportTemplate() {
    xlstemplate::WriteExportTemplate(Path(QStringLiteral("Export.vornic")));
}

void MainWindowFixture::StartMeter(const std::string& meterSettings) {
    Appusb::CloseMeter();  // a handle left by an earlier test belongs to the meter before the reset
    closeMeterAtEnd = true;
    metersim_reset();
    ASSERT_EQ(metersim_configure(("virtual_time = 1\n" + meterSettings).c_str()), 0);
    MeterFollowsVirtualTime();
}

void MainWindowFixture::MeterFollowsVirtualTime() {
    seams.time.onAdvance = [](int ms) { metersim_advance_ms(ms); };
}

void MainWindowFixture::BuildWindow() {
    window = std::make_unique<TFormMain>();
    window->FormCreate();
}

QString MainWindowFixture::Path(const QString& name) const { return folder.path() + QLatin1Char('/') + name; }
