#include "asf/slot_writer.h"

#include "state/run_state.h"

namespace tovrin {

bool WriteSlot(RunState& run, qint64 offset, const QByteArray& packet)
{
    QByteArray& batch = run.slotBatch;
    const bool follows = !batch.isEmpty() && offset == run.slotBatchOffset + batch.size()
                         && batch.size() + packet.size() <= kSlotBatchBytes;
    if (follows) {
        batch.append(packet);
        return true;
    }
    const bool flushed = FlushSlots(run);
    run.slotBatchOffset = offset;
    batch = packet;
    return flushed;
}

bool FlushSlots(RunState& run)
{
    QByteArray& batch = run.slotBatch;
    if (batch.isEmpty())
        return true;
    QFile* file = run.saveFile.get();
    const bool written =
        file && file->isOpen() && file->seek(run.slotBatchOffset) && file->write(batch) == batch.size();
    batch.clear();
    return written;
}

}  // namespace tovrin
