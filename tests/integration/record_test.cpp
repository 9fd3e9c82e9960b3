// tovrin-cli record against the real MMS test server, on files made by ffmpeg.

#include "asf/byte_helpers.h"
#include "asf/packet_parser.h"
#include "support/asf_builder.h"
#include "support/asf_sample.h"
#include "support/ffprobe.h"
#include "support/golden.h"
#include "support/recording_checks.h"
#include "support/run_transcript.h"
#include "support/server_process.h"
#include "support/workspace.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QUdpSocket>
#include <QUrl>

#include <csignal>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

namespace {

QStringList recordArgs(const QString& url, const QString& out, const QStringList& extra = {})
{
    return QStringList{QStringLiteral("record"), url, QStringLiteral("-o"), out} + extra;
}

// A workspace that records with tovrin-cli: `record URL -o OUT EXTRA`, and
// keeps a transcript of its runs: each command, its exit code and its log.
struct Recorder : Workspace {
    QStringList transcript;
    CliOutcome record(const QString& url, const QString& out, const QStringList& extra = {}, int timeoutMs = 60000)
    {
        const CliOutcome r = RunCli(recordArgs(url, out, extra), config, timeoutMs);
        note(recordArgs(url, out, extra), QStringLiteral("exit %1").arg(r.exitCode), r.err);
        return r;
    }
    void note(const QStringList& args, const QString& end, const QString& log)
    {
        transcript << StableLog(QStringLiteral("$ ") + args.join(u' '), dir.path()) << end
                   << StableLog(log, dir.path());
    }
    // The same, which must end well and leave the served clip in `out`.
    void recordWhole(const QString& url, const QString& out, const QStringList& extra = {}, int timeoutMs = 60000)
    {
        EXPECT_EQ(record(url, out, extra, timeoutMs).exitCode, 0);
        ExpectSameAsSource(out, source());
    }
    // What the recording `out` holds, in the transcript.
    void facts(const QString& out) { transcript << RecordingFacts(out, ReadAsf(source())); }
    // tovrin-cli run with `args` to its end while `server` answers each
    // connection it accepts with `answer` and closes it; the transcript
    // tells the connections too.
    void serve(QTcpServer& server, const QStringList& args, const std::function<void(QTcpSocket&)>& answer)
    {
        auto cli = StartCli(args, config);
        int connections = 0;
        const QDeadlineTimer deadline(30000);
        while (cli->state() != QProcess::NotRunning && !deadline.hasExpired()) {
            if (server.waitForNewConnection(20)) {
                std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
                answer(*socket);
                socket->disconnectFromHost();
                ++connections;
            }
            cli->waitForFinished(0);
        }
        const bool ended = cli->state() == QProcess::NotRunning || cli->waitForFinished(5000);
        note(args, QStringLiteral("exit %1, %2 connections").arg(ended ? cli->exitCode() : -1).arg(connections),
             QString::fromUtf8(cli->readAllStandardError()));
    }
};

// clip.wmv on `server` over MMS or MMSH.
QString clipUrl(const ServerProcess& server, bool overHttp = false)
{
    return overHttp ? server.mmshUrl(QStringLiteral("clip.wmv")) : server.url(QStringLiteral("clip.wmv"));
}

}  // namespace

// An interrupted download resumes into the same file at the next packet.
// The log is saved automatically beside each recording, or where
// --save-log says, never over the recording. Credentials are accepted,
// refused or cancelled: over MMS a refusal is the server's error code; over
// HTTP the server asks again, and after a few tries the recorder gives up.
TEST(Record, AnInterruptedDownloadResumesAndCredentialsAreAcceptedRefusedOrCancelled)
{
    Recorder w;
    QDir().mkpath(w.config + QStringLiteral("/Tovrin Streaming"));
    const QString conf = w.config + QStringLiteral("/Tovrin Streaming/Tovrin.conf");
    ASSERT_TRUE(WriteWholeFile(conf, "[General]\nAutoLog=on\nAuth=Ym9iOnB3\n"));
    // Another programme with a header of the same length: its File ID differs.
    QByteArray other = ReadWholeFile(w.source());
    other[other.indexOf(QByteArray::fromHex("A1DCAB8C47A9CF118EE400C00C205365")) + 24] ^= 0x5a;
    ASSERT_TRUE(WriteWholeFile(w.media + QStringLiteral("/other.wmv"), other));
    const QByteArray logStart = QStringEncoder("Big5")(QStringLiteral(" -------- 開始記錄 --------\n"));
    for (const bool overHttp : {false, true}) {
        SCOPED_TRACE(overHttp ? "mmsh" : "mms");
        const QString out = w.out(overHttp ? QStringLiteral("resumed-h.wmv") : QStringLiteral("resumed.wmv"));
        {
            ServerProcess dropping(w.media, Args(u"--rate 0 --http-port 0 --drop-after 10"));
            ASSERT_TRUE(dropping.started());
            w.record(clipUrl(dropping, overHttp), out);
            w.facts(out);  // the count says how many packets are stored
        }
        ServerProcess server(w.media, Args(u"--rate 0 --http-port 0 --auth alice:s3cret"));
        ASSERT_TRUE(server.started());
        const QString url = clipUrl(server, overHttp);
        const QStringList alice = Args(u"--user alice --password s3cret");

        // Without an answer to the resume question the file is left alone,
        // and so it is when resumed from another stream.
        const QByteArray before = ReadWholeFile(out);
        w.record(url, out, alice);
        EXPECT_EQ(ReadWholeFile(out), before);
        w.record(clipUrl(server, overHttp).replace(u"clip"_s, u"other"_s), out, alice + Args(u"--resume"));
        EXPECT_EQ(ReadWholeFile(out), before);

        w.recordWhole(url, out, alice + Args(u"--resume"));  // at the next packet
        EXPECT_TRUE(
            ReadWholeFile(QString(out).replace(QStringLiteral(".wmv"), QStringLiteral(".log"))).startsWith(logStart));
        const QString asked = w.out(QStringLiteral("asked%1.log").arg(overHttp));
        w.recordWhole(url, w.out(QStringLiteral("other.wmv")), alice + (Args(u"--overwrite --save-log") << asked));
        EXPECT_EQ(ReadWholeFile(out), ReadWholeFile(w.out(QStringLiteral("other.wmv")))) << "resumed as if never cut";
        EXPECT_TRUE(ReadWholeFile(asked).startsWith(logStart));
        EXPECT_FALSE(QFileInfo::exists(w.out(QStringLiteral("other.log"))));

        // Over MMS an address without a port takes the port from --tcp-port.
        w.recordWhole(overHttp ? url : QStringLiteral("mmst://127.0.0.1/clip.wmv"), out,
                      alice + (Args(u"--overwrite --tcp-port ") << QString::number(server.port())));  // starts afresh
        w.transcript << ServerLines(server.log(), QStringLiteral("play"), w.dir.path());

        // The password from a file only its owner may read; one that others
        // may read is refused before anything is sent.
        const QString privateFile = w.out(QStringLiteral("private.pw")),
                      sharedFile = w.out(QStringLiteral("shared.pw"));
        ASSERT_TRUE(WriteWholeFile(privateFile, "s3cret\n", QFile::ReadOwner | QFile::WriteOwner));
        ASSERT_TRUE(WriteWholeFile(sharedFile, "s3cret\n", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        w.recordWhole(url, w.out(QStringLiteral("f.wmv")),
                      Args(u"--overwrite --user alice --password-file") << privateFile);
        w.record(url, w.out(QStringLiteral("s.wmv")), Args(u"--user alice --password-file") << sharedFile);
        w.facts(w.out(QStringLiteral("s.wmv")));
        // A wrong password, a name the server lacks or a cancelled prompt
        // leave no empty file; a whole one downloaded again keeps its bytes.
        const QByteArray whole = ReadWholeFile(w.out(QStringLiteral("f.wmv")));
        w.record(url, w.out(QStringLiteral("f.wmv")), Args(u"--overwrite --user alice --password wrong"));
        EXPECT_EQ(ReadWholeFile(w.out(QStringLiteral("f.wmv"))), whole);
        w.record(url, w.out(QStringLiteral("r.wmv")), Args(u"--user alice --password wrong"));
        w.record(clipUrl(server, overHttp).replace(u"clip"_s, u"nosuch"_s), w.out(QStringLiteral("n.wmv")), alice);
        const QString never = w.out(overHttp ? QStringLiteral("ch.wmv") : QStringLiteral("c.wmv"));
        w.record(url, never);
        for (const QString& failed : {w.out(QStringLiteral("r.wmv")), w.out(QStringLiteral("n.wmv")), never})
            EXPECT_FALSE(QFileInfo::exists(failed)) << failed.toStdString();
    }
    EXPECT_TRUE(ReadWholeFile(conf).contains("Auth=Ym9iOnB3")) << "the saved credentials stay";
    EXPECT_GOLDEN("record/resume_and_credentials", w.transcript);
}

// A few seconds of a live point over each transport: time starts at zero,
// the recorded duration, and a file that can be sought. Live and on demand,
// the file ends with an index and its sizes add up.
TEST(Record, LivePointIsRebasedAndPatchedIntoASeekableFile)
{
    const std::pair<const char*, QStringList> cases[] = {
        {"mms", {}}, {"udp", Args(u"--udp --udp-port 0")}, {"mmsh", {}}};
    for (const auto& [name, cliArgs] : cases) {
        SCOPED_TRACE(name);
        Recorder w;
        ServerProcess server(w.media, Args(u"--http-port 0 --live") << QStringLiteral("news=") + w.source());
        ASSERT_TRUE(server.started());
        const QString out = w.out(QStringLiteral("news_live.asf"));
        const QString url = QByteArrayView(name) == "mmsh" ? server.mmshUrl(QStringLiteral("news"))
                                                           : server.url(QStringLiteral("news"));
        w.record(url, out, Args(u"--duration 3") + cliArgs, 30000);
        // A datagram the busy machine dropped is named, and no fault here.
        w.transcript.removeIf([](const QString& line) { return line.startsWith(QStringLiteral("- 缺少")); });
        EXPECT_GOLDEN("record/live_" + std::string(name), w.transcript);

        const AsfParts parts = ReadAsf(out);
        ASSERT_GT(parts.packets.size(), 3u);
        const int sendTimeAt = SendTimeOffset(parts.packets.front());
        EXPECT_TRUE(sendTimeAt && LE32At(parts.packets.front(), sendTimeAt) == 0u) << "time starts at zero";
        EXPECT_EQ(FilePropertiesField(parts.header, 56), parts.packets.size());
        EXPECT_EQ(FilePropertiesField(parts.header, 88, 1) & 0x03, 0x02u) << "seekable, no longer a broadcast";
        EXPECT_EQ(FilePropertiesField(parts.header, 40), std::uint64_t(QFileInfo(out).size()));
        EXPECT_NEAR(ProbeDuration(out), 3.0, 1.0);
        const QList<double> afterSeek = PacketTimesAfterSeek(out, 2.0);
        ASSERT_FALSE(afterSeek.isEmpty()) << "ffprobe could not seek into the recording";
        EXPECT_GE(afterSeek.front(), 1.0);
        ExpectSizedAndIndexed(out);

        ServerProcess onDemand(w.media, Args(u"--rate 4 --http-port 0"));
        ASSERT_TRUE(onDemand.started());
        w.recordWhole(clipUrl(onDemand, QByteArrayView(name) == "mmsh"), w.out(QStringLiteral("clip.wmv")), cliArgs);
    }
}

// A second recording into the file a first one is writing is refused,
// whatever the answer; the first, killed, resumes from the packets its file
// holds, and no other stream was mixed in.
TEST(Record, ASecondRecordingIntoTheSameFileIsRefusedAndAKilledOneResumes)
{
    Recorder w;
    const AsfParts source = ReadAsf(w.source());
    const QString out = w.out(QStringLiteral("killed.wmv"));
    {
        ServerProcess slow(w.media, Args(u"--rate 2"));
        ASSERT_TRUE(slow.started());
        auto cli = StartCli(recordArgs(clipUrl(slow), out), w.config);
        const QDeadlineTimer deadline(20000);
        while (QFileInfo(out).size() < source.header.size() + 5 * qint64(source.packetSize) && !deadline.hasExpired())
            QThread::msleep(10);
        for (const QString& answer : {QStringLiteral("--overwrite"), QStringLiteral("--resume")})
            w.record(clipUrl(slow), out, {answer});
        ::kill(pid_t(cli->processId()), SIGKILL);
        ASSERT_TRUE(cli->waitForFinished(10000));
    }
    EXPECT_GOLDEN("record/second_into_the_same_file", w.transcript);
    const AsfParts partial = ReadAsf(out);
    ASSERT_LT(partial.packets.size(), source.packets.size());
    ASSERT_EQ(FilePropertiesField(partial.header, 56), source.packets.size())
        << "the header still states the server's count";

    // Repaired without a server, the file a killed run left is whole but
    // for the end it never received.
    const QString repaired = w.out(QStringLiteral("repaired.wmv"));
    ASSERT_TRUE(QFile::copy(out, repaired));
    EXPECT_EQ(RunCli({QStringLiteral("check"), repaired}, w.config).exitCode, 1);
    const CliOutcome repair = RunCli({QStringLiteral("check"), QStringLiteral("--repair"), repaired}, w.config);
    EXPECT_EQ(repair.exitCode, 1) << repair.out.toStdString();
    EXPECT_TRUE(repair.out.contains(QStringLiteral("repaired index written"))) << repair.out.toStdString();
    ExpectSizedAndIndexed(repaired, true);

    ServerProcess server(w.media, Args(u"--rate 0"));
    ASSERT_TRUE(server.started());
    w.recordWhole(clipUrl(server), out, Args(u"--resume"));
}

// tovrin-cli check: a whole recording, one with a hole (a slot never
// written), one with a damaged packet, a file that is not ASF, bad usage.
TEST(CheckCli, TellsWholeFilesFromHolesDamageAndOtherFiles)
{
    Recorder w;
    ServerProcess server(w.media, Args(u"--rate 0"));
    ASSERT_TRUE(server.started());
    const QString whole = w.out(QStringLiteral("whole.wmv"));
    w.recordWhole(clipUrl(server), whole);
    const AsfParts parts = ReadAsf(whole);
    const auto variant = [&](const char* name, qsizetype slot, const QByteArray& bytes) {
        QByteArray file = ReadWholeFile(whole);
        file.replace(parts.header.size() + slot * parts.packetSize, bytes.size(), bytes);
        return WriteFile(w.dir, QString::fromLatin1(name), file);
    };
    const QString hole = variant("hole.wmv", 3, QByteArray(2 * parts.packetSize, '\0'));
    const QString damaged = variant("damaged.wmv", 7, QByteArray::fromHex("82000001FF"));
    const QString other = WriteFile(w.dir, QStringLiteral("other.wmv"), "RIFF, not ASF");
    const auto check = [&](const QStringList& files) {
        return RunCli(QStringList{QStringLiteral("check")} + files, w.config);
    };
    EXPECT_EQ(check({whole}).exitCode, 0);
    const CliOutcome holed = check({whole, hole});
    EXPECT_EQ(holed.exitCode, 1);
    EXPECT_TRUE(holed.out.contains(QStringLiteral("missing: 2 (3-4)"))) << holed.out.toStdString();
    const CliOutcome broken = check({damaged});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_TRUE(broken.out.contains(QStringLiteral("damaged: 1 (7)"))) << broken.out.toStdString();
    const CliOutcome notAsf = check({other});
    EXPECT_EQ(notAsf.exitCode, 1);
    EXPECT_TRUE(notAsf.out.contains(QStringLiteral("not an ASF file"))) << notAsf.out.toStdString();
    EXPECT_EQ(check({}).exitCode, 2);
}

// A server without TCP packet-pair answers the funnel request with one
// report saying none follow: the exchange goes on from it, over TCP and UDP.
// During the UDP run, datagrams from another local address, shaped as the
// server's data packets, fill no slot of the file.
TEST(Record, WithoutPacketPairAndBesideAForeignSenderTheRecordingEqualsTheSource)
{
    Recorder w;
    ServerProcess server(w.media, Args(u"--rate 4 --packet-pair off"));
    ASSERT_TRUE(server.started());
    w.recordWhole(clipUrl(server), w.out(QStringLiteral("tcp.wmv")), {}, 30000);

    QUdpSocket probe, stranger;
    ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
    const quint16 udpPort = probe.localPort();
    probe.close();
    ASSERT_TRUE(stranger.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
    const QString out = w.out(QStringLiteral("udp.wmv"));
    auto cli =
        StartCli(recordArgs(clipUrl(server), out, Args(u"--udp --udp-port") << QString::number(udpPort)), w.config);
    // Once the run streams, the stranger sends packets of its own for the first slots.
    for (std::uint32_t i = 0; !cli->waitForFinished(5) && i < 100000;)
        if (QFileInfo(out).size() > 2000)
            stranger.writeDatagram(DataPacket(i++ % 8, 4, QByteArray(400, 'Z')), QHostAddress::LocalHost, udpPort);
    EXPECT_EQ(cli->exitCode(), 0);
    ExpectSameAsSource(out, w.source());
    EXPECT_EQ(QString::fromUtf8(cli->readAllStandardError()).count(u"not the server, dropped"), 1);
}

// A server-side playlist, over MMS and MMSH, and a header changed by a bare
// $H over MMSH: an entry with another header goes into the next numbered
// file, each file its entry's header and packets slot for slot; entries with
// the same header go on in one file; --first-entry-only ends with the first.
TEST(Record, AStreamChangeContinuesIntoTheNextNumberedFile)
{
    Recorder w;
    const QString other = SamplePath(Sample::Msmpeg4);
    const QStringList playlists = Args(u"--rate 0 --http-port 0 --playlist")
                                  << u"show="_s + w.source() + u","_s + other << u"--playlist"_s
                                  << u"same="_s + w.source() + u","_s + w.source();
    ServerProcess server(w.media, playlists), bare(w.media, playlists + Args(u"--entry-change bare"));
    ASSERT_TRUE(server.started() && bare.started());
    const std::pair<QString, QString> changes[] = {{server.url(u"show"_s), u"mms"_s},
                                                   {server.mmshUrl(u"show"_s), u"mmsh"_s},
                                                   {bare.mmshUrl(u"show"_s), u"bare"_s}};
    QStringList written;
    for (const auto& [url, name] : changes) {
        w.recordWhole(url, w.out(name + u".wmv"_s));
        ExpectSameAsSource(w.out(name + u" (2).wmv"_s), other);
        written << w.out(name + u".wmv"_s) << w.out(name + u" (2).wmv"_s);
    }
    w.recordWhole(server.url(u"show"_s), w.out(u"first.wmv"_s), Args(u"--first-entry-only"));
    const AsfParts source = ReadAsf(w.source());
    for (const QString& url : {server.url(u"same"_s), server.mmshUrl(u"same"_s)}) {
        const QString out = w.out(url.startsWith(u"mmsh"_s) ? u"same-h.wmv"_s : u"same.wmv"_s);
        EXPECT_EQ(w.record(url, out).exitCode, 0);
        EXPECT_EQ(StatedPacketCount(out), 2 * source.packets.size());
        EXPECT_GT(ProbeDuration(out), 1.9 * ProbeDuration(w.source())) << "the header lasts as both entries";
        written << out;
    }
    // A connection cut in the second of two joined entries leaves it short.
    ServerProcess cutting(w.media, playlists + (Args(u"--drop-after") << QString::number(source.packets.size() + 5)));
    ASSERT_TRUE(cutting.started());
    EXPECT_EQ(RunCli(recordArgs(cutting.url(u"same"_s), w.out(u"cut.wmv"_s)), w.config).exitCode, 1);
    written << w.out(u"cut.wmv"_s);
    for (const QString& file : written)
        EXPECT_EQ(DecodeErrors(file), QStringList()) << file.toStdString();
    EXPECT_EQ(QDir(w.dir.path()).entryList({u"*.wmv"_s}).size(), written.size() + 1);
    EXPECT_GOLDEN("record/stream_changes", w.transcript);
}

// With --reconnect, a stream of known length that the server cuts three
// times resumes in place each time, over TCP, UDP and MMSH: the file equals
// an uninterrupted recording byte for byte.
TEST(Record, ALostConnectionConnectsAgainAndResumesInPlace)
{
    Recorder w;
    const std::size_t packets = ReadAsf(w.source()).packets.size();
    const QString dropAfter = QString::number(packets / 4 + 1);
    // Paced: datagrams sent as fast as the connection goes may be lost on a busy machine.
    ServerProcess whole(w.media, Args(u"--rate 4 --http-port 0")),
        cutting(w.media, Args(u"--rate 4 --http-port 0 --drop-after") << dropAfter);
    ASSERT_TRUE(whole.started() && cutting.started());
    const std::pair<QString, QStringList> transports[] = {
        {u"tcp"_s, {}}, {u"udp"_s, Args(u"--udp --udp-port 0")}, {u"mmsh"_s, {}}};
    for (const auto& [name, extra] : transports) {
        SCOPED_TRACE(name.toStdString());
        const bool overHttp = name == u"mmsh"_s;
        const QString expected = w.out(name + u"-whole.wmv"_s), out = w.out(name + u".wmv"_s);
        w.recordWhole(clipUrl(whole, overHttp), expected, extra);
        const CliOutcome cut = w.record(clipUrl(cutting, overHttp), out, extra + Args(u"--reconnect 5"));
        EXPECT_EQ(cut.exitCode, 0);
        EXPECT_EQ(cut.err.count(u"- 重新連線 (第 1 次)"_s), 3) << "each try after a cut that stored media is the first";
        EXPECT_EQ(ReadWholeFile(out), ReadWholeFile(expected));
    }
}

// A live point whose server stops for 3 s and comes back on the same port:
// the recording goes on into a second file, Ctrl-C ends it; both files
// play, each holding its side of the gap.
TEST(Record, ALiveRecordingReconnectsIntoTheNextFileAfterTheServerComesBack)
{
    Recorder w;
    for (const bool overHttp : {false, true}) {
        SCOPED_TRACE(overHttp ? "mmsh" : "mms");
        ServerProcess server(w.media, Args(u"--http-port 0 --outage 4:3:1 --live") << u"news="_s + w.source());
        ASSERT_TRUE(server.started());
        const QString out = w.out(overHttp ? u"h.wmv"_s : u"m.wmv"_s);
        qint64 streamingAgainAt = -1;
        const CliOutcome run = RunCli(CliLaunch{
            .args =
                recordArgs(overHttp ? server.mmshUrl(u"news"_s) : server.url(u"news"_s), out, Args(u"--reconnect 5")),
            .configHome = w.config,
            .interruptWhen = [&](qint64 elapsedMs, const QString& log) {
                // Two seconds into the second file.
                const qsizetype tried = log.lastIndexOf(u"- 重新連線 (第"_s);
                if (streamingAgainAt < 0 && tried >= 0 && log.indexOf(u"- 接收 TCP 串流 -"_s, tried) >= 0)
                    streamingAgainAt = elapsedMs;
                return streamingAgainAt >= 0 && elapsedMs > streamingAgainAt + 2000;
            }});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        // The try 1 s after the cut is refused; the next waits twice as long.
        for (const QString& wait : {u"1 秒後重新連線 (第 1 次，最多 5 次)"_s, u"2 秒後重新連線 (第 2 次，最多 5 次)"_s})
            EXPECT_TRUE(run.err.contains(wait)) << wait.toStdString();
        const QString second = QString(out).replace(u".wmv"_s, u" (2).wmv"_s);
        for (const QString& file : {out, second}) {
            EXPECT_GT(ProbeDuration(file), 1.5) << file.toStdString();
            // A live join before the first key frame is no decoding error.
            EXPECT_EQ(DecodeErrors(file).filter(u"no keyframe"_s, Qt::CaseInsensitive).size(),
                      DecodeErrors(file).size());
        }
        EXPECT_LT(ProbeDuration(out) + ProbeDuration(second), run.interruptedAtMs / 1000.0);
    }
}

TEST(RecordCli, BadUsageExitsWithTwo)
{
    Recorder w;
    // Each usage error is checked in the record options' own test.
    for (const QStringView args : {u"record mms://h/a.wmv --no-such-option", u"frobnicate"})
        EXPECT_EQ(RunCli(Args(args), w.config).exitCode, 2) << args.toString().toStdString();
    const CliOutcome help = RunCli(Args(u"record --help"), w.config);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(u"--resume") && help.out.contains(u"--duration") && help.out.contains(u"--udp-port"));

    EXPECT_EQ(w.record(QStringLiteral("http://127.0.0.1/x.asx"), w.out(QStringLiteral("x"))).exitCode, 1);
}

// A name holding Chinese and a space, escaped or not, is asked for by its
// name over MMS and over HTTP (the name proposed for the file is the decoded
// one, as the name rules say).
TEST(Record, AChineseNameWithASpaceIsAskedForByItsNameOverEitherTransport)
{
    Recorder w;
    const QString name = u"空白 節目.wmv"_s, escaped = QString::fromLatin1(QUrl::toPercentEncoding(name));
    ServerProcess server(w.media, Args(u"--rate 0 --http-port 0"));
    ASSERT_TRUE(QFile::copy(w.source(), w.media + u'/' + name) && server.started());
    for (const QString& url : {server.url(escaped), server.url(name), server.mmshUrl(escaped), server.mmshUrl(name)})
        w.recordWhole(url, w.out(u"c.wmv"_s), Args(u"--overwrite"));
}

// A file-name template takes the stream's title from its header for %t and
// makes its folder; a second recording by it never writes over the first.
TEST(Record, ATemplateNamesTheFileByTheStreamsTitleAndNeverOverwrites)
{
    Recorder w;
    ServerProcess server(w.media, Args(u"--rate 0 --http-port 0"));
    ASSERT_TRUE(server.started());
    const QString name = w.out(u"news/測試影片 Tovrin Clip 1.wmv"_s);
    const QString templated = w.out(u"news/%t %n.wmv"_s);
    CliOutcome r = w.record(clipUrl(server), templated);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    ExpectSameAsSource(name, w.source());
    r = w.record(clipUrl(server, true), templated);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    ExpectSameAsSource(w.out(u"news/測試影片 Tovrin Clip 1 (2).wmv"_s), w.source());
    EXPECT_EQ(QDir(w.out(u"news"_s)).entryList(QDir::Files).size(), 2);
}

// --- MMS over HTTP (mmsh://) ---------------------------------------------

// An MMS port that is closed, or that accepts and closes before replying,
// rolls over to MMSH (unless told to keep to the MMS exchange, when it ends
// at once); MMSH redirects are followed, up to ten.
TEST(RecordMmsh, RollsOverFromMmsAndFollowsRedirectsUpToTen)
{
    Recorder w;
    ServerProcess server(w.media, Args(u"--rate 0 --http-port 0"));
    ASSERT_TRUE(server.started());
    const QString url = QStringLiteral("mms://127.0.0.1:%1/clip.wmv").arg(ClosedPort());
    const QStringList httpPort = Args(u"--http-port") << QString::number(server.httpPort());
    w.recordWhole(url, w.out(QStringLiteral("auto.wmv")), httpPort, 30000);
    QTcpServer closing;
    ASSERT_TRUE(closing.listen(QHostAddress::LocalHost, 0));
    w.serve(closing,
            recordArgs(QStringLiteral("mms://127.0.0.1:%1/clip.wmv").arg(closing.serverPort()),
                       w.out(QStringLiteral("c.wmv")), httpPort),
            [](QTcpSocket&) {});
    ExpectSameAsSource(w.out(QStringLiteral("c.wmv")), w.source());
    // The socket's own reason in the user's language (the transcript tells it).
    w.record(url, w.out(QStringLiteral("t.wmv")), httpPort + Args(u"--transport mmst --connect-timeout 0.5"), 30000);
    // A connection that cannot be made ends at once in the watchdog's words
    // (which waits 45 s), with or without the name looked up first.
    QElapsedTimer clock;
    clock.start();
    for (const QStringView more : {u"--transport mmst", u"--transport mmst --bypass-dns"})
        w.record(QStringLiteral("mms://no-such-host.invalid/x.wmv"), w.out(QStringLiteral("w.wmv")), Args(more));
    EXPECT_LT(clock.elapsed(), 15000);

    // A web server that redirects every request: to the stream, or to itself.
    QTcpServer redirector;
    ASSERT_TRUE(redirector.listen(QHostAddress::LocalHost, 0));
    const QString redirected = QStringLiteral("mmsh://127.0.0.1:%1/x.wmv").arg(redirector.serverPort());
    for (const QByteArray& location :
         {"http://127.0.0.1:" + QByteArray::number(server.httpPort()) + "/clip.wmv", QByteArray("/elsewhere.wmv")}) {
        w.serve(redirector, recordArgs(redirected, w.out(QString::fromLatin1(location.right(5)))),
                [&](QTcpSocket& socket) {
                    socket.waitForReadyRead(1000);
                    socket.write("HTTP/1.0 302 Found\r\nLocation: " + location + "\r\nConnection: close\r\n\r\n");
                    socket.waitForBytesWritten(1000);
                });
    }
    // The Play goes where the Describe was sent.
    ExpectSameAsSource(w.out(QStringLiteral("p.wmv")), w.source());
    EXPECT_GOLDEN("record/mmsh_rollover_and_redirects", w.transcript);
}
