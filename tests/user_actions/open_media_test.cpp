#include "user_actions/open_media.h"
#include "locations/archived_log.h"
#include "locations/open_route.h"
#include "locations/redirector_fetch.h"
#include "locations/redirector_file.h"
#include "locations/session_log.h"
#include "support/asf_sample.h"
#include "support/core_app.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/temp_settings.h"
#include "user_actions/log_steps.h"
#include "user_actions/open_dialog.h"
#include "user_actions/redirector_steps.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;
using tovrin::test::TestContext;

namespace {

struct Opener {
    QCoreApplication& app = test::CoreApp();  // before the fetch's network manager
    TestContext t;
    RedirectorFetch fetch;
    OpenDialog dialog{t.ctx, fetch};

    Opener()
    {
        // Left over from an earlier run: the opening starts from a reset.
        t.shell.log = {u"old line"_s};
        t.run.localFileMode = true;
        t.run.serverHost = u"old-host"_s;
    }
    OpenOutcome open(const QString& location)
    {
        t.session.mediaLocation = location;
        return OpenMedia(t.ctx, fetch);
    }
};

QByteArray Addresses(int count)
{
    QByteArray text = "<ASX version=\"3.0\">\r\n";
    for (int i = 1; i <= count; ++i)
        text += "<Entry><Ref href=\"mms://srv/clip" + QByteArray::number(i) + ".asf\"/></Entry>\r\n";
    return text + "</ASX>\r\n";
}

}  // namespace

TEST(OpenMedia, EachRouteIsToldInTheShell)
{
    QTemporaryDir files;
    const auto file = [&](const char* name, const QByteArray& bytes) {
        return test::WriteFile(files, QString::fromLatin1(name), bytes);
    };
    QDir(files.path()).mkdir(u"folder.asx"_s);  // a folder named like a redirector is no file
    const QString huge = file("huge.log", {});
    ASSERT_TRUE(QFile::resize(huge, kMaxArchivedLogBytes + 1));
    QByteArray big(kMaxRedirectorFileBytes + 1, ' ');
    big.replace(0, 9, "mms://h/a");
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const QString refused = u"http://127.0.0.1:%1/list.asx"_s.arg(closed.serverPort());
    closed.close();
    // A local media file is inspected whatever the length of its header, even
    // one longer than the 5000 bytes read when the header names no length.
    const QString longHeader = files.filePath(u"long-header.wma"_s);
    ASSERT_EQ(
        test::RunProgram(u"ffmpeg"_s,
                         test::Args(u"-hide_banner -loglevel error -f lavfi -i sine=duration=1 -c:a wmav2 -metadata")
                             << u"comment="_s + QString(6000, QLatin1Char('x')) << longHeader),
        0);
    EXPECT_GT(LocalHeaderLength(longHeader), 12000u);
    Opener o;
    EXPECT_EQ(o.open(longHeader), OpenOutcome::MediaInspected) << o.t.shell.messages.join(u'|').toStdString();
    EXPECT_EQ(o.t.shell.properties.value(PropertyField::Length), u"00 : 00 : 01"_s);

    // A stream address or a local redirector fills the URL box: the list in
    // file order, at most 20 entries, in local file mode, not offered for
    // saving. What cannot be opened is told and leaves the URL box alone;
    // unsupported combinations keep the log; a saved log that cannot be shown
    // is told in the log only, in local file mode, set before the log is read.
    QStringList lines;
    const auto open = [&](std::initializer_list<QString> locations) {
        for (const QString& location : locations) {
            Opener o;
            o.t.shell.url = u"mms://kept/x"_s;
            o.t.shell.urlList = {u"mms://kept/x"_s};
            const OpenOutcome outcome = o.open(location);
            // Every shell call of the opening but the file's size and time,
            // then its outcome and the run state it leaves.
            lines << u"== "_s + QString(location).replace(refused, u"<refused>"_s)
                  << o.t.shell.calls.filter(QRegularExpression(u"^(?!property (7|11) )"_s))
                  << test::Line("outcome", int(outcome), "localFileMode", o.t.run.localFileMode, "serverHost",
                                o.t.run.serverHost, "busy", o.fetch.isBusy(), "streams", o.t.run.streamCount);
        }
    };
    open({u"mms://host/live"_s, u"MMSU://HOST/CLIP.WMV"_s, file("a.wvx", Addresses(3)), file("b.asx", Addresses(21)),
          u"Mms://host/a.asf"_s, u"mmst://h/a.asx"_s, u"http://h/a.asp"_s, u"http://h/clip.wmv"_s, u"http://h/page"_s,
          files.filePath(u"missing.asx"_s), files.filePath(u"folder.asx"_s), file("empty.asx", {})});
    open({file("none.asx", "<asx><ref href=\"http://x/a.asf\"/></asx>"), file("big.asx", big),
          file("text.wmv", QByteArray(8000, 'x')), files.filePath(u"gone.asf"_s), files.filePath(u"missing.log"_s),
          file("empty.log", {}), huge, file("lines.log", QByteArray(kMaxArchivedLogLines + 1, '\n')), refused,
          u"http:///list.asx"_s, test::SamplePath(test::Sample::Wmv)});
    EXPECT_GOLDEN("user_actions/open_routes", lines.replaceInStrings(files.path(), u"<dir>"_s)
                                                  .replaceInStrings(test::SamplePath(test::Sample::Wmv), u"<sample>"_s)
                                                  .replaceInStrings(u"\n"_s, u"\\n"_s));
}

// The open dialog ------------------------------------------------------------

// A script of dialog steps; after each one a line of the dialog's state, then
// the shell calls it made.
struct DialogScript : Opener {
    QStringList lines;
    template <typename Act>
    void step(const QString& what, Act act)
    {
        t.shell.calls.clear();
        std::optional<OpenOutcome> outcome;
        if constexpr (std::is_void_v<decltype(act())>)
            act();
        else
            outcome = act();
        lines << test::Line("==", what, "->", outcome ? QString::number(int(*outcome)) : u"-"_s, "| open",
                            dialog.isOpen(), "text", dialog.text(), "history", dialog.history(), "| MediaList",
                            t.store.read(u"MediaList"_s), "OpenDir", t.store.read(u"OpenDir"_s), "location",
                            t.session.mediaLocation, "save", t.session.savePath)
              << t.shell.calls;
    }
};

// OK without a text, or while the media is busy, does nothing; OK clears the
// save label and the URL box before opening, and even a location that cannot
// be opened is remembered. The history is newest first, with repeats, at most
// twenty. Browse puts the path in the text and remembers its folder, where the
// chooser starts the next time; Cancel changes nothing.
TEST(OpenDialog, OkHistoryAndBrowse)
{
    DialogScript d;
    d.t.session.savePath = u"/rec/old.wmv"_s;
    d.t.shell.url = u"mms://old/x"_s;
    d.t.shell.urlList = {u"mms://old/x"_s, u"mms://old/y"_s};
    d.step(u"show"_s, [&] { d.dialog.reloadHistory(); });
    for (const QString& text : {QString(), u" \t "_s})
        d.step(u"ok '%1'"_s.arg(text), [&] { return d.dialog.setText(text), d.dialog.okClick(); });
    d.step(u"ok while busy"_s, [&] { return d.dialog.setText(u"mms://a/b"_s), d.dialog.okClick(true); });
    d.step(u"cancel"_s, [&] { d.dialog.cancelClick(); });
    d.step(u"show, ok 'Mms://unknown'"_s,
           [&] { return d.dialog.reloadHistory(), d.dialog.setText(u"Mms://unknown"_s), d.dialog.okClick(); });
    d.step(u"show, ok '  mms://a/b  '"_s,
           [&] { return d.dialog.reloadHistory(), d.dialog.setText(u"  mms://a/b  "_s), d.dialog.okClick(); });
    d.step(u"show"_s, [&] { d.dialog.reloadHistory(); });
    d.step(u"ok"_s, [&] { return d.dialog.okClick(); });
    for (int i = 1; i <= 20; ++i) {
        d.dialog.reloadHistory();
        d.dialog.setText(u"mms://h/%1"_s.arg(i));
        d.dialog.okClick();
    }
    d.step(u"20 more, show"_s, [&] { d.dialog.reloadHistory(); });
    d.t.shell.openFileAnswers = {d.t.dir.filePath(u"clips/a.wmv"_s), std::nullopt};
    for (int i = 0; i < 2; ++i) {
        d.step(u"browse"_s, [&] { d.dialog.browseClick(); });
        ASSERT_TRUE(d.t.shell.lastOpenRequest);
        d.lines << u"start "_s + d.t.shell.lastOpenRequest->startFolder
                << u"filters "_s + d.t.shell.lastOpenRequest->filters.join(u'|');
    }
    EXPECT_GOLDEN(
        "user_actions/open_dialog",
        d.lines.replaceInStrings(d.t.dir.path(), u"<dir>"_s).replaceInStrings(QDir::currentPath(), u"<cwd>"_s));
}

// Saving the log and a fetched redirector: each save's shell calls, the
// chooser it opened and the folder remembered. A saved file remembers its
// folder, where the next chooser starts; Cancel saves nothing; an empty log
// or a file that cannot be created is reported and keeps the old file.
TEST(SaveLog, WritesTheLinesOrReportsWhyNotAndRemembersTheFolder)
{
    TestContext t;
    QDir(t.dir.path()).mkdir(u"logs"_s);
    QDir(t.dir.path()).mkdir(u"keep"_s);
    t.session.savePath = t.dir.filePath(u"clip.wmv"_s);
    t.session.mediaLocation = u"http://web/lists/show.asx"_s;
    const QString kept = test::WriteFile(t.dir, u"old.log"_s, "kept\n");
    const QByteArray text("[Reference]\r\nRef1=mms://srv/a.asf\r\n\0tail", 40);
    QStringList lines;
    const auto save = [&](const char* what, const std::optional<QString>& answer, const auto& step) {
        t.shell.calls.clear();
        t.shell.saveFileAnswers.push_back(answer);
        const QString saved = step();  // the redirector copy answers whether it saved, the log nothing
        const SaveFileRequest& r = *t.shell.lastSaveRequest;
        lines << test::Line("==", what, "-> saved", saved) << t.shell.calls
              << test::Line("kind", int(r.kind), "name", r.defaultName, "extension", r.defaultExtension, "start",
                            r.startFolder, "overwrite prompt", r.overwritePrompt, "filter", r.filter)
              << test::Line("LogDir", t.store.read(u"LogDir"_s), "AsxDir", t.store.read(u"AsxDir"_s));
    };
    const auto saveLog = [&] { return SaveLog(t.ctx), u"-"_s; };
    const auto saveRedirector = [&] { return SaveRedirectorFile(t.ctx, text) ? u"true"_s : u"false"_s; };
    save("empty log", kept, saveLog);
    t.shell.log = {u"第一行"_s, QString(), u"last"_s};
    save("log", t.dir.filePath(u"logs/run.log"_s), saveLog);
    save("log, cancelled", std::nullopt, saveLog);
    save("log into a missing folder", t.dir.filePath(u"missing/folder/x.log"_s), saveLog);
    save("redirector", t.dir.filePath(u"keep/show.asx"_s), saveRedirector);
    save("redirector, cancelled", std::nullopt, saveRedirector);
    save("redirector into a missing folder", t.dir.filePath(u"missing/folder/x.asx"_s), saveRedirector);
    lines << test::Line(test::ReadWholeFile(kept), "log as written",
                        test::ReadWholeFile(t.dir.filePath(u"logs/run.log"_s)) == EncodeSessionLog(t.shell.log),
                        "redirector as fetched", test::ReadWholeFile(t.dir.filePath(u"keep/show.asx"_s)) == text);
    EXPECT_GOLDEN("user_actions/file_saves", lines.replaceInStrings(t.dir.path(), u"<dir>"_s));
}
