// What ends a recording by itself: --duration over every file and
// connection of the recording.

#include "asf/data_packet_reader.h"
#include "support/asf_sample.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/workspace.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

namespace {

// The media time a recording's packets span (ms): from its first send time
// to its last.
std::uint32_t SpanMs(const QString& recording)
{
    const AsfParts parts = ReadAsf(recording);
    std::uint32_t first = ~0u, last = 0;
    DataPacketFacts facts;
    for (const QByteArray& packet : parts.packets)
        if (ReadDataPacket(packet, facts)) {
            first = std::min(first, facts.sendTime);
            last = std::max(last, facts.sendTime);
        }
    return first <= last ? last - first : 0;
}

}  // namespace

// The limit is the media time of the whole recording: a playlist whose
// entries change files, or a broadcast that goes on into the next file after
// its server came back, stops at it with exit 0. A server sending faster
// than real time stops at the packet that passes it, not where a clock looked.
TEST(RecordLimits, DurationCountsEveryFileAndConnectionAndStopsAtThePacketThatPassesIt)
{
    Workspace w;
    ASSERT_TRUE(QFile::copy(SamplePath(Sample::Msmpeg4), w.media + u"/other.wmv"_s));
    const QString playlist = u"show="_s + w.source() + u","_s + w.media + u"/other.wmv"_s;
    ServerProcess fast(w.media, Args(u"--rate 0 --playlist") << playlist);
    ServerProcess comingBack(w.media, Args(u"--outage 3:1:1 --live") << u"news="_s + w.source());
    ASSERT_TRUE(fast.started() && comingBack.started());
    const struct {
        QString url;
        QString name;
        QStringList extra;
        double seconds;
    } runs[] = {{fast.url(u"show"_s), u"show"_s, {}, 8},
                {comingBack.url(u"news"_s), u"news"_s, Args(u"--reconnect 3"), 5}};
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name.toStdString());
        const QString out = w.out(run.name + u".wmv"_s), second = w.out(run.name + u" (2).wmv"_s);
        const CliOutcome cli = RunCli(Args(u"record") << run.url << u"-o"_s << out << u"--duration"_s
                                                      << QString::number(run.seconds) << run.extra,
                                      w.config, 30000);
        EXPECT_EQ(cli.exitCode, 0) << cli.err.toStdString();
        ASSERT_TRUE(QFileInfo::exists(second)) << cli.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(w.out(run.name + u" (3).wmv"_s)));
        const double recorded = (SpanMs(out) + SpanMs(second)) / 1000.0;
        EXPECT_GT(recorded, run.seconds - 1.5);
        EXPECT_LT(recorded, run.seconds + 0.5) << "recorded past the limit";
    }
}
