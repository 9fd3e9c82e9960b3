#include "cli/stream_feed.h"

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

namespace {

// A listener that takes nothing: everything written stays its backlog.
class StalledListener : public StreamFeed {
public:
    using StreamFeed::StreamFeed;
    QByteArray written;
    int streams = 0;

protected:
    void beginStream(bool) override { ++streams; }
    bool takesBytes() const override { return true; }
    qint64 backlog() const override { return written.size(); }
    void write(const QByteArray& bytes) override { written += bytes; }
    void closeInput() override {}
};

}  // namespace

// A listener that stops reading gets the header, then packets padded or cut
// to the packet size, until its backlog reaches the bound; the rest of its
// copy is lost, told once and counted at the end. The same header again
// (a connection made again) goes on with the same stream.
TEST(StreamFeed, AStalledListenerGetsWholePacketsUpToItsBoundThenLosesItsOwnCopyToldOnce)
{
    QStringList log;
    StalledListener feed([&](const QString& line) { log << line; }, u"播放器"_s);
    feed.packet("before any header");
    feed.header("HEADER", 1000);
    for (int i = 0; i < 9000; ++i)
        feed.packet(QByteArray(i == 0 ? 10 : 1200, 'p'));
    feed.header("HEADER", 1000);
    feed.finish();
    const qint64 fitting = (kListenerBacklogLimit - 6) / 1000;
    EXPECT_EQ(feed.written.size(), 6 + fitting * 1000);
    EXPECT_TRUE(
        feed.written.startsWith("HEADER" + QByteArray(10, 'p') + QByteArray(990, '\0') + QByteArray(1000, 'p')));
    EXPECT_EQ(feed.streams, 1);
    EXPECT_EQ(log, QStringList({u"- 播放器跟不上串流: 它的複本略過封包 (等候中的資料已達 8 MiB)，錄製繼續"_s,
                                u"- 播放器略過了 %1 個封包"_s.arg(9000 - fitting)}));
}
