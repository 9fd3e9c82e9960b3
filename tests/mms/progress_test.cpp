#include "mms/progress.h"
#include "support/golden.h"
#include "support/temp_settings.h"

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;

TEST(RefreshTick, ShowsLiveOrTheProgressRemainingTimeAndCountersOfAFile)
{
    // Live: live everywhere and the gauge left alone.
    TestContext live;
    live.run.filePacketCount = kLivePacketCount;
    live.run.mediaTime = 61000;
    live.run.packetIndex = 12;
    AnnounceStreamStart(live.ctx);
    RefreshTick(live.ctx);
    QStringList lines = live.shell.calls;

    // No packet count yet: the caption is kept.
    TestContext t;
    t.shell.caption = QStringLiteral("Tovrin 動作");
    lines << QStringLiteral("--- file");
    RefreshTick(t.ctx);
    t.run.filePacketCount = 200;
    t.run.packetIndex = 50;
    t.run.headerSendDuration = 90000;
    t.run.mediaTime = 30000;
    t.run.maxBitRate = 128999;
    t.run.streamBitRate = 64000;
    t.run.packetSize = 3200;
    t.run.ackCount = 3;
    t.run.streamCount = 2;
    t.run.serverClientCount = 77;
    // The transport in use is named, not the setting ticked since.
    t.settings.udpTick = true;
    AnnounceStreamStart(t.ctx);
    RefreshTick(t.ctx);
    // Beyond the announced count and duration: held at 100 % and nothing left, never a wrapped figure.
    t.run.packetIndex = 250;
    t.run.mediaTime = 95000;
    t.run.dataOverUdp = true;
    AnnounceStreamStart(t.ctx);
    RefreshTick(t.ctx);
    lines += t.shell.calls;
    EXPECT_GOLDEN("mms/progress_ticks", lines);
}

TEST(CompletionSound, RepeatsAtTheDoneIntervalAndTreatsNonNumbersAsTenSeconds)
{
    for (const auto& [text, ms] :
         {std::pair{"10", 10000}, {" 3 ", 3000}, {"0", 0}, {"ten", 10000}, {"", 10000}, {"-5", 10000}})
        EXPECT_EQ(SoundRepeatInterval(QString::fromUtf8(text)), ms) << text;
}
