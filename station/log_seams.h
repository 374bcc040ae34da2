// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The station's boxes and notices: with nobody at a screen, whatever the
// recorder would show goes to the log instead, and nothing waits for an
// answer (a box is answered with its first button at once).
#include "platform/messages.h"
#include "platform/notices.h"
#include "station/station_log.h"

namespace station {

class LogSeams final : public platform::MessageBoxes, public platform::Notices {
public:
    explicit LogSeams(StationLog& log);
    ~LogSeams() override;
    int Show(const platform::Message& message) override;
    void Show(const platform::Notice& notice) override;
    bool OnScreen() const override { return false; }

private:
    StationLog& log_;
};

}  // namespace station
