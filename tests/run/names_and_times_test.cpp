#include "run/name_template.h"
#include "run/recording_parts.h"
#include "run/recording_times.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <future>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

// The fields, and what a title or a stream name brings in made a safe name
// on any system: never another folder, never empty, never a device.
TEST(NameTemplate, FieldsExpandAndWhatTheStreamBringsInIsMadeASafeName)
{
    const QDateTime start(QDate(2024, 5, 3), QTime(18, 0, 5));
    const auto expand = [&](const QString& pattern, const QString& title, const QString& stream = u"clip.wmv"_s) {
        return ExpandNameTemplate(pattern, {start, title, stream, 3});
    };
    EXPECT_EQ(expand(u"news/%t %Y-%m-%d %H%M%S #%n.wma"_s, u"Evening: News?"_s),
              u"news/Evening_ News_ 2024-05-03 180005 #3.wma"_s);
    EXPECT_EQ(expand(u"%t.wma"_s, u" \t"_s), u"clip.wma"_s);
    EXPECT_EQ(expand(u"%t.wma"_s, u".."_s, {}), u"recording.wma"_s);
    EXPECT_EQ(expand(u"/rec/%t/%t.wma"_s, {}, {}), u"/rec/recording/recording.wma"_s);
    EXPECT_EQ(expand(u"%t.wma"_s, u"../../etc/passwd"_s), u"_.._etc_passwd.wma"_s);
    EXPECT_EQ(expand(u"%t %%t 100% %x.wma"_s, u"a\tb\nc|d"_s), u"a_b_c_d %t 100% %x.wma"_s);
    EXPECT_EQ(expand(u"%t.wma"_s, u"con"_s), u"_con.wma"_s);
    EXPECT_TRUE(!HasNameFields(u"a%x 100%.wma"_s) && HasNameFields(u"a%%.wma"_s));
    const QString name = expand(u"%t %t %n.wma"_s, QString(300, QChar(0x65B0)));  // 新: 3 bytes of UTF-8
    EXPECT_TRUE(name.toUtf8().size() <= 240 && name.toUtf8().size() >= 230 && name.endsWith(u"新 3.wma"_s))
        << name.toStdString();
}

// The folders are made, an existing name (a dangling link too) is never
// taken, and two recorders reserving one name at once get two.
TEST(NameTemplate, ReservingMakesTheFolderAndTakesTheNextFreeNameOnlyOnce)
{
    QTemporaryDir dir;
    const QString wanted = dir.filePath(u"news/2024/show.wma"_s);
    QString failedAt;
    EXPECT_EQ(ReserveRecordingPath(wanted, failedAt), wanted);
    ASSERT_TRUE(QFile::link(dir.filePath(u"gone"_s), dir.filePath(u"news/2024/show (2).wma"_s)));
    EXPECT_EQ(ReserveRecordingPath(wanted, failedAt), dir.filePath(u"news/2024/show (3).wma"_s));
    EXPECT_EQ(FirstFreeName(wanted, 2), dir.filePath(u"news/2024/show (4).wma"_s));

    const auto reserveMany = [&] {
        QStringList got;
        QString failed;
        for (int i = 0; i < 40; ++i)
            got << ReserveRecordingPath(dir.filePath(u"race.wma"_s), failed).value_or(failed);
        return got;
    };
    auto other = std::async(std::launch::async, reserveMany);
    EXPECT_EQ(QStringList(reserveMany() + other.get()).removeDuplicates(), 0);

    ASSERT_TRUE(QFile(dir.filePath(u"file"_s)).open(QIODevice::WriteOnly));
    EXPECT_TRUE(!ReserveRecordingPath(dir.filePath(u"file/x.wma"_s), failedAt) && failedAt == dir.filePath(u"file"_s));
}

// Planned at 3 May 2024 `now`: "start-stop" as days from then and times of day.
TEST(RecordingTimes, TimesOfDayAreTodayTomorrowOrTheRecordingUnderWay)
{
    const auto planned = [](const char* now, const char* start, const char* stop, PassedStart passed = {}) {
        const auto given = [](const char* text) {
            return *text ? ParseWallTime(QString::fromUtf8(text)) : std::nullopt;
        };
        const QDate day(2024, 5, 3);
        const auto times = PlanRecordingTimes(given(start), given(stop),
                                              QDateTime(day, QTime::fromString(QString::fromUtf8(now))), passed);
        const auto shown = [&](const QDateTime& at) {
            return u"%1 %2"_s.arg(day.daysTo(at.date())).arg(at.toString(u"HH:mm"_s));
        };
        return !times ? "refused"
                      : (shown(times->start) + u'-' + (times->stop ? shown(*times->stop) : u"-"_s)).toStdString();
    };
    EXPECT_EQ(planned("17:00", "18:00", ""), "0 18:00--");
    EXPECT_EQ(planned("19:00", "18:00", ""), "1 18:00--");
    EXPECT_EQ(planned("18:20", "18:00", "19:00"), "0 18:00-0 19:00");  // under way: at once, late
    EXPECT_EQ(planned("19:05", "18:00", "19:00"), "1 18:00-1 19:00");
    EXPECT_EQ(planned("19:05", "18:00", "19:00", PassedStart::Today), "0 18:00-0 19:00");  // missed
    EXPECT_EQ(planned("17:59", "18:00", "19:00", PassedStart::Today), "0 18:00-0 19:00");
    EXPECT_EQ(planned("01:00", "23:00", "07:00"), "-1 23:00-0 07:00");
    EXPECT_EQ(planned("23:00", "", "07:00"), "0 23:00-1 07:00");
    EXPECT_EQ(planned("17:00", "18:00", "18:00"), "0 18:00-1 18:00");
    EXPECT_EQ(planned("17:00", "2024-05-03T10:00", "19:30:15"), "0 10:00-0 19:30");  // a date: late
    EXPECT_EQ(planned("17:00", "2024-05-04T10:00", "2024-05-04T09:59:59"), "refused");
    EXPECT_EQ(planned("17:00", "", "2024-05-03T16:00"), "refused");
    for (const char16_t* bad : {u"24:00", u"18:60", u"18:00:60", u"18h00", u"2024-02-30T10:00", u"2024-05-03 10:00"})
        EXPECT_FALSE(ParseWallTime(QString::fromUtf16(bad))) << QString::fromUtf16(bad).toStdString();
    EXPECT_EQ(ParseWallTime(u" 9:05:07 "_s)->timeOfDay, QTime(9, 5, 7));
}

// Parts on the clock start at the whole multiples of their span from local
// midnight, the last of a day at the next midnight.
TEST(RecordingParts, ClockBoundariesAreWholeMultiplesFromMidnight)
{
    const QDate day(2024, 5, 3);
    EXPECT_EQ(NextClockBoundary(QDateTime(day, QTime(10, 37, 12)), 3600000), QDateTime(day, QTime(11, 0)));
    EXPECT_EQ(NextClockBoundary(QDateTime(day, QTime(10, 37, 12)), 600000), QDateTime(day, QTime(10, 40)));
    EXPECT_EQ(NextClockBoundary(QDateTime(day, QTime(23, 30)), 3600000), QDateTime(day.addDays(1), QTime(0, 0)));
}
