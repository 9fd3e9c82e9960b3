#include "state/run_reset.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/temp_settings.h"

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;

// The display is cleared in order and the run reset, but the session stays:
// an earlier run's packets would otherwise count as this one's.
TEST(ResetRun, ClearsTheDisplayInOrderAndTheRunButNotTheSession)
{
    TestContext t;
    t.shell.log << QStringLiteral("old line");
    t.run.packetIndex = 77;
    t.run.serverHost = QStringLiteral("host");
    t.run.receivedPackets.expect(5, 2);
    SessionState& s = t.session;
    s.funnelReportCount = 2;
    s.streamNumbers[0] = 3;
    s.streamActions[0] = 1;
    s.savePath = QStringLiteral("/rec/a.wmv");
    s.mediaLocation = QStringLiteral("mms://host/a");

    ResetRun(t.ctx);
    t.shell.calls << Line("log", t.shell.log, "mode", int(t.shell.mode), "run", t.run.packetIndex.load(),
                          t.run.serverHost, t.run.receivedPackets.tracking());
    EXPECT_GOLDEN("state/reset_run", t.shell.calls << Line("session", s.funnelReportCount.load(), s.streamNumbers[0],
                                                           s.streamActions[0], s.savePath, s.mediaLocation));
}
