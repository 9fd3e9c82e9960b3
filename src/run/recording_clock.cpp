#include "run/recording_clock.h"

#include <algorithm>

namespace tovrin {

void RecordingClock::startRecording()
{
    m_baseMs = m_segmentMs = 0;
    m_segmentStart.reset();
}

void RecordingClock::startSegment()
{
    m_baseMs += m_segmentMs;
    m_segmentMs = 0;
    m_segmentStart.reset();
}

bool RecordingClock::packetAt(std::uint32_t mediaTimeMs)
{
    if (!m_segmentStart)
        m_segmentStart = mediaTimeMs;
    // A packet from before the segment's first (out of order) adds nothing.
    if (mediaTimeMs > *m_segmentStart)
        m_segmentMs = std::max<std::uint64_t>(m_segmentMs, mediaTimeMs - *m_segmentStart);
    return m_limitMs > 0 && totalMs() >= m_limitMs;
}

}  // namespace tovrin
