// SPDX-License-Identifier: GPL-3.0-or-later
// Who hears of a failed transfer: the link's box by default, or the report
// a caller puts in place for a while (the recording's tick, which must not
// wait for anybody). Either way the handle is given up and the rest of the
// exchange sends nothing.
#include "device/appusb.h"
#include "platform/testing/seam_doubles.h"
#include "sim/metersim.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using namespace Appusb;

class FailureReport : public ::testing::Test {
protected:
    void SetUp() override {
        CloseMeter();
        metersim_reset();
    }
    void TearDown() override { CloseMeter(); }

    // A level request on a freshly opened meter whose next request fails.
    int FailingRequest(const char* fault) {
        EXPECT_EQ(OpenMeter(), Opened);
        EXPECT_EQ(metersim_command(fault), 0);
        ParameterBlock p;
        p.b[0] = 1;
        unsigned char level[4] = {};
        const int result = VendorRequest(DirIn, ReqReadLevel, p, level, 4);
        // The rest of the exchange: no transfer, no second report.
        EXPECT_EQ(VendorRequest(DirIn, ReqReadLevel, p, level, 4), 0);
        EXPECT_FALSE(HasHandle());
        EXPECT_EQ(metersim_open_handles(), 0);
        return result;
    }

    platform::testing::SeamDoubles seams;
};

TEST_F(FailureReport, TheBoxUnlessACallerPutsItsOwnReportInPlace) {
    struct Case {
        const char* name;
        const char* fault;
        bool scoped;          // a report of the caller's own is in place
        bool reportsNothing;  // ... and it is the empty one
        int result;
    };
    const Case cases[] = {
        {"box on a stall", "fault 4 stall", false, false, -32},
        {"box on a timeout", "fault 4 timeout", false, false, -110},
        {"own report on a stall", "fault 4 stall", true, false, -32},
        {"own report on a lost device", "fault 4 nodev", true, false, -19},
        {"nothing at all", "fault 4 timeout", true, true, -110},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CloseMeter();
        metersim_reset();
        seams.messages.shown.clear();
        std::vector<int> heard;
        std::optional<ScopedFailureReporter> own;
        if (c.scoped) {
            if (c.reportsNothing)
                own.emplace(FailureReporter());
            else
                own.emplace([&](int result) { heard.push_back(result); });
        }
        EXPECT_EQ(FailingRequest(c.fault), c.result);
        EXPECT_EQ(seams.messages.Count(QString::fromUtf8(DisconnectedMessage)), c.scoped ? 0 : 1);
        EXPECT_EQ(seams.messages.shown.size(), c.scoped ? 0u : 1u);
        EXPECT_EQ(heard, (c.scoped && !c.reportsNothing) ? std::vector<int>{c.result} : std::vector<int>{});
    }
}

TEST_F(FailureReport, EachReportIsPutBackWhenItsScopeEnds) {
    std::vector<int> outer, inner;
    {
        ScopedFailureReporter first([&](int r) { outer.push_back(r); });
        {
            ScopedFailureReporter second([&](int r) { inner.push_back(r); });
            FailingRequest("fault 4 stall");
        }
        FailingRequest("fault 4 nodev");
    }
    EXPECT_EQ(inner, std::vector<int>{-32});
    EXPECT_EQ(outer, std::vector<int>{-19});
    EXPECT_TRUE(seams.messages.shown.empty());

    FailingRequest("fault 4 stall");  // the box again
    EXPECT_EQ(seams.messages.Count(QString::fromUtf8(DisconnectedMessage)), 1);
}

}  // namespace
