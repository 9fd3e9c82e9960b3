// tovrin-cli record --progress json: what a program reading its standard
// output learns of a recording, read as the window's schedule list reads it.

#include "support/cli_runner.h"
#include "support/server_process.h"
#include "support/workspace.h"
#include "user_actions/schedule_progress.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

namespace {

// Each line of `out` as "event[/state]", failing on a line that is no JSON object.
QStringList Events(const QString& out)
{
    QStringList events;
    for (const QString& line : out.split(u'\n', Qt::SkipEmptyParts)) {
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
        EXPECT_FALSE(object.isEmpty()) << "not a JSON object: " << line.toStdString();
        const QString state = object.value(u"state").toString();
        events << object.value(u"event").toString() + (state.isEmpty() ? QString() : u'/' + state);
    }
    events.removeDuplicates();  // a progress line a second
    return events;
}

}  // namespace

// A broadcast whose server goes away once: the lines tell the connection,
// the first file, its progress, the wait before the next try, the next file,
// the figures at the end and the end, whose status is the exit status; the
// schedule list reads the recording as completed into both files. A refused address ends failed
// with no file, and stdout holds nothing but the lines.
TEST(RecordProgress, JsonLinesFollowTheRecordingToItsEnd)
{
    Workspace w;
    ServerProcess comingBack(w.media, Args(u"--outage 3:0.1:1 --live") << u"news="_s + w.source());
    ASSERT_TRUE(comingBack.started());
    const CliOutcome cli = RunCli(Args(u"record") << comingBack.url(u"news"_s) << u"-o"_s << w.out(u"news.wmv"_s)
                                                  << Args(u"--duration 5 --reconnect 3 --progress json"),
                                  w.config, 30000);
    ASSERT_EQ(cli.exitCode, 0) << cli.err.toStdString();
    EXPECT_EQ(Events(cli.out), Args(u"state/connecting file progress/recording state/reconnecting end"))
        << cli.out.toStdString();
    EXPECT_TRUE(cli.out.contains(u"\"state\":\"reconnecting\",\"try\":1,\"limit\":3,\"waitMs\":1000"_s));

    ScheduledRunView view;
    for (const QString& line : cli.out.split(u'\n', Qt::SkipEmptyParts))
        ReadProgressLine(line.toUtf8(), view);
    const QStringList files{QFileInfo(w.out(u"news.wmv"_s)).absoluteFilePath(),
                            QFileInfo(w.out(u"news (2).wmv"_s)).absoluteFilePath()};
    EXPECT_EQ(view.state, ScheduledRunView::State::Completed);
    EXPECT_EQ(view.exitStatus, 0);
    EXPECT_EQ(view.files, files) << cli.out.toStdString();
    EXPECT_EQ(view.part, 2);
    EXPECT_GT(view.bytes, 0u);
    EXPECT_EQ(view.missing, 0u);
    EXPECT_GE(view.mediaMs, 5000u);  // the last progress line holds the whole recording

    const CliOutcome refused =
        RunCli(Args(u"record mms://127.0.0.1:1/news --progress json -o") << w.out(u"refused.wmv"_s), w.config, 30000);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(Events(refused.out).mid(1), Args(u"file end")) << refused.out.toStdString();
    EXPECT_TRUE(refused.out.endsWith(u"{\"event\":\"end\",\"status\":1,\"result\":\"failed\",\"files\":[]}\n"_s))
        << refused.out.toStdString();
}
