#include "state/window_state.h"
#include "state/app_error.h"
#include "support/temp_settings.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;

namespace {

struct StoredCase {
    const char* name;
    QMap<QString, QString> stored;
    int height, width, left, top;
    QString urlSelected;
    QStringList urlList;
};

}  // namespace

TEST(WindowState, EachStoredValueIsAppliedOnItsOwn)
{
    const QStringList three{QStringLiteral("mms://a/1.wmv"), QStringLiteral("mms://b/2"),
                            QStringLiteral("mms://c/3.asf")};
    const StoredCase cases[] = {
        {"nothing stored: the design geometry", {}, 463, 346, 239, 88, QString(), {}},
        {"below the minimum size; a negative left",
         {{QStringLiteral("Width"), QStringLiteral("200")},
          {QStringLiteral("Height"), QStringLiteral("100")},
          {QStringLiteral("FormLeft"), QStringLiteral("-8")},
          {QStringLiteral("FormTop"), QStringLiteral("40")}},
         463,
         346,
         -8,
         40,
         QString(),
         {}},
        // A geometry value that is not a number must not cost the URL box.
        {"a height that is not a number",
         {{QStringLiteral("Height"), QStringLiteral("tall")},
          {QStringLiteral("Width"), QStringLiteral("500")},
          {QStringLiteral("URLSelected"), QStringLiteral("mms://b/2")},
          {QStringLiteral("URLList"), QStringLiteral("mms://a/1.wmv\r\nmms://b/2\nmms://c/3.asf\r")}},
         463,
         500,
         239,
         88,
         QStringLiteral("mms://b/2"),
         three},
    };
    for (const StoredCase& c : cases) {
        SCOPED_TRACE(c.name);
        TestContext t;
        for (auto it = c.stored.begin(); it != c.stored.end(); ++it)
            t.store.write(it.key(), it.value());
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
        void stopRun() override { *order << QStringLiteral("stop after ") + shell->log.last(); }
    };
    TestContext t;
    QStringList order;
    OrderStopper stopper;
    stopper.shell = &t.shell;
    stopper.order = &order;
    t.ctx.stopper = &stopper;

    WindowState state;
    state.urlList = {QStringLiteral("mms://a/1.wmv"), QStringLiteral("mms://b/2"), QStringLiteral("mms://c/3.asf")};
    state.urlSelected = QStringLiteral("mms://b/2");
    state.width = 600;
    state.left = -8;
    RunCloseSequence(t.ctx, state);
    EXPECT_EQ(order, QStringList{QStringLiteral("stop after ********** 關閉 **********")});
    EXPECT_EQ(t.store.read(QStringLiteral("URLList")),
              QStringLiteral("mms://a/1.wmv\r\nmms://b/2\r\nmms://c/3.asf\r\n"));
    const WindowState back = LoadWindowState(t.store);
    EXPECT_EQ(back.urlList, state.urlList);
    EXPECT_EQ(back.urlSelected, state.urlSelected);
    EXPECT_EQ(back.width, 600);
    EXPECT_EQ(back.left, -8);

    // A store that cannot be written still lets the stop routine run first.
    const QString blocked = t.dir.filePath(QStringLiteral("blocked.conf"));
    QDir().mkpath(blocked);
    SettingsStore store(blocked);
    AppContext ctx{t.shell, store, t.settings, t.run, &stopper};
    RunCloseSequence(ctx, state);
    EXPECT_EQ(order.size(), 2);
    EXPECT_EQ(t.shell.messages.size(), 1);
}
