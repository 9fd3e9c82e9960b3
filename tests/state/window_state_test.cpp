#include "state/window_state.h"
#include "state/app_error.h"
#include "support/temp_settings.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

TEST(WindowState, EachStoredValueIsAppliedOnItsOwn)
{
    const QStringList three{u"mms://a/1.wmv"_s, u"mms://b/2"_s, u"mms://c/3.asf"_s};
    const struct {
        const char* name;
        QString stored;  // NAME=VALUE, separated by blanks
        int height, width, left, top;
        QString urlSelected;
        QStringList urlList;
    } cases[] = {
        {"nothing stored: the design geometry", QString(), 463, 346, 239, 88, QString(), QStringList()},
        {"below the minimum size; a negative left", u"Width=200 Height=100 FormLeft=-8 FormTop=40"_s, 463, 346, -8, 40,
         QString(), QStringList()},
        // A geometry value that is not a number must not cost the URL box.
        {"a height that is not a number",
         u"Height=tall Width=500 URLSelected=mms://b/2 URLList=mms://a/1.wmv\r\nmms://b/2\nmms://c/3.asf\r"_s, 463, 500,
         239, 88, u"mms://b/2"_s, three},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestContext t;
        WriteSettings(t.store, c.stored);
        const WindowState state = LoadWindowState(t.store);
        EXPECT_EQ(state.height, c.height);
        EXPECT_EQ(state.width, c.width);
        EXPECT_EQ(state.left, c.left);
        EXPECT_EQ(state.top, c.top);
        EXPECT_EQ(state.urlSelected, c.urlSelected);
        EXPECT_EQ(state.urlList, c.urlList);
    }
}

TEST(WindowState, TheCloseSequenceStopsTheRunBeforeItWritesAndKeepsTheUrlList)
{
    struct OrderStopper : RunStopper {
        FakeShell* shell;
        QStringList* order;
        void stopRun() override { *order << u"stop after "_s + shell->log.last(); }
    };
    TestContext t;
    QStringList order;
    OrderStopper stopper;
    stopper.shell = &t.shell;
    stopper.order = &order;
    t.ctx.stopper = &stopper;

    WindowState state;
    state.urlList = {u"mms://a/1.wmv"_s, u"mms://b/2"_s, u"mms://c/3.asf"_s};
    state.urlSelected = u"mms://b/2"_s;
    state.width = 600;
    state.left = -8;
    RunCloseSequence(t.ctx, state);
    EXPECT_EQ(order, QStringList{u"stop after ********** 關閉 **********"_s});
    EXPECT_EQ(t.store.read(u"URLList"_s), u"mms://a/1.wmv\r\nmms://b/2\r\nmms://c/3.asf\r\n"_s);
    const WindowState back = LoadWindowState(t.store);
    EXPECT_EQ(back.urlList, state.urlList);
    EXPECT_EQ(back.urlSelected, state.urlSelected);
    EXPECT_EQ(back.width, 600);
    EXPECT_EQ(back.left, -8);

    // A store that cannot be written still lets the stop routine run first.
    const QString blocked = t.dir.filePath(u"blocked.conf"_s);
    QDir().mkpath(blocked);
    SettingsStore store(blocked);
    AppContext ctx{t.shell, store, t.settings, t.run, t.session, &stopper};
    RunCloseSequence(ctx, state);
    EXPECT_EQ(order.size(), 2);
    EXPECT_EQ(t.shell.messages.size(), 1);
}
