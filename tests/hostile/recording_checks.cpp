#include "hostile/recording_checks.h"

#include "asf/byte_helpers.h"

#include <QDir>
#include <QFile>

#include <cstdio>

#include <gtest/gtest.h>

namespace tovrin::test {

namespace {
const QByteArray kFilePropertiesGuid = QByteArray::fromHex("A1DCAB8C47A9CF118EE400C00C205365");
constexpr long kMemoryLimitKb = 64 * 1024;
}  // namespace

CliLaunch RecordLaunch(const QString& url, const QString& out, const QString& configHome, const QStringList& extra)
{
    CliLaunch launch;
    launch.args = QStringList{QStringLiteral("record"), url, QStringLiteral("-o"), out,
                              QStringLiteral("--connect-timeout"), QStringLiteral("10")}
                  + extra;
    launch.configHome = configHome;
    return launch;
}

QByteArray Slot(const QByteArray& recording, qsizetype headerLength, qsizetype slotSize, std::size_t index)
{
    return recording.mid(headerLength + qsizetype(index) * slotSize, slotSize);
}

void ExpectSlotsHoldTheSourcePackets(const QString& recording, const AsfParts& source, std::size_t count,
                                     qsizetype slotSize, qsizetype headerLength)
{
    ASSERT_FALSE(source.packets.empty());
    const QByteArray bytes = ReadWholeFile(recording);
    const qsizetype width = slotSize > 0 ? slotSize : qsizetype(source.packetSize);
    for (std::size_t i = 0; i < count; ++i) {
        const QByteArray& packet = source.packets[i % source.packets.size()];
        const QByteArray slot = Slot(bytes, headerLength > 0 ? headerLength : source.header.size(), width, i);
        ASSERT_EQ(slot.size(), width) << "slot " << i << " is not complete in " << recording.toStdString();
        ASSERT_EQ(slot.first(packet.size()), packet) << "slot " << i;
        ASSERT_EQ(slot.sliced(packet.size()), QByteArray(width - packet.size(), '\0')) << "padding of slot " << i;
    }
}

std::uint64_t StatedPacketCount(const QString& recording)
{
    const QByteArray bytes = ReadWholeFile(recording);
    const qsizetype at = bytes.indexOf(kFilePropertiesGuid);
    return at < 0 ? ~0ull : LEAt(bytes, at + 56, 8).value_or(~0ull);
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

}  // namespace tovrin::test
