#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <vector>

namespace tovrin {

class SettingsStore;

// How often a scheduled recording comes back.
enum class ScheduleRepeat {
    Once,
    Daily,
    Weekdays,    // Monday to Friday
    ChosenDays,  // the days of ScheduledRecording::days
};

// One recording of the schedule list, as the settings keep it.
struct ScheduledRecording {
    int id = 0;  // this program run's name for it (not stored)
    QString address;
    // Local time. A recording that repeats starts at this time of day on
    // each of its days from this date on.
    QDateTime start;
    ScheduleRepeat repeat = ScheduleRepeat::Once;
    std::uint8_t days = 0;    // ChosenDays: bit 0 Monday ... bit 6 Sunday
    int durationSeconds = 0;  // 0: until the stream ends
    QString folder;           // where it records (empty: the home folder)
    QString nameTemplate;     // the file name (empty: the stream's own)
    QString splitEvery;       // parts by time, as written (empty: one file)
    bool enabled = true;
    // Its occurrences up to this time have been started or told missed;
    // invalid: none before the list was last changed.
    QDateTime handledUntil;

    bool operator==(const ScheduledRecording&) const = default;
};

// The most recordings of the list that run at once when nothing is stored.
inline constexpr int kDefaultScheduleLimit = 10;
inline constexpr int kMaxScheduleLimit = 500;

// The list from the settings' Schedules group ("1/Address", "1/Start", ...),
// numbered from 1 with ids 1, 2, ... An entry without an address or a
// valid start is left out; any other damaged value takes its default.
std::vector<ScheduledRecording> LoadScheduleList(const SettingsStore& store);
// Replaces the Schedules group with `list`; false as SettingsStore::write.
bool SaveScheduleList(SettingsStore& store, const std::vector<ScheduledRecording>& list, QString* error = nullptr);

// ScheduleLimit: how many recordings of the list run at once, 1 to
// kMaxScheduleLimit.
int LoadScheduleLimit(const SettingsStore& store);
bool SaveScheduleLimit(SettingsStore& store, int limit, QString* error = nullptr);

}  // namespace tovrin
