#pragma once

#include "asf/packet_numbering.h"
#include "asf/simple_index.h"
#include "state/save_file_mutex.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace tovrin {

// Data packets reach the save file in runs of consecutive slots: a download
// stores slot after slot, and one write of a few hundred kilobytes costs far
// less than a seek and a write per packet. A packet that does not follow the
// batch (a gap, a resume, a packet sent again) writes the batch out first.
inline constexpr qsizetype kSlotBatchBytes = 256 * 1024;

// What a failed write has to tell: the file's error text. Nothing when the
// write went through, or when the file had already been closed: the stop
// routine closing it ends the run, which is no error.
using WriteFailure = std::optional<QString>;

// Bytes of the file, from `offset` on.
struct ByteRange {
    qint64 offset = 0;
    qint64 bytes = 0;
};

// Writing a batch out: the slots it held, when the write failed, and why.
struct BatchFlushed {
    std::optional<ByteRange> lost;
    WriteFailure failure;
};

// Adding a packet to the batch, and writing out the earlier batch on the way.
struct SlotWritten {
    bool batched = true;            // false once the file is closed or ended: the packet will never be written
    std::optional<ByteRange> lost;  // the earlier batch, which failed to write
    WriteFailure failure;
};

// What a file's stored slots hold: the index of its packets, and which slots
// hold a packet (one that parses: a slot never written holds zeros).
struct StoredSlots {
    SimpleIndexBuilder index;
    std::vector<bool> present;
};

// The stored slots of the file at `path`, read through a read-only handle of
// its own: its header (up to `headerLength` bytes) names the streams, and its
// first `packets` slots of `packetSize` bytes are read in runs of a batch's
// size, so memory stays flat whatever the file's size (a bit a slot).
// Takes no lock and may run on any thread while a RecordingFile holds the
// file (its lock on the file is no lock on reading). A slot the file holds
// only in part is no packet. Nothing when the file cannot be opened or read.
std::optional<StoredSlots> ScanStoredSlots(const QString& path, std::uint32_t headerLength, std::uint32_t packetSize,
                                           std::uint32_t packets);

// The save file of a run: the open handle, the packets batched for it and
// the lock over both. The receive thread stores packets while the UI thread
// may flush, patch or close the file, so every method takes the lock itself
// and nothing outside touches the handle. No method calls the shell: the
// caller tells what they answer once the lock is free (see docs/threads.md).
class RecordingFile {
public:
    enum class Opened {
        Yes,
        InUse,         // another recording holds the file (see save_file_lock.h)
        CannotCreate,  // it cannot be opened or created
    };

    // Opens `path` for unbuffered random-access writing and takes the
    // recorders' lock on it, held until the file is closed. A resumed file
    // keeps its bytes. Otherwise the file is created when it does not exist,
    // and one that does keeps its bytes until the run's header replaces them:
    // a download again that the server refuses loses nothing.
    Opened open(const QString& path, bool resume);

    // The header written at the start of the file, in place of whatever it
    // held before this run. False when the write fails or no file is open.
    bool writeHeader(const QByteArray& header);
    // The file's size, nothing when no file is open.
    std::optional<qint64> size();
    // Up to `length` bytes from the start of the file; empty when no file is
    // open or it cannot be read.
    QByteArray readStart(qint64 length);
    // Gives the open file the name `path` (one no file has), keeping its
    // bytes, its batch and the recorders' lock: the handle is closed, the
    // file renamed and opened again. False, the file open under its old
    // name, when the rename fails.
    bool moveTo(const QString& path);
    // The next header written replaces what the file holds: a file opened
    // to be resumed that is downloaded again instead.
    void startAfresh();

    // The stored header (up to `headerLength` bytes) names the streams the
    // index is built from. For a resumed file, `resumedPackets` is the count
    // it holds: the file is cut back to the end of that many slots (an
    // earlier index and a slot cut short go) and the index learns the
    // packets kept. False when the file cannot be read or cut. The slots are
    // read outside the lock (ScanStoredSlots, then adoptScannedIndex), but
    // on the calling thread; a caller that must not wait that long calls
    // the two itself.
    bool prepareIndex(std::uint32_t headerLength, std::uint32_t packetSize,
                      std::optional<std::uint32_t> resumedPackets);
    // The open file's path, empty when none is open: what ScanStoredSlots reads.
    QString path() const;
    // Takes `scanned`, the index ScanStoredSlots built of this file, as the
    // index of the run (O(1) under the lock), and cuts the file back to the
    // end of `resumedPackets` slots when it is longer. Call it before the
    // run stores a packet: it refuses (false) once one was stored, since
    // the scan could not have seen it. False also when no file is open or
    // it cannot be cut.
    bool adoptScannedIndex(SimpleIndexBuilder scanned, std::uint32_t headerLength, std::uint32_t packetSize,
                           std::optional<std::uint32_t> resumedPackets);
    // Cuts the file back to the end of `packets` slots (what an earlier
    // run's end wrote behind them goes), before the run stores a packet.
    bool cutBack(std::uint32_t headerLength, std::uint32_t packetSize, std::uint32_t packets);
    // `size` bytes at `offset` as the file holds them (the batch not yet
    // written counts); empty when they cannot be read.
    QByteArray read(qint64 offset, qsizetype size);

    // Adds the packet of slot `slot` (already padded to the slot size) at its
    // file offset, writing the earlier batch out first when it does not
    // follow it, and adds it to the index.
    [[nodiscard]] SlotWritten writeSlot(SlotIndex slot, std::uint32_t headerLength, const QByteArray& packet);
    // Writes the batch out; it is dropped either way, so a full disk is not
    // retried forever.
    [[nodiscard]] BatchFlushed flush();
    // Writes the batch out, then runs `patch` with the file's path (empty
    // when no file is open, or when the file still holds what it held before
    // this run) and the index of its packets while holding the lock, so no
    // packet is written meanwhile. From then on packets are refused: the
    // patch ends the recording (it writes the index behind the last slot).
    // The patch opens its own handle and must not call the shell.
    template <typename Patch>
    WriteFailure finish(Patch&& patch)
    {
        std::lock_guard lock(m_lock);
        const WriteFailure failure = flushLocked().failure;
        patch(m_file && !m_replaceOnHeader ? m_file->fileName() : QString(), std::as_const(m_index));
        m_finished = true;
        return failure;
    }
    // Writes the batch out and closes the file, so what was stored is kept.
    // A file that open created and that is still empty is removed: a failed
    // run leaves no empty recording behind.
    void close();
    bool isOpen() const;

private:
    BatchFlushed flushLocked();
    bool cutBackLocked(std::uint32_t headerLength, std::uint32_t packetSize, std::uint32_t packets);
    WriteFailure failureLocked() const;

    mutable SaveFileMutex m_lock;
    std::unique_ptr<QFile> m_file;  // guarded by m_lock, as the batch is
    QByteArray m_batch;             // consecutive slots not yet written, from m_batchOffset
    qint64 m_batchOffset = 0;
    bool m_created = false;          // open made the file
    bool m_replaceOnHeader = false;  // the earlier bytes go when the header is written
    SimpleIndexBuilder m_index;      // of the packets stored
    bool m_slotStored = false;       // a packet reached the index since the file was opened
    bool m_finished = false;         // the recording's end is written: no more packets
};

}  // namespace tovrin
