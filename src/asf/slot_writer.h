#pragma once

#include <QByteArray>

namespace tovrin {

struct RunState;

// Data packets reach the save file in runs of consecutive slots: a download
// stores slot after slot, and one write of a few hundred kilobytes costs far
// less than a seek and a write per packet. A packet that does not follow the
// batch (a gap, a resume, a packet sent again) writes the batch out first.
//
// Everything that reads, patches or closes the save file flushes the batch
// first. All of it is called with run.saveFileLock held.
inline constexpr qsizetype kSlotBatchBytes = 256 * 1024;

// Adds a packet (already padded to the slot size) at its file offset. False
// when writing out the earlier batch failed.
bool WriteSlot(RunState& run, qint64 offset, const QByteArray& packet);

// Writes the batch out. False when the file is missing or the write fails;
// the batch is dropped either way, so a full disk is not retried forever.
bool FlushSlots(RunState& run);

}  // namespace tovrin
