#include "run/reconnect_policy.h"

#include <algorithm>

namespace tovrin {

namespace {

constexpr int kLongestWaitMs = 15000;

}  // namespace

void ReconnectPolicy::begin(int limit)
{
    m_limit = std::max(limit, 0);
    m_triesInRow = 0;
    m_storedMedia = false;
}

bool ReconnectPolicy::takeTry(bool storedMedia)
{
    if (storedMedia) {
        m_storedMedia = true;
        m_triesInRow = 0;
    }
    // A recording that never stored media ends as it always did.
    if (!m_storedMedia || m_triesInRow >= m_limit)
        return false;
    ++m_triesInRow;
    return true;
}

void ReconnectPolicy::end()
{
    m_limit = 0;
    m_triesInRow = 0;
    m_storedMedia = false;
}

int ReconnectPolicy::delayMs() const
{
    if (m_triesInRow <= 0)
        return 0;
    const int doubled = 1000 << std::min(m_triesInRow - 1, 4);
    return std::min(doubled, kLongestWaitMs);
}

}  // namespace tovrin
