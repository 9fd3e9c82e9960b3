#include "state/schedule_list.h"

#include "state/settings_store.h"

#include <QMap>
#include <QStringList>

#include <algorithm>

namespace tovrin {

namespace {

const QString kGroup = QStringLiteral("Schedules");

const QStringList& repeatNames()
{
    static const QStringList names{QStringLiteral("once"), QStringLiteral("daily"), QStringLiteral("weekdays"),
                                   QStringLiteral("days")};
    return names;
}

// Days as the ISO numbers of the week, "1,3,5" (Monday is 1).
QString daysText(std::uint8_t days)
{
    QStringList numbers;
    for (int day = 0; day < 7; ++day)
        if (days & (1u << day))
            numbers << QString::number(day + 1);
    return numbers.join(u',');
}

std::uint8_t daysFrom(const QString& text)
{
    std::uint8_t days = 0;
    for (const QString& number : text.split(u',', Qt::SkipEmptyParts)) {
        const int day = number.trimmed().toInt();
        if (day >= 1 && day <= 7)
            days |= std::uint8_t(1u << (day - 1));
    }
    return days;
}

QDateTime localTime(const QString& text)
{
    QDateTime time = QDateTime::fromString(text, Qt::ISODate);
    return time.isValid() ? time.toLocalTime() : QDateTime();
}

}  // namespace

std::vector<ScheduledRecording> LoadScheduleList(const SettingsStore& store)
{
    const QMap<QString, QString> values = store.readGroup(kGroup);
    // The entries' numbers, in order, whatever gaps a hand edit left.
    QList<int> numbers;
    for (auto value = values.cbegin(); value != values.cend(); ++value) {
        bool ok = false;
        const int number = value.key().section(u'/', 0, 0).toInt(&ok);
        if (ok && number > 0 && !numbers.contains(number))
            numbers << number;
    }
    std::sort(numbers.begin(), numbers.end());
    std::vector<ScheduledRecording> list;
    for (const int number : numbers) {
        const auto field = [&](const char* name) {
            return values.value(QString::number(number) + u'/' + QLatin1String(name));
        };
        ScheduledRecording entry;
        entry.address = field("Address").trimmed();
        entry.start = localTime(field("Start"));
        if (entry.address.isEmpty() || !entry.start.isValid())
            continue;
        entry.id = int(list.size()) + 1;
        const qsizetype repeat = repeatNames().indexOf(field("Repeat"));
        entry.repeat = repeat < 0 ? ScheduleRepeat::Once : ScheduleRepeat(repeat);
        entry.days = daysFrom(field("Days"));
        if (entry.repeat == ScheduleRepeat::ChosenDays && entry.days == 0)
            entry.repeat = ScheduleRepeat::Once;
        entry.durationSeconds = std::max(0, field("Duration").toInt());
        entry.folder = field("Folder");
        entry.nameTemplate = field("Name");
        entry.splitEvery = field("SplitEvery");
        entry.enabled = field("Enabled") != QStringLiteral("off");
        entry.handledUntil = localTime(field("Handled"));
        list.push_back(entry);
    }
    return list;
}

bool SaveScheduleList(SettingsStore& store, const std::vector<ScheduledRecording>& list, QString* error)
{
    QMap<QString, QString> values;
    int number = 0;
    for (const ScheduledRecording& entry : list) {
        const QString prefix = QString::number(++number) + u'/';
        values.insert(prefix + QLatin1String("Address"), entry.address);
        values.insert(prefix + QLatin1String("Start"), entry.start.toString(Qt::ISODate));
        values.insert(prefix + QLatin1String("Repeat"), repeatNames().at(int(entry.repeat)));
        values.insert(prefix + QLatin1String("Days"), daysText(entry.days));
        values.insert(prefix + QLatin1String("Duration"), QString::number(entry.durationSeconds));
        values.insert(prefix + QLatin1String("Folder"), entry.folder);
        values.insert(prefix + QLatin1String("Name"), entry.nameTemplate);
        values.insert(prefix + QLatin1String("SplitEvery"), entry.splitEvery);
        values.insert(prefix + QLatin1String("Enabled"), entry.enabled ? QStringLiteral("on") : QStringLiteral("off"));
        if (entry.handledUntil.isValid())
            values.insert(prefix + QLatin1String("Handled"), entry.handledUntil.toString(Qt::ISODate));
    }
    return store.replaceGroup(kGroup, values, error);
}

int LoadScheduleLimit(const SettingsStore& store)
{
    bool ok = false;
    const int limit = store.read(QStringLiteral("ScheduleLimit")).trimmed().toInt(&ok);
    return ok ? std::clamp(limit, 1, kMaxScheduleLimit) : kDefaultScheduleLimit;
}

bool SaveScheduleLimit(SettingsStore& store, int limit, QString* error)
{
    return store.write(QStringLiteral("ScheduleLimit"), QString::number(std::clamp(limit, 1, kMaxScheduleLimit)),
                       error);
}

}  // namespace tovrin
