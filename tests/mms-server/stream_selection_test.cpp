// Stream selection on a multi-bit-rate file: a client that chooses one video
// stream and the audio receives only their payloads, in packets any player
// decodes; a player the server does not serve is refused.

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
// file, yet more than the chosen payloads. Without a selection, --unselected none sends no packet.
TEST(StreamSelection, OnlyTheChosenStreamsPayloadsReachTheClientAndPlay)
{
    const QString source = SamplePath(Sample::WmvMultiRate);
    const AsfParts parts = ReadAsf(source);
    const qsizetype whole = qsizetype(parts.packets.size()) * parts.packetSize;
    ServerProcess server(QFileInfo(source).absolutePath(),
                         Args(u"--rate 0 --http-port 0 --unselected none --require-agent NSPlayer/7.0"));
    ASSERT_TRUE(server.started());

    ScriptedClient client;
    ASSERT_TRUE(client.connectTo(server.port()) && client.openOverTcp(u"multi-rate.wmv"_s));
    client.readBlock();
    ASSERT_TRUE(client.expect(0x11) && !client.readHeader().empty());
    client.send(0x33, EncodeLE32(3) + EncodeLE16(0xFFFF) + EncodeLE16(2) + EncodeLE16(0) + EncodeLE16(0xFFFF)
                          + EncodeLE16(4) + EncodeLE16(0) + EncodeLE16(0xFFFF) + EncodeLE16(1) + EncodeLE16(2));
    client.startPlaying();
    ASSERT_TRUE(client.expect(0x21) && client.expect(0x05));
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
    QByteArray kinds;
    for (const MmshChunk& chunk : MmshGet(server.httpPort(), path, "xPlayStrm=1").chunks)
        kinds += chunk.type;
    EXPECT_EQ(kinds, "HE");
}

// Access denied in the connect reply (as an authorization plug-in answers),
// then the connection closes; over HTTP, 403.
TEST(StreamSelection, APlayerTheServerDoesNotServeIsRefused)
{
    ServerProcess server(QFileInfo(SamplePath(Sample::Wmv)).absolutePath(),
                         Args(u"--http-port 0 --require-agent NSPlayer/9"));
    ASSERT_TRUE(server.started());
    ScriptedClient client;
    ASSERT_TRUE(client.connectTo(server.port()));
    client.connectCommand();
    EXPECT_EQ(client.expect(0x01).value_or(MmsMessage()).u32(40), 0x80070005u);
    EXPECT_TRUE(client.waitClosed());
    EXPECT_TRUE(MmshGet(server.httpPort(), "/sample.wmv", "no-cache").head.startsWith("HTTP/1.0 403 Forbidden"));
}

}  // namespace
}  // namespace tovrin::test
