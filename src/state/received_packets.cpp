#include "state/received_packets.h"

#include <algorithm>

namespace tovrin {

void ReceivedPackets::expect(std::uint32_t count, std::uint32_t present)
{
    clear();
    if (count == 0 || count > kMaxTracked)
        return;
    m_present.assign(count, false);
    m_stored = std::min(present, count);
    std::fill_n(m_present.begin(), m_stored, true);
}

void ReceivedPackets::expect(std::uint32_t count, const std::vector<bool>& present)
{
    expect(count, 0);
    for (std::uint32_t i = 0; i < present.size(); ++i)
        if (present[i])
            mark(i);
}

std::uint32_t ReceivedPackets::firstMissing() const
{
    const auto missing = std::find(m_present.begin(), m_present.end(), false);
    return std::uint32_t(missing - m_present.begin());
}

void ReceivedPackets::mark(std::uint32_t index)
{
    if (index >= m_present.size() || m_present[index])
        return;
    m_present[index] = true;
    ++m_stored;
}

void ReceivedPackets::unmark(std::uint32_t index)
{
    if (index >= m_present.size() || !m_present[index])
        return;
    m_present[index] = false;
    --m_stored;
}

void ReceivedPackets::grow(std::uint32_t count)
{
    if (!tracking() || count <= m_present.size())
        return;
    if (count > kMaxTracked) {
        clear();
        return;
    }
    m_present.resize(count, false);
}

void ReceivedPackets::clear()
{
    m_present.clear();
    m_present.shrink_to_fit();
    m_stored = 0;
}

std::vector<ReceivedPackets::Range> ReceivedPackets::missingRanges(std::size_t limit) const
{
    std::vector<Range> ranges;
    const auto count = std::uint32_t(m_present.size());
    for (std::uint32_t i = 0; i < count && ranges.size() < limit; ++i) {
        if (m_present[i])
            continue;
        Range range{i, i};
        while (range.last + 1 < count && !m_present[range.last + 1])
            ++range.last;
        ranges.push_back(range);
        i = range.last;
    }
    return ranges;
}

}  // namespace tovrin
