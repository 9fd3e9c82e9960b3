#include "mms-server/live_point.h"

#include "asf/byte_helpers.h"
#include "support/asf_sample.h"
#include "support/golden.h"
#include "support/golden_line.h"

#include <gtest/gtest.h>

#include <memory>

namespace tovrin::mmsserver {
namespace {

// The golden file: the loop's length (the sample plays 6 s); from the start,
// locations that count on over two loops and due times that only move
// forward; a client joining at the tenth packet of the third loop starts with
// the packet on air then, due at once, and later packets are due when they
// air, counted from the join. Moving each loop's send and presentation times
// on by the loop's length is judged by VLC playing a live point past its loop
// (tests/peers). Then the header: a broadcast, not seekable (flags 1),
// describing no file (zero sizes, counts and durations), since players that
// read the file's figures stop at the end of the looped file; and the
// open-file facts of each style.
TEST(LivePoint, LoopsCountOnALaterClientStartsWithThePacketOnAirAndTheHeaderSaysBroadcast)
{
    // A live point on the Wma sample whose broadcast clock the test sets.
    const auto now = std::make_shared<std::int64_t>(0);
    QString error;
    const auto point = LivePoint::create(QStringLiteral("radio"), {test::SamplePath(test::Sample::Wma)}, &error,
                                         [now] { return *now; });
    ASSERT_TRUE(point) << error.toStdString();
    const test::AsfParts parts = test::ReadAsf(test::SamplePath(test::Sample::Wma));
    const auto count = std::uint32_t(parts.packets.size());
    QStringList lines{QStringLiteral("%1 packets, loop %2 ms").arg(count).arg(point->loopMs())};
    const auto play = [&](LiveStyle style, std::uint32_t packets) {
        LiveSource source(point, style);
        auto cursor = source.play({});
        for (std::uint32_t n = 0; n < packets; ++n) {
            const auto packet = cursor->next();
            lines << (packet ? QStringLiteral("location %1 due %2").arg(packet->locationId).arg(packet->dueMs)
                             : QStringLiteral("none"));
        }
    };
    play(LiveStyle::AllOnesCount, 2 * count + 3);
    *now = point->airTimeMs({2, 10});
    const LivePoint::Position joined = point->positionAt(*now);
    lines << test::Line("joined at", *now, "loop", joined.loop, "packet", joined.index, "on air at",
                        point->airTimeMs(joined));
    for (LivePoint::Position ahead = joined; ahead.index < joined.index + 5;) {
        point->advance(ahead);
        lines << test::Line("packet", ahead.index, "airs", point->airTimeMs(ahead) - *now, "ms after the join");
    }
    play(LiveStyle::Mmsp, 6);
    const QByteArray& header = point->header(0);
    const qsizetype fpo = header.indexOf(QByteArray::fromHex("A1DCAB8C47A9CF118EE400C00C205365"));
    const qsizetype data = header.size() - 50;
    lines << QStringLiteral("header size %1, the file's %2").arg(header.size()).arg(parts.header.size())
          << QStringLiteral("flags %1").arg(LE32At(header, fpo + 88).value() & 0x03u)
          << QStringLiteral("packet size %1").arg(LE32At(header, fpo + 92).value());
    const std::pair<const char*, qsizetype> fields[] = {
        {"file size", fpo + 40},     {"packet count", fpo + 56},      {"play duration", fpo + 64},
        {"send duration", fpo + 72}, {"Data Object size", data + 16}, {"Data Object packet count", data + 40},
    };
    for (const auto& [field, at] : fields)
        lines << QStringLiteral("%1 %2").arg(QLatin1String(field)).arg(LE64At(header, at).value());
    for (const LiveStyle style : {LiveStyle::AllOnesCount, LiveStyle::Mmsp}) {
        const SourceFacts facts = point->facts(style, 0);
        lines << test::Line("facts: packet count", Qt::hex, facts.packetCount, "attributes", facts.attributes, Qt::dec,
                            "packet size", facts.packetSize);
    }
    EXPECT_GOLDEN("mms-server/live_point", lines);
}

}  // namespace
}  // namespace tovrin::mmsserver
