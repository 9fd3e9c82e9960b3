#include "mms/server_replies.h"
#include "asf/byte_helpers.h"
#include "locations/credentials.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "support/asf_builder.h"

#include <gtest/gtest.h>

using namespace tovrin;

TEST(ServerReplies, OpenFileReplyFillsTheFileFiguresAndAShortOneKeepsWhatItLacks)
{
    RunState run;
    QByteArray p = test::ServerCommand(0x06, 0, 152);
    PutLE(p, 92, 3200, 4);
    PutLE(p, 96, 0xFFFFFFFF, 4);
    PutLE(p, 104, 364000, 4);
    PutLE(p, 108, 5123, 4);
    EXPECT_TRUE(ReadOpenFileReply(p, run).empty());
    EXPECT_EQ(run.packetSize.load(), 3200u);
    EXPECT_EQ(run.filePacketCount.load(), 0xFFFFFFFFu);
    EXPECT_TRUE(run.isLive());
    EXPECT_EQ(run.streamBitRate.load(), 364000u);
    EXPECT_EQ(run.headerLength.load(), 5123u);

    QByteArray shortReply = test::ServerCommand(0x06, 0, 104);
    PutLE(shortReply, 92, 1600, 4);
    PutLE(shortReply, 96, 10, 4);
    EXPECT_EQ(ReadOpenFileReply(shortReply, run), (FieldsBeyondReply{{105, 104}, {109, 104}}));
    EXPECT_EQ(run.packetSize.load(), 1600u);
    EXPECT_EQ(run.filePacketCount.load(), 10u);
    EXPECT_EQ(run.streamBitRate.load(), 364000u);
    EXPECT_EQ(run.headerLength.load(), 5123u);
    EXPECT_EQ(FieldBeyondReplyMessage({109, 104}),
              QStringLiteral("data out of range - 4 byte to long function : 109 : 104"));
}

TEST(ServerReplies, ABroadcastAnnouncedTheMmspWayIsLive)
{
    RunState run;
    QByteArray p = test::ServerCommand(0x06, 0, 152);
    PutLE(p, 60, 0x02000000, 4);  // broadcast attribute, packet count 0
    ReadOpenFileReply(p, run);
    EXPECT_TRUE(run.isLive());

    RunState file;
    PutLE(p, 96, 500, 4);  // a count wins over the attribute
    ReadOpenFileReply(p, file);
    EXPECT_EQ(file.filePacketCount.load(), 500u);

    RunState unknown;
    PutLE(p, 60, 0, 4);
    PutLE(p, 96, 0, 4);
    ReadOpenFileReply(p, unknown);
    EXPECT_FALSE(unknown.isLive());
}

TEST(ServerReplies, FunnelReportsAppendTheirPayloadAndCount)
{
    RunState run;
    SessionState session;
    QByteArray p = test::ServerCommand(0x15, 0, 96);
    PutLE(p, 60, 4242, 4);
    p.replace(80, 16, QByteArray("0123456789abcdef"));
    ReadFunnelReport(p, run, session);
    ReadFunnelReport(test::ServerCommand(0x15, 0, 80), run, session);
    EXPECT_EQ(run.serverClientCount.load(), 0u);
    EXPECT_EQ(run.funnelData, QByteArray("0123456789abcdef"));
    EXPECT_EQ(session.funnelReportCount.load(), 2u);

    // A message length that claims more than the packet holds appends only what is there.
    QByteArray lying = test::ServerCommand(0x15, 0, 88);
    PutLE(lying, 8, 100000, 4);
    ReadFunnelReport(lying, run, session);
    EXPECT_EQ(run.funnelData.size(), 16 + 8);
}

TEST(ServerReplies, CredentialsRequestAppendsTheChallengeTextItHas)
{
    ServerCredentials credentials;
    const QString realm = QStringLiteral("realm=\"媒體\"");
    QByteArray p = test::ServerCommand(0x1A, 0, 96);
    QByteArray text;
    for (QChar c : realm)
        text += EncodeLE16(c.unicode());
    text += EncodeLE16(0);  // the text is zero-terminated and the length counts the zero
    PutLE(p, 48, std::uint32_t(text.size()), 4);
    p.replace(52, text.size(), text);
    ReadCredentialsRequest(p, credentials);
    EXPECT_EQ(credentials.challenge, realm);

    credentials.challenge.clear();
    QByteArray ten = test::ServerCommand(0x1A, 0, 64);
    PutLE(ten, 48, 10, 4);
    ten.replace(52, 10, QByteArray::fromHex("610062006300640065006600"));
    ReadCredentialsRequest(ten.first(64), credentials);
    EXPECT_EQ(credentials.challenge, QStringLiteral("abcde"));

    // A declared length far beyond the packet reads only the bytes present.
    credentials.challenge.clear();
    QByteArray lying = test::ServerCommand(0x1A, 0, 56);
    PutLE(lying, 48, 0x7FFFFFFF, 4);
    lying.replace(52, 4, QByteArray::fromHex("78007900"));
    EXPECT_TRUE(ReadCredentialsRequest(lying, credentials).empty());
    EXPECT_EQ(credentials.challenge, QStringLiteral("xy"));
}
