// What `record --resume` makes of the file it is given: the holes an earlier
// run left, a look-alike stream with the same header, a file that joined
// several entries.

#include "support/asf_sample.h"
#include "support/cli_runner.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/workspace.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

namespace {

CliOutcome Record(const Workspace& w, const QString& url, const QString& out, const QStringList& extra = {})
{
    return RunCli(Args(u"record") << url << u"-o"_s << out << extra, w.config);
}

}  // namespace

// A resume starts at the first hole an earlier run left, fills every one, and
// calls the file complete only once it is whole.
TEST(Resume, AResumeFillsTheHolesAnEarlierRunLeft)
{
    Workspace w;
    // Paced: datagrams sent as fast as the connection goes may be lost on a busy machine.
    ServerProcess losing(w.media, Args(u"--rate 8 --hostile drop-datagram")), healthy(w.media, Args(u"--rate 0"));
    ASSERT_TRUE(losing.started() && healthy.started());
    const QString out = w.out(u"holes.wmv"_s);
    const CliOutcome lost = Record(w, losing.url(u"clip.wmv"_s), out, Args(u"--udp --udp-port 0"));
    ASSERT_EQ(lost.exitCode, 1) << lost.err.toStdString();
    ASSERT_TRUE(lost.err.contains(u"- 缺少 1 個資料封包: 5"_s));

    const CliOutcome resumed = Record(w, healthy.url(u"clip.wmv"_s), out, Args(u"--resume"));
    EXPECT_EQ(resumed.exitCode, 0) << resumed.err.toStdString();
    EXPECT_TRUE(resumed.err.contains(u"從第一個缺少的封包 (5) 重新開始"_s)) << resumed.err.toStdString();
    ExpectSameAsSource(out, w.source());
}

// Two streams whose headers are the same byte for byte: the packet before the
// resume point tells them apart, and the file is left exactly as it was.
TEST(Resume, ALookAlikeStreamWithTheSameHeaderIsNotResumedIntoTheFile)
{
    Workspace w;
    const AsfParts source = ReadAsf(w.source());
    QByteArray other = ReadWholeFile(w.source());
    for (std::size_t i = 0; i < source.packets.size(); ++i) {
        const qsizetype last = source.header.size() + qsizetype((i + 1) * source.packetSize) - 1;
        other[last] = char(other[last] ^ 0x5A);
    }
    ASSERT_TRUE(WriteWholeFile(w.media + u"/other.wmv"_s, other));
    ServerProcess cutting(w.media, Args(u"--rate 0 --http-port 0 --drop-after 40")),
        whole(w.media, Args(u"--rate 0 --http-port 0"));
    ASSERT_TRUE(cutting.started() && whole.started());
    for (const bool overHttp : {false, true}) {
        SCOPED_TRACE(overHttp ? "mmsh" : "mms");
        const QString out = w.out(overHttp ? u"h.wmv"_s : u"m.wmv"_s);
        const auto url = [&](const ServerProcess& s, const QString& name) {
            return overHttp ? s.mmshUrl(name) : s.url(name);
        };
        ASSERT_EQ(Record(w, url(cutting, u"clip.wmv"_s), out).exitCode, 1);
        const QByteArray cut = ReadWholeFile(out);
        const CliOutcome refused = Record(w, url(whole, u"other.wmv"_s), out, Args(u"--resume"));
        EXPECT_EQ(refused.exitCode, 1) << refused.err.toStdString();
        EXPECT_TRUE(refused.err.contains(u"*** 您所選擇的檔案保存的是另一個串流，無法續傳到這個檔案"_s));
        EXPECT_EQ(ReadWholeFile(out), cut) << "the file was touched";
        // Its own stream resumes it whole.
        EXPECT_EQ(Record(w, url(whole, u"clip.wmv"_s), out, Args(u"--resume")).exitCode, 0);
        ExpectSameAsSource(out, w.source());
    }
}

// A file that joined two entries of a playlist cannot be resumed from the
// stream's positions: refused, told why, and left as it was.
TEST(Resume, AFileThatJoinedEntriesIsRefusedAndLeftAsItWas)
{
    Workspace w;
    const std::size_t packets = ReadAsf(w.source()).packets.size();
    const QStringList playlist = Args(u"--rate 0 --playlist") << u"same="_s + w.source() + u","_s + w.source();
    ServerProcess cutting(w.media, playlist + (Args(u"--drop-after") << QString::number(packets + 5))),
        whole(w.media, playlist);
    ASSERT_TRUE(cutting.started() && whole.started());
    const QString out = w.out(u"joined.wmv"_s);
    ASSERT_EQ(Record(w, cutting.url(u"same"_s), out).exitCode, 1);
    const QByteArray cut = ReadWholeFile(out);
    const CliOutcome refused = Record(w, whole.url(u"same"_s), out, Args(u"--resume"));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(u"*** 這個檔案合併了串流的數個項目，無法續傳"_s)) << refused.err.toStdString();
    EXPECT_EQ(ReadWholeFile(out), cut);
}
