#include "app/state/format_time.h"

#include <gtest/gtest.h>

using tovrin::FormatTime;

TEST(FormatTime, PadsEachPartToTwoDigitsAndLeavesHoursUnbounded)
{
    EXPECT_EQ(FormatTime(0), QStringLiteral("00 : 00 : 00"));
    EXPECT_EQ(FormatTime(1000), QStringLiteral("00 : 00 : 01"));
    EXPECT_EQ(FormatTime(9000), QStringLiteral("00 : 00 : 09"));
    EXPECT_EQ(FormatTime(60000), QStringLiteral("00 : 01 : 00"));
    EXPECT_EQ(FormatTime(61000), QStringLiteral("00 : 01 : 01"));
    EXPECT_EQ(FormatTime(3600000), QStringLiteral("01 : 00 : 00"));
    EXPECT_EQ(FormatTime(36000000), QStringLiteral("10 : 00 : 00"));
    EXPECT_EQ(FormatTime(360000000), QStringLiteral("100 : 00 : 00"));
}

TEST(FormatTime, RoundsTheLastMillisecondUpAndDoesNotOverflowAtTheTop)
{
    EXPECT_EQ(FormatTime(998), QStringLiteral("00 : 00 : 00"));
    EXPECT_EQ(FormatTime(999), QStringLiteral("00 : 00 : 01"));
    EXPECT_EQ(FormatTime(4294967295u), QStringLiteral("1193 : 02 : 47"));
}
