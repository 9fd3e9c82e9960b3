// The schedule list's rules: when an entry starts, what was missed, the
// limit of recordings at once, the list kept in the settings, and the
// runner carrying them out with one process a recording.

#include "support/core_app.h"
#include "support/temp_settings.h"
#include "user_actions/schedule_rules.h"
#include "user_actions/schedule_runner.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

namespace {

// 2024-05-03 is a Friday.
QDateTime At(const char16_t* text)
{
    return QDateTime::fromString(QString::fromUtf16(text), u"yyyy-MM-dd HH:mm"_s);
}

ScheduledRecording Entry(int id, const char16_t* start, ScheduleRepeat repeat, int duration = 60)
{
    ScheduledRecording entry;
    entry.id = id;
    entry.address = u"mms://host/%1"_s.arg(id);
    entry.start = At(start);
    entry.repeat = repeat;
    entry.durationSeconds = duration;
    return entry;
}

}  // namespace

TEST(ScheduleRules, EachRepeatStartsOnItsDaysAtItsTimeFromItsFirstDate)
{
    auto chosen = Entry(1, u"2024-05-01 18:00", ScheduleRepeat::ChosenDays);
    chosen.days = 0b1000100;  // Wednesday and Sunday
    const struct {
        ScheduledRecording entry;
        const char16_t* after;
        const char16_t* next;  // empty: never again
    } cases[] = {
        {Entry(1, u"2024-05-03 18:00", ScheduleRepeat::Once), u"2024-05-03 17:59", u"2024-05-03 18:00"},
        {Entry(1, u"2024-05-03 18:00", ScheduleRepeat::Once), u"2024-05-03 18:00", u""},
        {Entry(1, u"2024-05-01 18:00", ScheduleRepeat::Daily), u"2024-05-03 18:00", u"2024-05-04 18:00"},
        {Entry(1, u"2024-05-10 18:00", ScheduleRepeat::Daily), u"2024-05-03 19:00", u"2024-05-10 18:00"},
        {Entry(1, u"2024-05-01 18:00", ScheduleRepeat::Weekdays), u"2024-05-03 18:30", u"2024-05-06 18:00"},
        {chosen, u"2024-05-01 18:00", u"2024-05-05 18:00"},
        {chosen, u"2024-05-05 18:00", u"2024-05-08 18:00"},
    };
    for (const auto& c : cases) {
        const std::optional<QDateTime> next = NextStart(c.entry, At(c.after));
        EXPECT_EQ(next.value_or(QDateTime()), At(c.next))
            << RepeatText(c.entry).toStdString() << " after " << QString::fromUtf16(c.after).toStdString();
    }
}

// The program was closed for three days: a daily recording's earlier times
// are missed, today's starts late for what is left of its hour; a second
// look decides nothing more. Without a duration a start is late by at most
// the grace. A switched-off entry never starts.
TEST(ScheduleRules, TimesMissedWhileClosedAreToldAndALateStartRecordsWhatIsLeft)
{
    std::vector<ScheduledRecording> list{Entry(1, u"2024-04-20 18:00", ScheduleRepeat::Daily, 3600),
                                         Entry(2, u"2024-05-03 18:00", ScheduleRepeat::Once, 0),
                                         Entry(3, u"2024-05-03 18:00", ScheduleRepeat::Once, 0),
                                         Entry(4, u"2024-05-03 18:00", ScheduleRepeat::Daily)};
    list[0].handledUntil = At(u"2024-04-30 18:00");
    list[1].handledUntil = list[2].handledUntil = list[3].handledUntil = At(u"2024-05-01 00:00");
    list[2].start = At(u"2024-05-03 18:12");
    list[3].enabled = false;
    ScheduleTurn turn = TakeScheduleTurn(list, At(u"2024-05-03 18:15"), {}, 10);

    ASSERT_EQ(turn.missed.size(), 3u);
    EXPECT_EQ(turn.missed[0].due, At(u"2024-05-01 18:00"));
    EXPECT_EQ(turn.missed[1].due, At(u"2024-05-02 18:00"));
    EXPECT_EQ(turn.missed[2].id, 2);  // 15 minutes late with no duration: over
    ASSERT_EQ(turn.starts.size(), 2u);
    EXPECT_EQ(turn.starts[0].id, 1);
    EXPECT_EQ(turn.starts[0].lateSeconds, 900);
    EXPECT_EQ(turn.starts[0].durationSeconds, 2700);
    EXPECT_EQ(turn.starts[1].id, 3);
    EXPECT_EQ(list[0].handledUntil, At(u"2024-05-03 18:00"));

    turn = TakeScheduleTurn(list, At(u"2024-05-03 18:16"), {1, 3}, 10);
    EXPECT_TRUE(turn.starts.empty() && turn.missed.empty() && turn.waiting.empty());
    EXPECT_EQ(NextStartOfList(list, At(u"2024-05-03 18:16")), At(u"2024-05-04 18:00"));
}

// With two at once and one going, of three due the earliest starts and the
// others wait; when a place frees the next starts for what is left; one
// whose time ran out while it waited is missed.
TEST(ScheduleRules, TheLimitHoldsTheLaterOnesUntilAPlaceIsFree)
{
    std::vector<ScheduledRecording> list{Entry(1, u"2024-05-03 18:02", ScheduleRepeat::Once, 600),
                                         Entry(2, u"2024-05-03 18:01", ScheduleRepeat::Once, 600),
                                         Entry(3, u"2024-05-03 18:03", ScheduleRepeat::Once, 180),
                                         Entry(9, u"2024-05-03 17:00", ScheduleRepeat::Daily, 7200)};
    for (auto& entry : list)
        entry.handledUntil = At(u"2024-05-03 17:00");
    ScheduleTurn turn = TakeScheduleTurn(list, At(u"2024-05-03 18:03"), {9}, 2);
    ASSERT_EQ(turn.starts.size(), 1u);
    EXPECT_EQ(turn.starts[0].id, 2);
    ASSERT_EQ(turn.waiting.size(), 2u);
    EXPECT_EQ(turn.waiting[0].id, 1);
    EXPECT_EQ(turn.waiting[1].id, 3);

    turn = TakeScheduleTurn(list, At(u"2024-05-03 18:05"), {2}, 2);
    ASSERT_EQ(turn.starts.size(), 1u);
    EXPECT_EQ(turn.starts[0].id, 1);
    EXPECT_EQ(turn.starts[0].durationSeconds, 420);
    ASSERT_EQ(turn.waiting.size(), 1u);

    turn = TakeScheduleTurn(list, At(u"2024-05-03 18:05"), {1, 2}, 2);
    EXPECT_EQ(turn.waiting.size(), 1u);
    turn = TakeScheduleTurn(list, At(u"2024-05-03 18:06"), {2}, 2);
    EXPECT_TRUE(turn.starts.empty());
    ASSERT_EQ(turn.missed.size(), 1u);
    EXPECT_EQ(turn.missed[0].id, 3);
}

// The list as the settings keep it; a damaged entry is left out or takes
// defaults. Typed lengths, the problems an edit is refused for, and the
// command line of a recording.
TEST(ScheduleRules, TheListIsKeptInTheSettingsAndEditsAreChecked)
{
    TestContext t;
    auto chosen = Entry(1, u"2024-05-03 18:00", ScheduleRepeat::ChosenDays, 1800);
    chosen.days = 0b0010101;
    chosen.folder = u"/rec"_s;
    chosen.nameTemplate = u"%t %Y-%m-%d.wmv"_s;
    chosen.splitEvery = u"10m"_s;
    chosen.handledUntil = At(u"2024-05-03 18:00");
    auto off = Entry(2, u"2024-05-04 07:30", ScheduleRepeat::Weekdays, 0);
    off.enabled = false;
    ASSERT_TRUE(SaveScheduleList(t.store, {chosen, off}));
    EXPECT_EQ(LoadScheduleList(t.store), (std::vector{chosen, off}));
    WriteSettings(t.store,
                  u"Schedules/1/Address= Schedules/7/Repeat=days Schedules/7/Duration=-5 "
                  u"Schedules/7/Address=mms://h/x Schedules/7/Start=2024-05-04T07:30:00 ScheduleLimit=9999");
    const std::vector<ScheduledRecording> damaged = LoadScheduleList(t.store);
    ASSERT_EQ(damaged.size(), 2u);
    EXPECT_EQ(damaged[1].repeat, ScheduleRepeat::Once);  // no days chosen
    EXPECT_EQ(damaged[1].durationSeconds, 0);
    EXPECT_EQ(LoadScheduleLimit(t.store), kMaxScheduleLimit);

    const auto length = [](const char16_t* text) { return ParseDurationText(QString::fromUtf16(text)); };
    EXPECT_EQ(length(u"1:30:00"), 5400);
    EXPECT_EQ(length(u"45:10"), 2710);
    EXPECT_EQ(length(u" 90m"), 5400);
    EXPECT_EQ(length(u"2h"), 7200);
    EXPECT_EQ(length(u""), 0);
    EXPECT_FALSE(length(u"1:75:00") || length(u"soon") || length(u"9999h"));

    const QDateTime now = At(u"2024-05-03 19:00");
    EXPECT_EQ(ScheduleProblem(Entry(1, u"2024-05-03 18:00", ScheduleRepeat::Once), now), u"這個開始時間已經過了"_s);
    EXPECT_EQ(ScheduleProblem(Entry(1, u"2024-05-03 18:00", ScheduleRepeat::ChosenDays), now), u"請至少選擇一天"_s);
    EXPECT_TRUE(ScheduleProblem(chosen, now).isEmpty());
    EXPECT_EQ(ScheduleArguments(chosen, 1700).join(u' '),
              u"record mms://host/1 --progress json --duration 1700 -o %t %Y-%m-%d.wmv --split-every 10m"_s);
}

// Two recordings due at once, each its own process: one whose program fails
// without an end line is told failed with its last words, and stops nothing
// of the other, which completes from its progress lines.
TEST(ScheduleRunner, EachRecordingIsItsOwnProcessAndOneFaultStopsNoOther)
{
    CoreApp();
    TestContext t;
    const QString program = t.dir.filePath(u"fake-cli"_s);
    QFile script(program);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(R"(#!/bin/sh
case "$2" in
*fail*) echo '- 無法連線到串流伺服器' >&2; exit 3 ;;
esac
sleep 0.3
echo '{"event":"state","state":"connecting","url":"'"$2"'"}'
echo '{"event":"file","file":"'"$PWD"'/a.wmv","part":1}'
echo '{"event":"progress","state":"recording","file":"'"$PWD"'/a.wmv","part":1,"bytes":2048,"mediaMs":20000}'
echo '{"event":"end","status":0,"result":"completed","files":["'"$PWD"'/a.wmv"]}'
)");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);

    ScheduleRunner runner(t.ctx, program);
    QDateTime now = At(u"2024-05-03 17:59");
    runner.setClock([&] { return now; });
    ScheduledRecording good = Entry(0, u"2024-05-03 18:00", ScheduleRepeat::Once, 20), bad = good;
    good.folder = t.dir.filePath(u"out"_s);
    bad.address = u"mms://fail/x"_s;
    const int goodId = runner.add(good), badId = runner.add(bad);
    runner.begin();
    now = At(u"2024-05-03 18:00");
    runner.turn();
    EXPECT_EQ(runner.recordingCount(), 2);
    ASSERT_TRUE(WaitUntil([&] { return runner.recordingCount() == 0; }, 10000));
    EXPECT_EQ(StateText(runner.view(badId), 1), u"失敗: 無法連線到串流伺服器"_s);
    EXPECT_EQ(StateText(runner.view(goodId), 1) + u' ' + ProgressText(runner.view(goodId)),
              u"已完成 第 1 段, 2.0 KB, 0:00:20"_s);
    EXPECT_EQ(runner.view(goodId).files, QStringList{good.folder + u"/a.wmv"_s});
    EXPECT_TRUE(t.shell.log.contains(
        u"- 排程錄製結束: mms://host/0: 已完成, 第 1 段, 2.0 KB, 0:00:20 (%1/a.wmv)"_s.arg(good.folder)))
        << t.shell.log.join(u'\n').toStdString();
    EXPECT_FALSE(runner.pending());
}
