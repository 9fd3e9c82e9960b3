#include "run/recording_times.h"

#include "state/format_time.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace tovrin {

std::optional<WallTime> ParseWallTime(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^(?:([0-9]{4})-([0-9]{2})-([0-9]{2})T)?([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?$"));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt());
    if (!time.isValid())
        return std::nullopt;
    if (match.captured(1).isEmpty())
        return WallTime{time, {}};
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    if (!date.isValid())
        return std::nullopt;
    return WallTime{std::nullopt, QDateTime(date, time)};
}

std::optional<RecordingTimes> PlanRecordingTimes(const std::optional<WallTime>& start,
                                                 const std::optional<WallTime>& stop, const QDateTime& now,
                                                 PassedStart passed)
{
    // The first moment of a time of day at or after `from` (its day, or the
    // next). Days, not 24 hours, are added, so a change of summer time in
    // between keeps the time of day.
    const auto onOrAfter = [](const QTime& timeOfDay, const QDateTime& from, bool after) {
        QDateTime moment(from.date(), timeOfDay);
        if (moment < from || (after && moment == from))
            moment = QDateTime(from.date().addDays(1), timeOfDay);
        return moment;
    };
    const auto stopAfter = [&stop, &onOrAfter](const QDateTime& from) {
        return stop->timeOfDay ? onOrAfter(*stop->timeOfDay, from, true) : stop->moment;
    };
    RecordingTimes planned;
    planned.start = !start ? now : start->timeOfDay ? onOrAfter(*start->timeOfDay, now, false) : start->moment;
    if (start && start->timeOfDay) {
        // The latest start at or before now: its recording is under way when
        // its stop is still to come (from 18:00 to 19:00, planned at 18:20,
        // or from 23:00 to 07:00 planned at 01:00), and starts at once, late;
        // but yesterday's only when it stops before today's starts.
        QDateTime latest(now.date(), *start->timeOfDay);
        if (latest > now)
            latest = QDateTime(now.date().addDays(-1), *start->timeOfDay);
        const bool underWay =
            stop && stopAfter(latest) > now && (latest.date() == now.date() || stopAfter(latest) < planned.start);
        if (underWay || (passed == PassedStart::Today && planned.start.date() > now.date()))
            planned.start = underWay ? latest : QDateTime(now.date(), *start->timeOfDay);
    }
    if (stop) {
        planned.stop = stopAfter(planned.start);
        if (*planned.stop <= planned.start)
            return std::nullopt;
    }
    return planned;
}

QString SpanText(qint64 seconds)
{
    const qint64 days = seconds / 86400;
    const QString time = FormatTime(std::uint32_t(seconds % 86400) * 1000);
    return days == 0 ? time : QCoreApplication::translate("Tovrin", "%1 天 ").arg(days) + time;
}

}  // namespace tovrin
