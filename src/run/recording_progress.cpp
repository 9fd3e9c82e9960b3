#include "run/recording_progress.h"

#include "state/run_state.h"

#include <algorithm>

namespace tovrin {

void MeasureFile(const RunState& run, std::uint64_t packets, RecordingProgress& progress)
{
    progress.packets = packets;
    const std::uint64_t header = run.headerLength.load();
    if (!run.mediaPacketStored) {
        progress.bytes = header;
        progress.missing = 0;
        return;
    }
    const std::uint64_t usedSlots = std::uint64_t(run.highestPacketIndex.load()) + 1;
    progress.bytes = header + usedSlots * run.packetSize.load();
    if (run.receivedPackets.tracking()) {
        // Every slot past the highest stored is still missing: what is
        // missing below it is the rest.
        const std::uint64_t beyond = std::max<std::uint64_t>(run.filePacketCount.load(), usedSlots) - usedSlots;
        const std::uint64_t missing = run.receivedPackets.missingCount();
        progress.missing = missing > beyond ? missing - beyond : 0;
        return;
    }
    // A broadcast's usedSlots count from its first packet; a packet that came
    // twice counts once at most.
    progress.missing = usedSlots > packets ? usedSlots - packets : 0;
}

}  // namespace tovrin
