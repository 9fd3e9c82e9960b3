#include "support/recording_checks.h"

#include "support/asf_builder.h"
#include "support/ffprobe.h"

#include <QFileInfo>
#include <QTcpServer>

#include <algorithm>
#include <cstdio>
#include <optional>

#include <gtest/gtest.h>

namespace tovrin::test {

constexpr long kMemoryLimitKb = 64 * 1024;

CliLaunch RecordLaunch(const QString& url, const QString& out, const QString& configHome, const QStringList& extra)
{
    return CliLaunch{.args = QStringList{QStringLiteral("record"), url, QStringLiteral("-o"), out}
                             + Args(u"--connect-timeout 10") + extra,
                     .configHome = configHome,
                     .timeoutMs = 30000};
}

void ExpectSameAsSource(const QString& recording, const QString& source)
{
    const AsfParts got = ReadAsf(recording);
    const AsfParts want = ReadAsf(source);
    const qsizetype fileSizeAt = FilePropertiesAt(want.header) + 40;
    EXPECT_EQ(QByteArray(got.header).replace(fileSizeAt, 8, want.header.mid(fileSizeAt, 8)), want.header);
    ExpectSizedAndIndexed(recording);
    ASSERT_EQ(got.packets.size(), want.packets.size());
    ExpectSlotsHoldTheSourcePackets(recording, want, want.packets.size());
    EXPECT_NEAR(ProbeDuration(recording), ProbeDuration(source), 0.05);
    EXPECT_EQ(ProbeStreamTypes(recording), ProbeStreamTypes(source));
}

void ExpectSlotsHoldTheSourcePackets(const QString& recording, const AsfParts& source, std::size_t count,
                                     qsizetype slotSize, qsizetype headerLength)
{
    ASSERT_FALSE(source.packets.empty());
    const QByteArray bytes = ReadWholeFile(recording);
    const qsizetype width = slotSize > 0 ? slotSize : qsizetype(source.packetSize);
    const qsizetype start = headerLength > 0 ? headerLength : source.header.size();
    for (std::size_t i = 0; i < count; ++i) {
        const QByteArray& packet = source.packets[i % source.packets.size()];
        const QByteArray slot = bytes.mid(start + qsizetype(i) * width, width);
        ASSERT_EQ(slot.size(), width) << "slot " << i << " is not complete in " << recording.toStdString();
        ASSERT_EQ(slot.first(packet.size()), packet) << "slot " << i;
        ASSERT_EQ(slot.sliced(packet.size()), QByteArray(width - packet.size(), '\0')) << "padding of slot " << i;
    }
}

namespace {

std::uint64_t Le(const QByteArray& bytes, qsizetype at, int width)
{
    std::uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | std::uint8_t(bytes.at(at + i));
    return value;
}

// The send time of an ASF data packet, read on its own: the error correction
// bytes, the two flag bytes and the fields their length types give.
std::optional<std::uint32_t> SendTime(const QByteArray& packet)
{
    qsizetype at = 0;
    if (packet.isEmpty())
        return std::nullopt;
    if (std::uint8_t(packet[0]) & 0x80)
        at = 1 + (std::uint8_t(packet[0]) & 0x0F);
    if (at + 2 > packet.size())
        return std::nullopt;
    const auto flags = std::uint8_t(packet[at]);
    const int widths[4] = {0, 1, 2, 4};
    at += 2 + widths[(flags >> 5) & 3] + widths[(flags >> 1) & 3] + widths[(flags >> 3) & 3];
    if (at + 4 > packet.size())
        return std::nullopt;
    return std::uint32_t(Le(packet, at, 4));
}

}  // namespace

void ExpectSizedAndIndexed(const QString& recording, bool cutShort)
{
    const QByteArray bytes = ReadWholeFile(recording);
    const AsfParts parts = ReadAsf(recording);
    ASSERT_FALSE(parts.header.isEmpty()) << recording.toStdString();
    const qsizetype data = parts.header.size() - 50;
    const std::uint64_t packets = FilePropertiesField(parts.header, 56);
    EXPECT_EQ(FilePropertiesField(parts.header, 40), std::uint64_t(bytes.size())) << "File Size";
    EXPECT_EQ(Le(parts.header, data + 40, 8), packets) << "Data Object packets";
    EXPECT_EQ(parts.packets.size(), packets);
    EXPECT_EQ(Le(parts.header, data + 16, 8), 50 + packets * parts.packetSize) << "Data Object size";

    // The index, right behind the last packet.
    const QByteArray& index = parts.tail;
    ASSERT_GE(index.size(), 56);
    EXPECT_EQ(index.first(16), QByteArray::fromHex("90080033B1E5CF1189F400A0C90349CB"));
    EXPECT_EQ(Le(index, 16, 8), std::uint64_t(index.size()));
    const qsizetype fpo = FilePropertiesAt(parts.header);
    EXPECT_EQ(index.mid(24, 16), parts.header.mid(fpo + 24, 16)) << "File ID";
    const std::uint64_t interval = Le(index, 40, 8);
    const std::uint64_t count = Le(index, 52, 4);
    ASSERT_EQ(interval, 10000000u);
    ASSERT_EQ(qsizetype(56 + count * 6), index.size());
    EXPECT_GE(count * interval, FilePropertiesField(parts.header, 64)) << "entries cover the play duration";
    std::uint64_t last = 0, widest = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t packet = Le(index, qsizetype(56 + i * 6), 4);
        widest = std::max(widest, Le(index, qsizetype(60 + i * 6), 2));
        ASSERT_LT(packet, parts.packets.size()) << "entry " << i;
        EXPECT_GE(packet, last) << "entry " << i;
        last = packet;
        const std::optional<std::uint32_t> sent = SendTime(parts.packets[packet]);
        ASSERT_TRUE(sent) << "entry " << i << " names a packet without a send time";
        EXPECT_LE(*sent, i * 1000) << "entry " << i << " names packet " << packet;
    }
    EXPECT_EQ(Le(index, 48, 4), widest) << "maximum packet count";

    QByteArray errors;
    EXPECT_EQ(RunProgram(QStringLiteral("sh"),
                         {QStringLiteral("-c"), QStringLiteral("ffmpeg -nostdin -v error -i \"$0\" -f null - 2>&1"),
                          recording},
                         &errors),
              0);
    // A live recording joins where it joins: before its first key frame is no fault.
    QList<QByteArray> lines = errors.split('\n');
    lines.removeIf(
        [](const QByteArray& line) { return line.isEmpty() || line.endsWith("first frame is no keyframe"); });
    errors = lines.join('\n');
    EXPECT_EQ(errors, QByteArray()) << "ffmpeg decoding " << recording.toStdString() << ": " << errors.toStdString();
    ExpectCheckSaysWhole(recording, !cutShort);
}

void ExpectCheckSaysWhole(const QString& recording, bool whole)
{
    const CliOutcome check = RunCli({QStringLiteral("check"), recording}, QFileInfo(recording).path());
    EXPECT_EQ(check.exitCode, whole ? 0 : 1) << check.out.toStdString();
}

std::uint64_t StatedPacketCount(const QString& recording)
{
    return FilePropertiesField(ReadWholeFile(recording), 56);
}

void ExpectBoundedMemory(const CliOutcome& outcome, const QString& what)
{
    std::printf("peak memory of tovrin-cli, %s: %ld kB\n", qPrintable(what), outcome.maxRssKb);
    if (kAddressSanitizer)
        return;
    EXPECT_GT(outcome.maxRssKb, 0) << what.toStdString();
    EXPECT_LT(outcome.maxRssKb, kMemoryLimitKb) << what.toStdString();
}

void ExpectEndedByItself(const CliOutcome& outcome, const QString& what)
{
    EXPECT_FALSE(outcome.timedOut) << what.toStdString() << " did not end:\n" << outcome.err.toStdString();
    EXPECT_EQ(outcome.termSignal, 0) << what.toStdString() << " was killed:\n" << outcome.err.toStdString();
}

quint16 ClosedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();  // closed again when `server` goes
}

}  // namespace tovrin::test
