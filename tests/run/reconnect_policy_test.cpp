#include "run/reconnect_policy.h"

#include <gtest/gtest.h>

using namespace tovrin;

// Tries are counted in a row from the first loss after media was stored;
// one that stores media starts the count again; the waits double to 15 s.
TEST(ReconnectPolicy, CountsTriesInARowAndWaitsLonger)
{
    ReconnectPolicy policy;
    policy.begin(6);
    EXPECT_FALSE(policy.takeTry(false)) << "nothing stored yet: the run ends as it always did";
    std::vector<int> waits;
    EXPECT_TRUE(policy.takeTry(true));
    waits.push_back(policy.delayMs());
    while (policy.takeTry(false))
        waits.push_back(policy.delayMs());
    EXPECT_EQ(waits, (std::vector<int>{1000, 2000, 4000, 8000, 15000, 15000}));
    EXPECT_TRUE(policy.takeTry(true)) << "a try that stored media starts the count again";
    EXPECT_EQ(policy.tryNumber(), 1);

    policy.end();
    EXPECT_FALSE(policy.takeTry(true));
    policy.begin(0);
    EXPECT_FALSE(policy.takeTry(true)) << "0 is off";
}
