#pragma once

#include <QString>

#include <optional>

namespace tovrin {

class ReceivedPackets;

// Runs of missing packets a log line lists at most; the rest are left at "…".
inline constexpr int kMissingRangesListed = 16;

// The log line naming the packets of a file of known length that the run has
// not stored, as "how many: 5, 30-33, …"; nothing when none are missing or the
// file is not tracked.
std::optional<QString> MissingPacketsLine(const ReceivedPackets& received);

}  // namespace tovrin
