#include "state/run_reset.h"
#include "support/temp_settings.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;

TEST(ResetRun, ClearsTheDisplayInOrderAndEveryRunValueButTheStreamTableAndFunnelCount)
{
    TestContext t;
    RunState& r = t.run;
    t.shell.log << QStringLiteral("old line");
    const std::initializer_list<Counter*> counters = {
        &r.ackCount,          &r.commandSequence,    &r.packetSize,         &r.headerLength,
        &r.filePacketCount,   &r.streamBitRate,      &r.serverClientCount,  &r.mediaTime,
        &r.packetIndex,       &r.highestPacketIndex, &r.headerSendDuration, &r.headerFileSize,
        &r.storedPacketCount, &r.streamCount,        &r.streamKindBits,     &r.maxBitRate};
    for (Counter* c : counters)
        c->store(77);
    r.stopFlag = r.resume = r.localFileMode = r.liveHeaderFixed = r.packetCountFixed = true;
    r.incarnation = 5;
    r.funnelReportCount = 2;
    r.streamNumbers[0] = 3;
    r.receivedPackets.expect(5, 2);
    r.funnelData = "x";
    r.serverHost = QStringLiteral("host");

    ResetRun(t.ctx);

    EXPECT_EQ(t.shell.calls,
              (QStringList{QStringLiteral("closePreviewMonitor"), QStringLiteral("caption Tovrin"),
                           QStringLiteral("mode 0"), QStringLiteral("gauge 0 0"), QStringLiteral("clearLog"),
                           QStringLiteral("times  | "), QStringLiteral("clearProperties")}));
    EXPECT_TRUE(t.shell.log.isEmpty());
    EXPECT_EQ(t.shell.mode, ModeLabel::Standby);
    for (Counter* c : counters)
        EXPECT_EQ(c->load(), 0u);
    EXPECT_FALSE(r.stopFlag || r.resume || r.localFileMode || r.liveHeaderFixed || r.packetCountFixed);
    EXPECT_EQ(r.incarnation.load(), 1u);
    EXPECT_FALSE(r.receivedPackets.tracking()) << "an earlier run's packets would count as this one's";
    EXPECT_TRUE(r.funnelData.isEmpty() && r.serverHost.isEmpty());
    EXPECT_EQ(r.funnelReportCount.load(), 2u);
    EXPECT_EQ(r.streamNumbers[0], 3);
}
