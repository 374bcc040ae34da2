// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window in a working folder of its own with the two pictures it
// needs and the export template, the seam doubles in virtual time and the
// simulated meter; helpers to record readings, answer the file dialogs and
// look at files.
#include "monitor/F_main.h"
#include "reading/record_file.h"
#include "sim/metersim.h"
#include "tests/support/main_window_fixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include <array>
#include <memory>
#include <vector>

class FilesFixture : public MainWindowFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(EnterFolder());
        metersim_reset();
        ASSERT_NO_FATAL_FAILURE(WriteBothPictures());
        WriteExportTemplate();
        BuildWindow();
    }

    // Starts a recording and takes `n` readings, a second apart.
    void Record(int n) {
        window->Recorder().Tick();  // the first clock sample names the file
        window->ToolButton3Click();
        ASSERT_TRUE(window->Session().Recording);
        for (int i = 0; i < n; ++i) {
            seams.time.Advance(1000);
            window->Recorder().Tick();
        }
        ASSERT_EQ(window->Session().ReadingCount, quint32(n));
    }

    void AnswerFileDialog(const QString& path, int filterIndex = 1) {
        platform::FileDialogAnswer answer;
        answer.accepted = true;
        answer.path = path;
        answer.filterIndex = filterIndex;
        seams.fileDialogs.answers.push_back(answer);
    }

    // Loads a file as the open command does once its dialog is confirmed.
    void Open(const QString& path) {
        AnswerFileDialog(path);
        window->ToolButton1Click();
    }

    using Row = std::array<QString, 5>;
    std::vector<Row> TableRows() const {
        std::vector<Row> rows;
        for (int r = 1; r < window->Table->RowCount(); ++r) {
            Row row;
            for (int k = 0; k < 5; ++k) row[std::size_t(k)] = window->Table->Cell(k, r);
            rows.push_back(row);
        }
        return rows;
    }
    static std::vector<double> Values(const ColouredCurve* curve) {
        std::vector<double> values;
        for (int i = 0; i < curve->Count(); ++i) values.push_back(curve->ValueAt(i));
        return values;
    }

    static void WriteFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    static QByteArray ReadFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    // A record file of the given words, least significant byte first.
    static void WriteWords(const QString& path, const std::vector<std::uint32_t>& words) {
        QByteArray bytes;
        for (std::uint32_t w : words)
            for (int b = 0; b < 4; ++b) bytes += char((w >> (8 * b)) & 0xFF);
        WriteFile(path, bytes);
    }

    bool TickRunsEverySecond() const { return window->Recorder().Timer().isActive() && window->Recorder().Timer().interval() == 1000; }
};
