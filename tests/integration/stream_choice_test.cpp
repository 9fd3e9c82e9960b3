// Recording only some streams of a multi-bit-rate stream: the server leaves
// out the packets that hold none of them, so the recording must be whole
// without them and smaller than one of every stream.

#include "support/asf_sample.h"
#include "support/ffprobe.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/workspace.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

// Over MMS and MMS over HTTP, on demand and from a live point: the chosen
// streams are the file's, it decodes, `check` calls it whole, and it is
// smaller than the recording of every stream. A resume cannot tell which
// packets a file of chosen streams lacks: it is refused, the file as it was.
TEST(StreamChoice, OnlyTheChosenStreamsAreRecordedIntoAWholeSmallerFile)
{
    Workspace w;
    const QString name = QFileInfo(SamplePath(Sample::WmvMultiRate)).fileName();
    ASSERT_TRUE(QFile::copy(SamplePath(Sample::WmvMultiRate), w.media + u'/' + name));
    ServerProcess server(w.media, QStringList{u"--rate"_s, u"0"_s, u"--http-port"_s, u"0"_s, u"--live"_s,
                                              u"news="_s + w.media + u'/' + name});
    ASSERT_TRUE(server.started());
    const auto record = [&](const QString& url, const QString& out, const QStringList& extra) {
        return RunCli(QStringList{u"record"_s, url, u"-o"_s, out, u"--overwrite"_s} + extra, w.config, 90000);
    };
    const QString all = w.out(u"all.wmv"_s);
    ASSERT_EQ(record(server.url(name), all, {}).exitCode, 0);
    for (const QString& url : {server.url(name), server.mmshUrl(name)}) {
        for (const auto& [choice, streams] : {std::pair{u"best"_s, QList<int>{0, 3}}, {u"worst"_s, {2, 3}}}) {
            const QString out = w.out(choice + url.left(4) + u".wmv"_s);
            const CliOutcome r = record(url, out, {u"--streams"_s, choice});
            EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
            EXPECT_EQ(PacketStreams(out), streams) << url.toStdString();
            ExpectSizedAndIndexed(out);
            EXPECT_LT(QFileInfo(out).size(), QFileInfo(all).size() * 9 / 10);
        }
    }
    const QString live = w.out(u"live.wmv"_s);
    const CliOutcome r = record(server.url(u"news"_s), live, {u"--streams"_s, u"worst"_s, u"--duration"_s, u"4"_s});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(PacketStreams(live), (QList<int>{2, 3}));
    ExpectSizedAndIndexed(live);

    const QString cut = w.out(u"cut.wmv"_s);
    QFile::copy(all, cut);
    QFile::resize(cut, QFileInfo(cut).size() / 2);
    const QByteArray before = ReadWholeFile(cut);
    const CliOutcome resumed = RunCli(
        {u"record"_s, server.url(name), u"-o"_s, cut, u"--resume"_s, u"--streams"_s, u"best"_s}, w.config, 60000);
    EXPECT_EQ(resumed.exitCode, 1);
    EXPECT_TRUE(resumed.err.contains(u"無法續傳"));
    EXPECT_EQ(ReadWholeFile(cut), before);
}
