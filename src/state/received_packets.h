#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tovrin {

// Which data packets of a file of known length the save file holds, so a run
// that ends with packets missing can say which, rather than call itself
// complete. Packets are numbered from 0, as their slots are.
//
// Thread: written by the receive thread while it stores packets; read on the
// UI thread only while the receive thread waits for it, or after it ended.
class ReceivedPackets {
public:
    // Files with more packets than this are not tracked: the record's memory
    // (one bit a packet, 8 MiB here) is bounded whatever a server announces.
    static constexpr std::uint32_t kMaxTracked = 1u << 26;

    struct Range {
        std::uint32_t first = 0;
        std::uint32_t last = 0;  // inclusive
    };

    // Starts a record of a file of `count` packets whose first `present` are
    // already stored (a resumed download's earlier part). Tracks nothing when
    // count is 0 or above kMaxTracked.
    void expect(std::uint32_t count, std::uint32_t present);
    // The same for a resumed file whose slots were read: `present` says which
    // of its first slots hold a packet (holes an earlier run left stay missing).
    void expect(std::uint32_t count, const std::vector<bool>& present);
    // Packet `index` is stored; indexes beyond the file's count are ignored.
    void mark(std::uint32_t index);
    // Packet `index` is not stored after all (its write failed).
    void unmark(std::uint32_t index);
    // The file is to hold `count` packets now (more entries joined in it):
    // the packets beyond the old count are missing until marked. Stops
    // tracking past kMaxTracked.
    void grow(std::uint32_t count);
    void clear();

    bool tracking() const { return !m_present.empty(); }
    bool isPresent(std::uint32_t index) const { return index < m_present.size() && m_present[index]; }
    // The first packet missing, or the count when none is.
    std::uint32_t firstMissing() const;
    std::uint32_t missingCount() const { return std::uint32_t(m_present.size()) - m_stored; }
    // The runs of missing packets in order, at most `limit` of them.
    std::vector<Range> missingRanges(std::size_t limit) const;

private:
    std::vector<bool> m_present;
    std::uint32_t m_stored = 0;
};

}  // namespace tovrin
