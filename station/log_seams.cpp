// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/log_seams.h"

namespace station {
namespace {

int FirstButton(int buttons) {
    for (int b : {platform::Ok, platform::Cancel, platform::Yes, platform::No})
        if (buttons & b) return b;
    return platform::Ok;
}

}  // namespace

LogSeams::LogSeams(StationLog& log) : log_(log) {
    platform::SetMessageBoxes(this);
    platform::SetNotices(this);
}

LogSeams::~LogSeams() {
    platform::SetMessageBoxes(nullptr);
    platform::SetNotices(nullptr);
}

int LogSeams::Show(const platform::Message& message) {
    log_.Error(message.text);
    return FirstButton(message.buttons);
}

void LogSeams::Show(const platform::Notice& notice) { log_.Warning(notice.text); }

}  // namespace station
