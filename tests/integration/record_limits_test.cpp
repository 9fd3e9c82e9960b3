// What ends a recording by itself: --duration over every file and
// connection of the recording, --stop-at; and when it starts: --start-at.

#include "asf/data_packet_reader.h"
#include "support/asf_sample.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/workspace.h"

#include <QDateTime>
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

// A start 3 s ahead is waited for and told, the stop 3 s later ends the live
// recording with exit 0 and a whole file; Ctrl-C while waiting records
// nothing and is no failure. A start passed 90 s ago (the machine slept)
// records at once and says how late, or nothing once the stop passed too.
TEST(RecordLimits, StartAtWaitsAndStopAtEndsAndAStartAlreadyPastIsLateOrMissed)
{
    Workspace w;
    ServerProcess live(w.media, Args(u"--rate 1 --live") << u"news="_s + w.source()), fast(w.media, Args(u"--rate 0"));
    ASSERT_TRUE(live.started() && fast.started());
    const auto in = [](int s, const QString& form = u"yyyy-MM-ddTHH:mm:ss"_s) {
        return QDateTime::currentDateTime().addSecs(s).toString(form);
    };
    const auto record = [&](const QString& url, const QString& name, const QStringList& times, bool ctrlC = false) {
        CliLaunch launch = RecordLaunch(url, w.out(name), w.config, times);
        if (ctrlC)
            launch.interruptWhen = [](qint64, const QString& log) { return log.contains(u"等待開始時間"_s); };
        return RunCli(launch);
    };
    const QString news = live.url(u"news"_s), clip = fast.url(u"clip.wmv"_s);
    const CliOutcome timed =
        record(news, u"news.wmv"_s, {u"--start-at"_s, in(3), u"--stop-at"_s, in(6, u"HH:mm:ss"_s)});
    EXPECT_TRUE(timed.exitCode == 0 && timed.err.startsWith(u"- 等待開始時間 "_s)
                && timed.err.contains(u"- 已到停止時間 "_s))
        << timed.err.toStdString();
    EXPECT_TRUE(timed.endedAtMs > 4500 && timed.endedAtMs < 9000) << timed.endedAtMs;
    EXPECT_EQ(RunCli(Args(u"check") << w.out(u"news.wmv"_s), w.config).exitCode, 0);
    const CliOutcome stopped = record(news, u"later.wmv"_s, {u"--start-at"_s, in(3600)}, true);
    EXPECT_TRUE(stopped.exitCode == 0 && stopped.err.endsWith(u"- 在開始時間之前停止，沒有錄製\n"_s))
        << stopped.err.toStdString();

    const CliOutcome late = record(clip, u"late.wmv"_s, {u"--start-at"_s, in(-90)});
    EXPECT_TRUE(late.exitCode == 0 && late.err.contains(u" 已過 00 : 01 : 3"_s)) << late.err.toStdString();
    ExpectSameAsSource(w.out(u"late.wmv"_s), w.source());
    const CliOutcome missed = record(clip, u"missed.wmv"_s, {u"--start-at"_s, in(-90), u"--stop-at"_s, in(-30)});
    EXPECT_TRUE(missed.exitCode == 1 && missed.err.contains(u"已過，沒有錄製"_s)) << missed.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(w.out(u"later.wmv"_s)) || QFileInfo::exists(w.out(u"missed.wmv"_s)));
}
