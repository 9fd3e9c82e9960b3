#include "support/recording_checks.h"

#include "support/ffprobe.h"

#include <QTcpServer>

#include <cstdio>

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
    EXPECT_EQ(got.header, want.header);
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
