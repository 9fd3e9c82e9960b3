#include "mms-server/pacing_clock.h"

namespace tovrin::mmsserver {

std::int64_t PacingClock::dueMs(std::uint32_t sendTime)
{
    if (!m_first)
        m_first = sendTime;
    if (m_rate <= 0)
        return 0;
    // The signed difference survives the 32-bit wrap of send times.
    const auto since = std::int32_t(sendTime - *m_first);
    if (since <= 0)
        return 0;
    return std::int64_t(double(since) / m_rate);
}

}  // namespace tovrin::mmsserver
