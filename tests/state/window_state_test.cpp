#include "state/window_state.h"
#include "state/app_error.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/temp_settings.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

// Nothing stored gives the design geometry; a size below the minimum and a
// negative left are kept; a geometry value that is not a number must not
// cost the URL box.
TEST(WindowState, EachStoredValueIsAppliedOnItsOwn)
{
    QStringList lines;
    for (const QString& stored :
         {QString(), u"Width=200 Height=100 FormLeft=-8 FormTop=40"_s,
          u"Height=tall Width=500 URLSelected=mms://b/2 URLList=mms://a/1.wmv\r\nmms://b/2\nmms://c/3.asf\r"_s}) {
        TestContext t;
        WriteSettings(t.store, stored);
        const WindowState s = LoadWindowState(t.store);
        lines << Line(stored, "->", s.height, s.width, s.left, s.top, s.urlSelected, s.urlList);
    }
    EXPECT_GOLDEN("state/window_state_loaded", lines);
}

TEST(WindowState, TheCloseSequenceStopsTheRunBeforeItWritesAndKeepsTheUrlList)
{
    // Notes each stop among the shell's calls, where its order shows.
    struct ShellStopper : RunStopper {
        explicit ShellStopper(FakeShell& shell) : shell(shell) {}
        void stopRun() override { shell.calls << u"stopRun"_s; }
        FakeShell& shell;
    };
    TestContext t;
    ShellStopper stopper(t.shell);
    t.ctx.stopper = &stopper;

    WindowState state;
    state.urlList = {u"mms://a/1.wmv"_s, u"mms://b/2"_s, u"mms://c/3.asf"_s};
    state.urlSelected = u"mms://b/2"_s;
    state.width = 600;
    state.left = -8;
    RunCloseSequence(t.ctx, state);
    t.shell.calls << u"stored URLList "_s + t.store.read(u"URLList"_s);
    const WindowState back = LoadWindowState(t.store);
    EXPECT_EQ(Line(back.urlList, back.urlSelected, back.width, back.left),
              Line(state.urlList, state.urlSelected, 600, -8));

    // A store that cannot be written still lets the stop routine run first.
    const QString blocked = t.dir.filePath(u"blocked.conf"_s);
    QDir().mkpath(blocked);
    SettingsStore store(blocked);
    AppContext ctx{t.shell, store, t.settings, t.run, t.session, &stopper};
    RunCloseSequence(ctx, state);
    EXPECT_GOLDEN("state/close_sequence", OneLineEach(t.shell.calls));
}
