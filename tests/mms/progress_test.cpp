#include "mms/progress.h"
#include "support/temp_settings.h"

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;

TEST(RefreshTick, LiveRunShowsLiveEverywhereAndLeavesTheGaugeAlone)
{
    TestContext t;
    t.run.filePacketCount = kLivePacketCount;
    t.run.mediaTime = 61000;
    t.run.packetIndex = 12;
    AnnounceStreamStart(t.ctx);
    RefreshTick(t.ctx);
    EXPECT_EQ(t.shell.mode, ModeLabel::Live);
    EXPECT_EQ(t.shell.sendTime, QStringLiteral("00 : 01 : 01"));
    EXPECT_EQ(t.shell.timeLeft, QStringLiteral("LIVE"));
    EXPECT_EQ(t.shell.properties[PropertyField::TimeLeft], QStringLiteral("LIVE"));
    EXPECT_EQ(t.shell.caption, QStringLiteral("Tovrin - live -"));
    EXPECT_EQ(t.shell.gauge, 0);
    EXPECT_FALSE(t.shell.gaugeTextVisible);
    EXPECT_FALSE(t.shell.calls.filter(QStringLiteral("gauge")).size());
}

TEST(RefreshTick, FileRunShowsProgressRemainingTimeAndCounters)
{
    TestContext t;
    t.shell.caption = QStringLiteral("Tovrin 動作");
    RefreshTick(t.ctx);
    EXPECT_EQ(t.shell.caption, QStringLiteral("Tovrin 動作")) << "no packet count yet: caption kept";
    EXPECT_EQ(t.shell.timeLeft, QStringLiteral("00 : 00 : 00"));

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
    AnnounceStreamStart(t.ctx);
    RefreshTick(t.ctx);
    EXPECT_EQ(t.shell.mode, ModeLabel::PreRec);
    EXPECT_EQ(t.shell.gauge, 25);
    EXPECT_TRUE(t.shell.gaugeTextVisible);
    EXPECT_EQ(t.shell.caption, QStringLiteral("進度 25%"));
    EXPECT_EQ(t.shell.timeLeft, QStringLiteral("00 : 01 : 00"));
    const auto& p = t.shell.properties;
    EXPECT_EQ(p[PropertyField::Packets], QStringLiteral("50"));
    EXPECT_EQ(p[PropertyField::Acks], QStringLiteral("3"));
    EXPECT_EQ(p[PropertyField::StreamWindow], QStringLiteral("2"));
    EXPECT_EQ(p[PropertyField::AsfSize], QStringLiteral("3200"));
    EXPECT_EQ(p[PropertyField::BitRate], QStringLiteral("128"));
    EXPECT_EQ(p[PropertyField::StreamRate], QStringLiteral("64"));
    EXPECT_EQ(p[PropertyField::ServerLog], QStringLiteral("77"));

    // Beyond the announced count and duration: held at 100 % and nothing left, never a wrapped figure.
    t.run.packetIndex = 250;
    t.run.mediaTime = 95000;
    RefreshTick(t.ctx);
    EXPECT_EQ(t.shell.gauge, 100);
    EXPECT_EQ(t.shell.caption, QStringLiteral("進度 100%"));
    EXPECT_EQ(t.shell.timeLeft, QStringLiteral("00 : 00 : 00"));
}

TEST(AnnounceStreamStart, NamesTheTransportInUseNotTheSetting)
{
    TestContext t;
    t.settings.udpTick = true;  // ticked after the server was asked for TCP
    AnnounceStreamStart(t.ctx);
    t.settings.udpTick = false;
    t.run.dataOverUdp = true;
    AnnounceStreamStart(t.ctx);
    EXPECT_EQ(t.shell.log, (QStringList{QStringLiteral("- 接收 TCP 串流 -"), QStringLiteral("- 接收 UDP 串流 -")}));
}

TEST(CompletionSound, RepeatsAtTheDoneIntervalAndTreatsNonNumbersAsTenSeconds)
{
    for (const auto& [text, ms] :
         {std::pair{"10", 10000}, {" 3 ", 3000}, {"0", 0}, {"ten", 10000}, {"", 10000}, {"-5", 10000}})
        EXPECT_EQ(SoundRepeatInterval(QString::fromUtf8(text)), ms) << text;
}
