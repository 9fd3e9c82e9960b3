#pragma once

#include <cstdint>
#include <optional>

namespace tovrin::mmsserver {

// Turns the send times of a file's data packets into the moments they leave,
// relative to the start of play: (send time - first send time) / rate.
// Rate 1 is real time, 10 ten times faster; rate 0 sends every packet at once.
// Send times are 32-bit milliseconds; a time before the first one (files are
// not strictly ordered) leaves at once.
class PacingClock {
public:
    explicit PacingClock(double rate) : m_rate(rate) {}

    // Milliseconds after the start of play at which a packet with this send time is due.
    std::int64_t dueMs(std::uint32_t sendTime);

private:
    double m_rate;
    std::optional<std::uint32_t> m_first;
};

}  // namespace tovrin::mmsserver
