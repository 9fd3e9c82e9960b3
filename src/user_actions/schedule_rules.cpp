#include "user_actions/schedule_rules.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>

namespace tovrin {

namespace {

bool startsOn(const ScheduledRecording& entry, const QDate& date)
{
    if (date < entry.start.date())
        return false;
    switch (entry.repeat) {
    case ScheduleRepeat::Once:
        return date == entry.start.date();
    case ScheduleRepeat::Daily:
        return true;
    case ScheduleRepeat::Weekdays:
        return date.dayOfWeek() <= 5;
    case ScheduleRepeat::ChosenDays:
        return entry.days & (1u << (date.dayOfWeek() - 1));
    }
    return false;
}

// When a time that is due may still start: while the recording's time lasts.
QDateTime lastStart(const ScheduledRecording& entry, const QDateTime& due)
{
    return due.addSecs(entry.durationSeconds > 0 ? entry.durationSeconds : kLateStartGraceSeconds);
}

}  // namespace

std::optional<QDateTime> NextStart(const ScheduledRecording& entry, const QDateTime& after)
{
    if (!entry.start.isValid())
        return std::nullopt;
    if (entry.repeat == ScheduleRepeat::Once)
        return entry.start > after ? std::optional(entry.start) : std::nullopt;
    if (entry.repeat == ScheduleRepeat::ChosenDays && (entry.days & 0x7F) == 0)
        return std::nullopt;
    // Every day of the week comes within eight days of the first looked at
    // (the eighth for the same weekday at a later time of day).
    QDate date = std::max(entry.start.date(), after.date());
    for (int i = 0; i <= 8; ++i, date = date.addDays(1)) {
        if (!startsOn(entry, date))
            continue;
        const QDateTime at(date, entry.start.time());
        if (at > after)
            return at;
    }
    return std::nullopt;
}

ScheduleTurn TakeScheduleTurn(std::vector<ScheduledRecording>& list, const QDateTime& now, const QSet<int>& running,
                              int limit)
{
    ScheduleTurn turn;
    std::vector<ScheduleTurn::Waiting> candidates;
    for (ScheduledRecording& entry : list) {
        if (!entry.enabled)
            continue;
        // An entry nothing was decided for yet has no times behind it.
        if (!entry.handledUntil.isValid())
            entry.handledUntil = now;
        const QDateTime from = std::max(entry.handledUntil, now.addDays(-kMissedLookBackDays));
        std::optional<QDateTime> due;
        for (std::optional<QDateTime> at = NextStart(entry, from); at && *at <= now; at = NextStart(entry, *at)) {
            // A later time came: the earlier one is over.
            if (due)
                turn.missed.push_back({entry.id, *due});
            due = at;
        }
        if (!due)
            continue;
        if (now >= lastStart(entry, *due)) {
            turn.missed.push_back({entry.id, *due});
            entry.handledUntil = *due;
            continue;
        }
        // Earlier times missed are handled; the one due is once it starts.
        if (!turn.missed.empty() && turn.missed.back().id == entry.id)
            entry.handledUntil = turn.missed.back().due;
        candidates.push_back({entry.id, *due, running.contains(entry.id)});
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) { return a.due < b.due; });
    qsizetype places = std::max<qsizetype>(0, limit - running.size());
    for (const ScheduleTurn::Waiting& candidate : candidates) {
        if (candidate.ownRunGoing || places == 0) {
            turn.waiting.push_back(candidate);
            continue;
        }
        --places;
        auto entry = std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.id == candidate.id; });
        entry->handledUntil = candidate.due;
        const qint64 late = candidate.due.secsTo(now);
        int left = 0;
        if (entry->durationSeconds > 0)
            left = int(std::max<qint64>(1, entry->durationSeconds - late));
        turn.starts.push_back({candidate.id, candidate.due, late, left});
    }
    return turn;
}

std::optional<QDateTime> NextStartOfList(const std::vector<ScheduledRecording>& list, const QDateTime& now)
{
    std::optional<QDateTime> next;
    for (const ScheduledRecording& entry : list) {
        if (!entry.enabled)
            continue;
        const QDateTime from = entry.handledUntil.isValid() ? std::max(entry.handledUntil, now) : now;
        if (const std::optional<QDateTime> at = NextStart(entry, from); at && (!next || *at < *next))
            next = at;
    }
    return next;
}

QStringList ScheduleArguments(const ScheduledRecording& entry, int durationSeconds)
{
    QStringList arguments{QStringLiteral("record"), entry.address, QStringLiteral("--progress"),
                          QStringLiteral("json")};
    if (durationSeconds > 0)
        arguments << QStringLiteral("--duration") << QString::number(durationSeconds);
    if (!entry.nameTemplate.trimmed().isEmpty())
        arguments << QStringLiteral("-o") << entry.nameTemplate.trimmed();
    if (!entry.splitEvery.trimmed().isEmpty())
        arguments << QStringLiteral("--split-every") << entry.splitEvery.trimmed();
    return arguments;
}

std::optional<int> ParseDurationText(const QString& text)
{
    const QString typed = text.trimmed().toLower();
    if (typed.isEmpty())
        return 0;
    // Within a year: a longer one is a typing slip.
    constexpr qint64 kLongest = 366LL * 24 * 3600;
    static const QRegularExpression clock(QStringLiteral("^(?:(\\d{1,4}):)?(\\d{1,2}):(\\d{1,2})$"));
    static const QRegularExpression unit(QStringLiteral("^(\\d{1,7})\\s*([hms]?)$"));
    qint64 seconds = -1;
    if (const QRegularExpressionMatch match = clock.match(typed); match.hasMatch()) {
        const int minutes = match.captured(2).toInt(), secs = match.captured(3).toInt();
        if (minutes < 60 && secs < 60)
            seconds = match.captured(1).toLongLong() * 3600 + minutes * 60 + secs;
    } else if (const QRegularExpressionMatch match = unit.match(typed); match.hasMatch()) {
        const QString name = match.captured(2);
        seconds = match.captured(1).toLongLong() * (name == u"h" ? 3600 : name == u"m" ? 60 : 1);
    }
    if (seconds < 0 || seconds > kLongest)
        return std::nullopt;
    return int(seconds);
}

QString ScheduleProblem(const ScheduledRecording& entry, const QDateTime& now)
{
    if (entry.address.trimmed().isEmpty())
        return QCoreApplication::translate("Schedule", "請輸入串流位址");
    if (!entry.start.isValid())
        return QCoreApplication::translate("Schedule", "請輸入開始時間");
    if (entry.repeat == ScheduleRepeat::ChosenDays && (entry.days & 0x7F) == 0)
        return QCoreApplication::translate("Schedule", "請至少選擇一天");
    if (entry.enabled && !NextStart(entry, now))
        return QCoreApplication::translate("Schedule", "這個開始時間已經過了");
    return QString();
}

QString StartText(const ScheduledRecording& entry)
{
    const QString time = entry.start.toString(QStringLiteral("HH:mm"));
    const QString date = entry.start.toString(QStringLiteral("yyyy-MM-dd"));
    if (entry.repeat == ScheduleRepeat::Once)
        return date + u' ' + time;
    return QCoreApplication::translate("Schedule", "%1 (自 %2 起)").arg(time, date);
}

QString DayName(int isoDay)
{
    static const char* const names[] = {QT_TRANSLATE_NOOP("Schedule", "一"), QT_TRANSLATE_NOOP("Schedule", "二"),
                                        QT_TRANSLATE_NOOP("Schedule", "三"), QT_TRANSLATE_NOOP("Schedule", "四"),
                                        QT_TRANSLATE_NOOP("Schedule", "五"), QT_TRANSLATE_NOOP("Schedule", "六"),
                                        QT_TRANSLATE_NOOP("Schedule", "日")};
    return QCoreApplication::translate("Schedule", names[std::clamp(isoDay, 1, 7) - 1]);
}

QString RepeatText(const ScheduledRecording& entry)
{
    switch (entry.repeat) {
    case ScheduleRepeat::Once:
        return QCoreApplication::translate("Schedule", "一次");
    case ScheduleRepeat::Daily:
        return QCoreApplication::translate("Schedule", "每天");
    case ScheduleRepeat::Weekdays:
        return QCoreApplication::translate("Schedule", "週一至週五");
    case ScheduleRepeat::ChosenDays:
        break;
    }
    QStringList days;
    for (int day = 1; day <= 7; ++day)
        if (entry.days & (1u << (day - 1)))
            days << DayName(day);
    return QCoreApplication::translate("Schedule", "每週%1")
        .arg(days.join(QCoreApplication::translate("Schedule", "、")));
}

QString DurationText(int seconds)
{
    if (seconds <= 0)
        return QCoreApplication::translate("Schedule", "直到串流結束");
    return ClockText(std::uint64_t(seconds));
}

QString ClockText(std::uint64_t seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace tovrin
