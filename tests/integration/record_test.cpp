// tovrin-cli record against the real MMS test server, on files made by ffmpeg.

#include "asf/byte_helpers.h"
#include "asf/packet_parser.h"
#include "integration/processes.h"
#include "support/asf_sample.h"
#include "support/ffprobe.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;

namespace {

const QByteArray kFilePropertiesGuid = QByteArray::fromHex("A1DCAB8C47A9CF118EE400C00C205365");

// A folder holding the sample under a name the server serves, the recorder's
// settings home, and a place for recordings.
struct Workspace {
    QTemporaryDir dir;
    QString media = dir.filePath(QStringLiteral("media"));
    QString config = dir.filePath(QStringLiteral("config"));
    Workspace()
    {
        QDir().mkpath(media);
        QDir().mkpath(config);
        QFile::copy(SamplePath(Sample::Wmv), media + QStringLiteral("/clip.wmv"));
    }
    QString out(const QString& name) const { return dir.filePath(name); }
    QString source() const { return media + QStringLiteral("/clip.wmv"); }
};

QStringList recordArgs(const QString& url, const QString& out, const QStringList& extra = {})
{
    return QStringList{QStringLiteral("record"), url, QStringLiteral("-o"), out} + extra;
}

std::uint64_t fileProperty(const QByteArray& header, int offset, int width = 8)
{
    const qsizetype at = header.indexOf(kFilePropertiesGuid);
    return at < 0 ? ~0ull : LEAt(header, at + offset, width).value_or(~0ull);
}

// The first packet's send time, read the way any ASF reader does.
std::uint32_t firstSendTime(const AsfParts& parts)
{
    if (parts.packets.empty())
        return ~0u;
    const int offset = SendTimeOffset(parts.packets.front());
    return offset ? LE32At(parts.packets.front(), offset).value_or(~0u) : ~0u;
}

// The recording equals the source's header and data packets, byte for byte.
void expectSameAsSource(const QString& recording, const QString& source)
{
    const AsfParts got = ReadAsf(recording);
    const AsfParts want = ReadAsf(source);
    ASSERT_FALSE(want.packets.empty());
    EXPECT_EQ(got.header, want.header);
    ASSERT_EQ(got.packets.size(), want.packets.size());
    for (std::size_t i = 0; i < want.packets.size(); ++i)
        ASSERT_EQ(got.packets[i], want.packets[i]) << "slot " << i;
    EXPECT_NEAR(ProbeDuration(recording), ProbeDuration(source), 0.05);
    EXPECT_EQ(ProbeStreamTypes(recording), ProbeStreamTypes(source));
}

}  // namespace

TEST(Record, OnDemandFileAtFullSpeedEqualsTheSourceSlotForSlot)
{
    Workspace w;
    ServerProcess server(w.media, {QStringLiteral("--rate"), QStringLiteral("0")});
    ASSERT_TRUE(server.started());
    const CliResult r = RunCli(recordArgs(server.url(QStringLiteral("clip.wmv")), w.out(QStringLiteral("clip.wmv"))), w.config);
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_TRUE(r.errText().contains(QStringLiteral("- ASF 檔案寫入完成離開")));
    EXPECT_TRUE(r.errText().contains(QStringLiteral("- ******* 下載完成 *******")));
    expectSameAsSource(w.out(QStringLiteral("clip.wmv")), w.source());
}

TEST(Record, AStreamAddressWithoutAPortUsesTheTcpPortSetting)
{
    Workspace w;
    ServerProcess server(w.media, {QStringLiteral("--rate"), QStringLiteral("0")});
    ASSERT_TRUE(server.started());
    const CliResult r = RunCli(recordArgs(QStringLiteral("mmst://127.0.0.1/clip.wmv"), w.out(QStringLiteral("c.wmv")),
                                          {QStringLiteral("--tcp-port"), QString::number(server.port())}),
                               w.config);
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    expectSameAsSource(w.out(QStringLiteral("c.wmv")), w.source());
}

TEST(Record, AnInterruptedDownloadResumesIntoTheSameFile)
{
    Workspace w;
    const QString out = w.out(QStringLiteral("resumed.wmv"));
    {
        ServerProcess dropping(w.media, {QStringLiteral("--rate"), QStringLiteral("0"), QStringLiteral("--drop-after"),
                                         QStringLiteral("10")});
        ASSERT_TRUE(dropping.started());
        const CliResult first = RunCli(recordArgs(dropping.url(QStringLiteral("clip.wmv")), out), w.config);
        EXPECT_EQ(first.exitCode, 1) << "the server dropped the connection";
        EXPECT_TRUE(first.errText().contains(QStringLiteral("關閉連接")));
        EXPECT_TRUE(first.errText().contains(QStringLiteral("- ASF 重新開始/結束 資料寫入")));
        EXPECT_EQ(fileProperty(ReadAsf(out).header, 56), 10u) << "the count says how many packets are stored";
    }
    ServerProcess server(w.media, {QStringLiteral("--rate"), QStringLiteral("0")});
    ASSERT_TRUE(server.started());

    // Without an answer to the resume question the file is left alone.
    const QByteArray before = ReadWholeFile(out);
    const CliResult cancelled = RunCli(recordArgs(server.url(QStringLiteral("clip.wmv")), out), w.config);
    EXPECT_EQ(cancelled.exitCode, 1);
    EXPECT_EQ(ReadWholeFile(out), before);

    const CliResult resumed = RunCli(recordArgs(server.url(QStringLiteral("clip.wmv")), out, {QStringLiteral("--resume")}),
                                     w.config);
    ASSERT_EQ(resumed.exitCode, 0) << resumed.errText().toStdString();
    EXPECT_TRUE(resumed.errText().contains(QStringLiteral("- 沒有儲存 ASF 標題 - 重新開始")));
    EXPECT_TRUE(server.log().contains("start playing at location 0x0000000a")) << server.log().toStdString();
    expectSameAsSource(out, w.source());

    // Overwrite starts afresh.
    const CliResult again = RunCli(recordArgs(server.url(QStringLiteral("clip.wmv")), out, {QStringLiteral("--overwrite")}),
                                   w.config);
    ASSERT_EQ(again.exitCode, 0);
    expectSameAsSource(out, w.source());
}

namespace {

// Records a few seconds of a live point and checks what a player needs: time
// starting at zero, the recorded duration, and a file that can be sought.
void recordLive(const QStringList& serverArgs, const QStringList& cliArgs)
{
    Workspace w;
    ServerProcess server(w.media, QStringList{QStringLiteral("--live"), QStringLiteral("news=") + w.source()} + serverArgs);
    ASSERT_TRUE(server.started());
    const QString out = w.out(QStringLiteral("news_live.asf"));
    const CliResult r = RunCli(recordArgs(server.url(QStringLiteral("news")), out,
                                          QStringList{QStringLiteral("--duration"), QStringLiteral("3")} + cliArgs),
                               w.config, 30000);
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_TRUE(r.errText().contains(QStringLiteral("- ASF 標題檔案主題已修正"))) << r.errText().toStdString();

    const AsfParts parts = ReadAsf(out);
    ASSERT_GT(parts.packets.size(), 3u);
    EXPECT_EQ(firstSendTime(parts), 0u);
    EXPECT_EQ(fileProperty(parts.header, 56), parts.packets.size());
    EXPECT_EQ(fileProperty(parts.header, 88, 1) & 0x03, 0x02u) << "seekable, no longer a broadcast";
    EXPECT_EQ(fileProperty(parts.header, 40), std::uint64_t(QFileInfo(out).size()));
    const double duration = ProbeDuration(out);
    EXPECT_NEAR(duration, 3.0, 1.0);
    const QList<double> afterSeek = PacketTimesAfterSeek(out, 2.0);
    ASSERT_FALSE(afterSeek.isEmpty()) << "ffprobe could not seek into the recording";
    EXPECT_GE(afterSeek.front(), 1.0);
}

}  // namespace

TEST(Record, LivePointOverTcpIsRebasedAndPatchedIntoASeekableFile)
{
    recordLive({}, {});
}

TEST(Record, LivePointOverUdp)
{
    recordLive({}, {QStringLiteral("--udp"), QStringLiteral("--udp-port"), QStringLiteral("0")});
}

TEST(Record, LivePointMarkedTheMmspWayIsRecordedAsLive)
{
    recordLive({QStringLiteral("--live-style"), QStringLiteral("mmsp")}, {});
}

TEST(Record, CredentialsAcceptedRefusedAndCancelled)
{
    Workspace w;
    ServerProcess server(w.media, {QStringLiteral("--rate"), QStringLiteral("0"), QStringLiteral("--auth"),
                                   QStringLiteral("alice:s3cret")});
    ASSERT_TRUE(server.started());
    const QString url = server.url(QStringLiteral("clip.wmv"));

    const CliResult accepted = RunCli(recordArgs(url, w.out(QStringLiteral("a.wmv")),
                                                 {QStringLiteral("--user"), QStringLiteral("alice"),
                                                  QStringLiteral("--password"), QStringLiteral("s3cret")}),
                                      w.config);
    ASSERT_EQ(accepted.exitCode, 0) << accepted.errText().toStdString();
    expectSameAsSource(w.out(QStringLiteral("a.wmv")), w.source());

    // The password from a file only its owner may read; one that others may
    // read is refused before anything is sent.
    const QString privateFile = w.out(QStringLiteral("private.pw")), sharedFile = w.out(QStringLiteral("shared.pw"));
    ASSERT_TRUE(WriteWholeFile(privateFile, "s3cret\n", QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_TRUE(WriteWholeFile(sharedFile, "s3cret\n", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    const CliResult fromFile = RunCli(recordArgs(url, w.out(QStringLiteral("f.wmv")),
                                                 {QStringLiteral("--user"), QStringLiteral("alice"),
                                                  QStringLiteral("--password-file"), privateFile}),
                                      w.config);
    ASSERT_EQ(fromFile.exitCode, 0) << fromFile.errText().toStdString();
    expectSameAsSource(w.out(QStringLiteral("f.wmv")), w.source());
    const CliResult shared = RunCli(recordArgs(url, w.out(QStringLiteral("s.wmv")),
                                               {QStringLiteral("--user"), QStringLiteral("alice"),
                                                QStringLiteral("--password-file"), sharedFile}),
                                    w.config);
    EXPECT_EQ(shared.exitCode, 2);
    EXPECT_TRUE(shared.errText().contains(QStringLiteral("can be read by other users"))) << shared.errText().toStdString();
    EXPECT_FALSE(QFile::exists(w.out(QStringLiteral("s.wmv"))));

    const CliResult refused = RunCli(recordArgs(url, w.out(QStringLiteral("r.wmv")),
                                                {QStringLiteral("--user"), QStringLiteral("alice"),
                                                 QStringLiteral("--password"), QStringLiteral("wrong")}),
                                     w.config);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.errText().contains(QStringLiteral("讀取伺服器訊息錯誤:"))) << refused.errText().toStdString();

    const CliResult cancelled = RunCli(recordArgs(url, w.out(QStringLiteral("c.wmv"))), w.config);
    EXPECT_EQ(cancelled.exitCode, 1);
    EXPECT_TRUE(cancelled.errText().contains(QStringLiteral("連線期間已放棄，關閉連線")));
    EXPECT_FALSE(cancelled.errText().contains(QStringLiteral("- ASF"))) << "nothing is patched";
    EXPECT_EQ(QFileInfo(w.out(QStringLiteral("c.wmv"))).size(), 0);
}

TEST(Record, AServerErrorCodeIsReportedInTheProgramsWords)
{
    Workspace w;
    ServerProcess server(w.media, {QStringLiteral("--error"), QStringLiteral("0xC00D0006")});
    ASSERT_TRUE(server.started());
    const CliResult r = RunCli(recordArgs(server.url(QStringLiteral("clip.wmv")), w.out(QStringLiteral("e.wmv"))), w.config);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.errText().contains(QStringLiteral("讀取伺服器訊息錯誤:\nServer is busy, please try again later")))
        << r.errText().toStdString();
}

TEST(Record, AClosedPortEndsInTheWatchdogsMessage)
{
    Workspace w;
    const QString url = QStringLiteral("mms://127.0.0.1:%1/clip.wmv").arg(ClosedPort());
    const CliResult r = RunCli(recordArgs(url, w.out(QStringLiteral("w.wmv")),
                                          {QStringLiteral("--connect-timeout"), QStringLiteral("0.5")}),
                               w.config, 20000);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.errText().contains(QStringLiteral(" ---- TCP Socket 逾時，連線期間已放棄 ----")));
    EXPECT_TRUE(r.errText().contains(QStringLiteral("這個伺服器並沒有適時的回答方式，連線期間已放棄")));
}

TEST(Record, KeepAlivesAreAnsweredAndCounted)
{
    Workspace w;
    // Slow enough that the server falls silent between packets and asks.
    ServerProcess server(w.media, {QStringLiteral("--rate"), QStringLiteral("0.2"), QStringLiteral("--ping-interval"),
                                   QStringLiteral("0.1")});
    ASSERT_TRUE(server.started());
    const CliResult r = RunCli(recordArgs(server.url(QStringLiteral("clip.wmv")), w.out(QStringLiteral("k.wmv")),
                                          {QStringLiteral("--duration"), QStringLiteral("0.3")}),
                               w.config, 30000);
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    QThread::msleep(200);
    const QString log = QString::fromUtf8(server.log());
    const auto match = QRegularExpression(QStringLiteral("disconnected \\(.*, (\\d+) answered\\)")).match(log);
    ASSERT_TRUE(match.hasMatch()) << log.toStdString();
    EXPECT_GT(match.captured(1).toInt(), 0);
}

TEST(RecordCli, StopsOnCtrlCAndKeepsAPatchedFile)
{
    Workspace w;
    ServerProcess server(w.media, {QStringLiteral("--rate"), QStringLiteral("1")});
    ASSERT_TRUE(server.started());
    const QString out = w.out(QStringLiteral("i.wmv"));
    auto cli = StartCli(recordArgs(server.url(QStringLiteral("clip.wmv")), out), w.config);
    // Interrupt once some packets are stored.
    QDeadlineTimer deadline(15000);
    while (QFileInfo(out).size() < 20000 && !deadline.hasExpired())
        QThread::msleep(20);
    ::kill(pid_t(cli->processId()), SIGINT);
    ASSERT_TRUE(cli->waitForFinished(15000));
    EXPECT_EQ(cli->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli->exitCode(), 0);
    const QString err = QString::fromUtf8(cli->readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("- ASF 重新開始/結束 資料寫入"))) << err.toStdString();
    const AsfParts parts = ReadAsf(out);
    EXPECT_GT(parts.packets.size(), 0u);
    EXPECT_LT(parts.packets.size(), ReadAsf(w.source()).packets.size());
    EXPECT_EQ(fileProperty(parts.header, 56), parts.packets.size());
}

TEST(RecordCli, BadUsageExitsWithTwo)
{
    Workspace w;
    for (const QStringList& args :
         {QStringList{QStringLiteral("record")},
          QStringList{QStringLiteral("record"), QStringLiteral("mms://h/a.wmv"), QStringLiteral("--resume"),
                      QStringLiteral("--overwrite")},
          QStringList{QStringLiteral("record"), QStringLiteral("mms://h/a.wmv"), QStringLiteral("--user"), QStringLiteral("x")},
          QStringList{QStringLiteral("record"), QStringLiteral("mms://h/a.wmv"), QStringLiteral("--duration"),
                      QStringLiteral("soon")},
          QStringList{QStringLiteral("record"), QStringLiteral("mms://h/a.wmv"), QStringLiteral("--no-such-option")},
          QStringList{QStringLiteral("frobnicate")}}) {
        EXPECT_EQ(RunCli(args, w.config).exitCode, 2) << args.join(u' ').toStdString();
    }
    const CliResult help = RunCli({QStringLiteral("record"), QStringLiteral("--help")}, w.config);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--resume") && help.out.contains("--duration") && help.out.contains("--udp-port"));

    const CliResult notMms = RunCli(recordArgs(QStringLiteral("http://127.0.0.1/x.asx"), w.out(QStringLiteral("x"))), w.config);
    EXPECT_EQ(notMms.exitCode, 1);
}
