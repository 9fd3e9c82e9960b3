#include "state/format_time.h"

#include <gtest/gtest.h>

using tovrin::FormatTime;

// Each part has two digits at least, hours are unbounded, the last
// millisecond rounds up and the top value does not overflow.
TEST(FormatTime, PadsRoundsAndLeavesHoursUnbounded)
{
    const std::pair<std::uint32_t, const char*> table[] = {
        {0, "00 : 00 : 00"},          {998, "00 : 00 : 00"},          {999, "00 : 00 : 01"},
        {9000, "00 : 00 : 09"},       {61000, "00 : 01 : 01"},        {3600000, "01 : 00 : 00"},
        {360000000, "100 : 00 : 00"}, {4294967295u, "1193 : 02 : 47"}};
    for (auto [ms, text] : table)
        EXPECT_EQ(FormatTime(ms), QString::fromLatin1(text)) << ms;
}
