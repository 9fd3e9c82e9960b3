#pragma once

#include "state/schedule_list.h"

#include <QDateTime>
#include <QSet>
#include <QStringList>

#include <optional>
#include <vector>

namespace tovrin {

// How late a recording without a duration may still start: past this its
// time is missed. One with a duration starts while its time lasts, for
// what is left of it.
inline constexpr int kLateStartGraceSeconds = 300;
// Missed times further back than this are not looked for.
inline constexpr int kMissedLookBackDays = 366;

// The first time `entry` starts after `after` (strictly later); nothing when
// it never starts again. Its on/off switch is not asked.
std::optional<QDateTime> NextStart(const ScheduledRecording& entry, const QDateTime& after);

// What one look at the list decides.
struct ScheduleTurn {
    struct Start {
        int id = 0;
        QDateTime due;
        qint64 lateSeconds = 0;
        int durationSeconds = 0;  // what is left of its time; 0: until the stream ends
    };
    struct Missed {
        int id = 0;
        QDateTime due;
    };
    struct Waiting {
        int id = 0;
        QDateTime due;
        bool ownRunGoing = false;  // its previous time still records; else the limit holds it
    };
    std::vector<Start> starts;
    std::vector<Missed> missed;
    std::vector<Waiting> waiting;
};

// Looks at the list at `now`, with the recordings of `running` under way
// and at most `limit` at once: each switched-on entry's times since it was
// last handled start (late ones for what is left of their time), wait for a
// free place (the earliest first), or are missed (their time is over, or a
// later time came). Marks the entries' times handled as it decides them.
ScheduleTurn TakeScheduleTurn(std::vector<ScheduledRecording>& list, const QDateTime& now, const QSet<int>& running,
                              int limit);

// The earliest time a switched-on entry of `list` starts after `now`.
std::optional<QDateTime> NextStartOfList(const std::vector<ScheduledRecording>& list, const QDateTime& now);

// The arguments of the `tovrin-cli` that records `entry` (run in its
// folder) for `durationSeconds` (0: until the stream ends).
QStringList ScheduleArguments(const ScheduledRecording& entry, int durationSeconds);

// A length as typed: "1:30:00", "45:00" (minutes and seconds), "90m",
// "2h", "20s" or "20" (seconds); empty is 0 (until the stream ends).
// Nothing for anything else.
std::optional<int> ParseDurationText(const QString& text);
// Why `entry`, as edited at `now`, cannot be kept in the list; empty when
// it can.
QString ScheduleProblem(const ScheduledRecording& entry, const QDateTime& now);

// What the list shows of an entry.
QString StartText(const ScheduledRecording& entry);
QString RepeatText(const ScheduledRecording& entry);
QString DurationText(int seconds);
// Seconds as "1:05:09".
QString ClockText(std::uint64_t seconds);
// A day's short name, Monday 1 to Sunday 7.
QString DayName(int isoDay);

}  // namespace tovrin
