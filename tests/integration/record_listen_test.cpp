// The player name a server expects, and listening while recording.

#include "state/settings_store.h"
#include "support/asf_sample.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/temp_settings.h"
#include "support/workspace.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

// A server that serves only NSPlayer/9 refuses the default name over MMS and
// MMS over HTTP, and the user is told what to try; --user-agent, or the
// PlayerName setting, records the stream whole.
TEST(RecordPlayerName, RefusedWithTheDefaultToldWhatToTryAndRecordedWholeWithTheNameTheServerServes)
{
    Workspace w;
    ServerProcess server(w.media, Args(u"--rate 0 --http-port 0 --require-agent NSPlayer/9"));
    ASSERT_TRUE(server.started());
    for (const QString& url : {server.url(u"clip.wmv"_s), server.mmshUrl(u"clip.wmv"_s)}) {
        SCOPED_TRACE(url.toStdString());
        const CliOutcome refused = RunCli(RecordLaunch(url, w.out(u"refused.wmv"_s), w.config));
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_TRUE(
            refused.err.contains(u"*** 伺服器可能不接受這個播放器名稱 (NSPlayer/7.0.0.1956)。\n*** 請在「設定」的"
                                 u"「播放器名稱」(或 tovrin-cli record --user-agent) 換成"_s))
            << refused.err.toStdString();
        const QString out = w.out(url.section(u':', 0, 0) + u".wmv"_s);
        const CliOutcome named = RunCli(RecordLaunch(url, out, w.config, Args(u"--user-agent NSPlayer/9.0.0.4503")));
        EXPECT_EQ(named.exitCode, 0) << named.err.toStdString();
        ExpectSameAsSource(out, w.source());
    }
    SettingsStore store(w.config + u"/Tovrin Streaming/Tovrin.conf"_s);
    WriteSettings(store, u"PlayerName=NSPlayer/9.0.0.4503"_s);
    const CliOutcome set = RunCli(RecordLaunch(server.mmshUrl(u"clip.wmv"_s), w.out(u"set.wmv"_s), w.config));
    EXPECT_EQ(set.exitCode, 0) << set.err.toStdString();
    EXPECT_TRUE(set.err.contains(u"- 沿用視窗的設定: 播放器名稱 NSPlayer/9.0.0.4503"_s));
}

// -o - writes the header and the packets, and nothing else, into a pipe that
// ffmpeg decodes without an error, while a player started with --play-command
// reads the same stream on its standard input; no file is left behind.
TEST(RecordListening, StandardOutputAndAPlayerGetTheStreamAPipeDecodes)
{
    Workspace w;
    ServerProcess server(w.media, Args(u"--rate 0"));
    ASSERT_TRUE(server.started());
    QDir(w.dir.path()).mkdir(u"tmp"_s);
    const QString pipeline =
        u"TMPDIR=tmp %1 record %2 -o - --play-command 'sh -c \"cat > played.asf\"' | tee piped.asf"
        u" | ffmpeg -v error -i - -f null - 2> ffmpeg.txt"_s.arg(QStringLiteral(TOVRIN_CLI_PATH),
                                                                 server.url(u"clip.wmv"_s));
    const CliOutcome piped = RunCli(CliLaunch{.program = u"/bin/bash"_s,
                                              .args = {u"-o"_s, u"pipefail"_s, u"-c"_s, pipeline},
                                              .configHome = w.config,
                                              .workingDir = w.dir.path()});
    EXPECT_EQ(piped.exitCode, 0) << piped.err.toStdString();
    EXPECT_EQ(ReadWholeFile(w.out(u"ffmpeg.txt"_s)), QByteArray());
    EXPECT_TRUE(ReadWholeFile(w.out(u"piped.asf"_s)) == ServedBytes(w.source()));
    EXPECT_TRUE(ReadWholeFile(w.out(u"played.asf"_s)) == ServedBytes(w.source()));
    EXPECT_TRUE(QDir(w.out(u"tmp"_s)).isEmpty());
}

// A player that reads nothing costs the recording nothing: it ends as soon as
// without one, its file whole, while the player's copy, past its bound, loses
// packets, told once; the program then waits for the player, and Ctrl-C ends
// the wait. A player that cannot start is told, and the recording goes on.
TEST(RecordListening, APlayerThatReadsNothingOrCannotStartNeverHoldsTheRecording)
{
    Workspace w;
    ServerProcess server(w.media, Args(u"--rate 0"));
    ASSERT_TRUE(server.started());
    const QString large = w.media + u"/large.wmv"_s;
    ASSERT_TRUE(QFile::copy(SamplePath(Sample::WmvLarge), large));
    const QString url = server.url(u"large.wmv"_s);
    const CliOutcome alone = RunCli(RecordLaunch(url, w.out(u"alone.wmv"_s), w.config));
    CliLaunch stalled = RecordLaunch(url, w.out(u"stalled.wmv"_s), w.config, Args(u"--play-command") << u"sleep 60"_s);
    stalled.interruptWhen = [](qint64, const QString& log) { return log.contains(u"等候播放器結束"_s); };
    const CliOutcome held = RunCli(stalled);
    EXPECT_EQ(held.exitCode, 0) << held.err.toStdString();
    EXPECT_LT(held.interruptedAtMs, 2 * alone.endedAtMs + 1000) << alone.endedAtMs;
    ExpectSameAsSource(w.out(u"stalled.wmv"_s), large);
    EXPECT_EQ(held.err.count(u"- 播放器跟不上串流: 它的複本略過封包 (等候中的資料已達 8 MiB)，錄製繼續"_s), 1)
        << held.err.toStdString();
    const CliOutcome missing = RunCli(RecordLaunch(server.url(u"clip.wmv"_s), w.out(u"missing.wmv"_s), w.config,
                                                   Args(u"--play-command") << u"/nonexistent/player -"_s));
    EXPECT_EQ(missing.exitCode, 0);
    EXPECT_TRUE(missing.err.contains(u"- 無法啟動播放器 /nonexistent/player -: "_s)) << missing.err.toStdString();
    ExpectSameAsSource(w.out(u"missing.wmv"_s), w.source());
}
