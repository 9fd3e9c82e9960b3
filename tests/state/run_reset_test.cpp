#include "state/run_reset.h"
#include "support/temp_settings.h"

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;

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

    EXPECT_EQ(t.shell.calls,
              (QStringList{QStringLiteral("closePreviewMonitor"), QStringLiteral("caption Tovrin"),
                           QStringLiteral("mode 0"), QStringLiteral("gauge 0 0"), QStringLiteral("clearLog"),
                           QStringLiteral("times  | "), QStringLiteral("clearProperties")}));
    EXPECT_TRUE(t.shell.log.isEmpty());
    EXPECT_EQ(t.shell.mode, ModeLabel::Standby);
    EXPECT_EQ(t.run.packetIndex.load(), 0u);
    EXPECT_TRUE(t.run.serverHost.isEmpty());
    EXPECT_FALSE(t.run.receivedPackets.tracking()) << "an earlier run's packets would count as this one's";
    EXPECT_EQ(s.funnelReportCount.load(), 2u);
    EXPECT_EQ(s.streamNumbers[0], 3);
    EXPECT_EQ(s.streamActions[0], 1);
    EXPECT_EQ(s.savePath, QStringLiteral("/rec/a.wmv"));
    EXPECT_EQ(s.mediaLocation, QStringLiteral("mms://host/a"));
}
