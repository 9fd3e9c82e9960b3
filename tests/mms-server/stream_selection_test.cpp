// Stream selection on a multi-bit-rate file: a client that chooses one video
// stream and the audio receives only their payloads, in packets any player
// decodes. A player the server does not serve is refused.

#include "mms-server/scripted_client.h"

#include "support/asf_sample.h"
#include "support/ffprobe.h"
#include "support/mmsh_get.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace tovrin::test {
namespace {

// What a client receives, as a file: ffprobe's streams that carry packets, and ffmpeg's decoding errors.
std::pair<QList<int>, QStringList> played(const QByteArray& bytes)
{
    QTemporaryDir dir;
    const QString path = WriteFile(dir, u"played.wmv"_s, bytes);
    return {PacketStreams(path), DecodeErrors(path)};
}

// MMS chooses video 2 and the audio (4) by 0x33, MMSH video 3 and the audio
// by stream-switch-entry (video 1 named off, video 2 not named). A packet
// holding a chosen payload goes whole, so what is sent is well under the whole
// file, yet more than the chosen payloads. Without a selection, --unselected
// none sends no packet. Every request here comes from NSPlayer/7.0, served.
TEST(StreamSelection, OnlyTheChosenStreamsPayloadsReachTheClientAndPlayAndOnlyTheRequiredPlayer)
{
    const QString source = SamplePath(Sample::WmvMultiRate);
    const AsfParts parts = ReadAsf(source);
    const qsizetype whole = qsizetype(parts.packets.size()) * parts.packetSize;
    ServerProcess server(QFileInfo(source).absolutePath(),
                         Args(u"--rate 0 --http-port 0 --unselected none --require-agent NSPlayer/7.0"));
    ASSERT_TRUE(server.started());

    ScriptedClient client;
    ASSERT_TRUE(client.connectTo(server.port()) && client.readyToPlay(u"multi-rate.wmv"_s, {{2, 0}, {4, 0}, {1, 2}}));
    client.startPlaying();
    ASSERT_TRUE(client.expect(0x05));
    for (auto message = client.next(); message && !message->command;)
        message = client.next();
    EXPECT_LT(client.media.size() - parts.header.size(), whole * 3 / 4);
    EXPECT_EQ(played(client.media), std::pair(QList<int>{1, 3}, QStringList()));

    const QByteArray path = "/multi-rate.wmv";
    QByteArray mmsh;
    for (const MmshChunk& chunk :
         MmshGet(server.httpPort(), path, "xPlayStrm=1", "Pragma: stream-switch-entry=ffff:3:0 ffff:4:0 ffff:1:2\r\n")
             .chunks)
        mmsh += chunk.type == 'E' ? QByteArray() : chunk.payload;
    EXPECT_LT(mmsh.size() - parts.header.size(), whole * 3 / 4);
    EXPECT_EQ(played(mmsh), std::pair(QList<int>{2, 3}, QStringList()));
    EXPECT_EQ(MmshGet(server.httpPort(), path, "xPlayStrm=1").chunks.size(), 2u);  // $H and $E, no $D

    // Another player: access denied in the connect reply, as an authorization
    // plug-in answers, then the connection closes; over HTTP (the later User-Agent counts), 403.
    ScriptedClient stranger;
    ASSERT_TRUE(stranger.connectTo(server.port()));
    stranger.connectCommand(0, u"VLC/3.0.18"_s);
    EXPECT_EQ(stranger.expect(0x01).value_or(MmsMessage()).u32(40), 0x80070005u);
    EXPECT_TRUE(stranger.waitClosed());
    EXPECT_TRUE(
        MmshGet(server.httpPort(), path, "no-cache", "User-Agent: VLC/3.0.18\r\n").head.startsWith("HTTP/1.0 403"));
}

}  // namespace
}  // namespace tovrin::test
