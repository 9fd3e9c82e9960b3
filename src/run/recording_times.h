#pragma once

#include <QDateTime>
#include <QString>
#include <QTime>

#include <optional>

namespace tovrin {

// A time given for a recording's start or stop: a time of day ("HH:MM",
// "HH:MM:SS"), whose day is decided when the recording is planned, or a local
// date and time ("YYYY-MM-DDTHH:MM", "YYYY-MM-DDTHH:MM:SS").
struct WallTime {
    std::optional<QTime> timeOfDay;
    QDateTime moment;  // when no time of day
};

// Nothing when `text` is neither form, or names no time that exists.
std::optional<WallTime> ParseWallTime(const QString& text);

// When a recording starts and stops by the wall clock.
struct RecordingTimes {
    QDateTime start;
    std::optional<QDateTime> stop;
};

// What a start at a time of day that is already past today means, when no
// recording it starts is still under way: tomorrow's, for a recording planned
// at a prompt; today's for one the system starts for its day (a timer, a
// restart), which then starts late, or is missed when its stop has passed.
enum class PassedStart { Tomorrow, Today };

// The recording planned at `now`: it starts at once without a start; at a
// date and time as given, also one already past (a late start); at a time of
// day today when it is still to come; at once (late) when a recording from
// that time to the stop is under way (from 18:00 to 19:00 planned at 18:20);
// otherwise as `passed` says. It stops at the first moment of a time of day
// after its start, or at a date and time as given. Nothing when that stop is
// not after the start.
std::optional<RecordingTimes> PlanRecordingTimes(const std::optional<WallTime>& start,
                                                 const std::optional<WallTime>& stop, const QDateTime& now,
                                                 PassedStart passed = PassedStart::Tomorrow);

// A span of seconds as the log tells a wait or a delay: "hh : mm : ss", with
// "N 天 " before it from a day on.
QString SpanText(qint64 seconds);

}  // namespace tovrin
