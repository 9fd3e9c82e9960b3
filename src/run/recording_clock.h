#pragma once

#include <cstdint>
#include <optional>

namespace tovrin {

// The media time of a whole recording, over every file and connection it
// spans: each file (and each connection) counts from its own first packet,
// and what was recorded before it adds up. A limit on it is reached at the
// packet whose send time passes it, however fast the packets come. Pure.
class RecordingClock {
public:
    // 0: no limit.
    void setLimit(std::uint64_t milliseconds) { m_limitMs = milliseconds; }
    // A new recording: nothing recorded yet.
    void startRecording();
    // The next packet starts a new file or connection: its time counts from there.
    void startSegment();
    // A packet was stored at `mediaTimeMs`, the media time of its file.
    // Answers whether the recording has reached its limit.
    bool packetAt(std::uint32_t mediaTimeMs);
    std::uint64_t totalMs() const { return m_baseMs + m_segmentMs; }

private:
    std::uint64_t m_limitMs = 0;
    std::uint64_t m_baseMs = 0;     // recorded before the current segment
    std::uint64_t m_segmentMs = 0;  // the current segment's furthest time past its start
    std::optional<std::uint32_t> m_segmentStart;
};

}  // namespace tovrin
