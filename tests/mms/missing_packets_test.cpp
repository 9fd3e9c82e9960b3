#include "mms/missing_packets.h"
#include "state/received_packets.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace tovrin;

TEST(MissingPackets, TheLineNamesEveryRunOfMissingPacketsUpToItsLimit)
{
    struct Case {
        const char* what;
        std::uint32_t count;
        std::uint32_t presentBefore;  // a resumed run's earlier part
        std::vector<std::uint32_t> stored;
        std::optional<QString> line;
    };
    std::vector<std::uint32_t> everyOther;
    for (std::uint32_t i = 0; i < 40; i += 2)
        everyOther.push_back(i);
    const Case cases[] = {
        {"whole", 4, 0, {3, 1, 0, 2}, std::nullopt},
        {"stored twice, beyond the end", 3, 0, {0, 0, 1, 7}, QStringLiteral("- 缺少 1 個資料封包: 2")},
        {"runs", 10, 0, {1, 2, 6, 7, 8}, QStringLiteral("- 缺少 5 個資料封包: 0, 3-5, 9")},
        {"resumed whole", 6, 4, {4, 5}, std::nullopt},
        {"resumed, last lost", 6, 4, {4}, QStringLiteral("- 缺少 1 個資料封包: 5")},
        {"cut after 16 runs", 40, 0, everyOther,
         QStringLiteral("- 缺少 20 個資料封包: 1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31, …")},
        {"length unknown", 0, 0, {}, std::nullopt},
        {"too long to track", ReceivedPackets::kMaxTracked + 1, 0, {0}, std::nullopt},
    };
    for (const Case& c : cases) {
        ReceivedPackets received;
        received.expect(c.count, c.presentBefore);
        for (const std::uint32_t index : c.stored)
            received.mark(index);
        EXPECT_EQ(MissingPacketsLine(received), c.line) << c.what;
    }
}
