#include "asf/recording_file.h"

#include "asf/asf_objects.h"
#include "asf/data_packet_reader.h"
#include "asf/save_file_lock.h"

#include <QFileInfo>

#include <algorithm>

namespace tovrin {

namespace {

// Writes all of `bytes` at the file's position. A write the system cuts short
// (a disk that fills up, a file-size limit) sets no error, so the rest is
// written again: that second write fails with the system's reason ("No space
// left on device", "File too large"), which the failure then reports.
bool WriteWhole(QFile& file, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const qint64 written = file.write(bytes.data(), bytes.size());
        if (written <= 0)
            return false;
        bytes = bytes.sliced(written);
    }
    return true;
}

}  // namespace

RecordingFile::Opened RecordingFile::open(const QString& path, bool resume)
{
    std::lock_guard lock(m_lock);
    m_file.reset();
    m_batch.clear();
    m_index = SimpleIndexBuilder();
    m_slotStored = m_finished = false;
    // Opened unbuffered: every data packet reaches the file with its own
    // write, so the preview player and the fix-ups at close see what has been
    // written.
    auto file = std::make_unique<QFile>(path);
    const bool existed = file->exists();
    const QIODevice::OpenMode mode = resume ? QIODevice::ExistingOnly : QIODevice::NotOpen;
    if (!file->open(mode | QIODevice::ReadWrite | QIODevice::Unbuffered))
        return Opened::CannotCreate;
    if (!LockSaveFile(*file)) {
        file->close();
        if (!existed)
            file->remove();
        return Opened::InUse;
    }
    m_created = !existed;
    m_replaceOnHeader = !resume && file->size() > 0;
    m_file = std::move(file);
    return Opened::Yes;
}

bool RecordingFile::moveTo(const QString& path)
{
    std::lock_guard lock(m_lock);
    if (!m_file || !m_file->isOpen() || QFileInfo::exists(path))
        return false;
    const QString old = m_file->fileName();
    // Renaming needs the file closed on some systems; it is opened again at
    // once and keeps its lock, as no other recorder can have taken it: the
    // lock is taken without waiting and the new name is free.
    m_file->close();
    const bool renamed = QFile::rename(old, path);
    m_file->setFileName(renamed ? path : old);
    if (!m_file->open(QIODevice::ReadWrite | QIODevice::Unbuffered) || !LockSaveFile(*m_file)) {
        m_file.reset();
        return false;
    }
    return renamed;
}

bool RecordingFile::writeHeader(const QByteArray& header)
{
    std::lock_guard lock(m_lock);
    if (!m_file || (m_replaceOnHeader && !m_file->resize(0)))
        return false;
    m_replaceOnHeader = false;
    return m_file->seek(0) && WriteWhole(*m_file, header);
}

std::optional<qint64> RecordingFile::size()
{
    std::lock_guard lock(m_lock);
    if (!m_file)
        return std::nullopt;
    return m_file->size();
}

QByteArray RecordingFile::readStart(qint64 length)
{
    std::lock_guard lock(m_lock);
    if (!m_file || !m_file->seek(0))
        return {};
    return m_file->read(length);
}

void RecordingFile::startAfresh()
{
    std::lock_guard lock(m_lock);
    m_replaceOnHeader = true;
}

std::optional<StoredSlots> ScanStoredSlots(const QString& path, std::uint32_t headerLength, std::uint32_t packetSize,
                                           std::uint32_t packets)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    StoredSlots scanned;
    scanned.index.setHeader(ReadStoredHeader(file, headerLength));
    if (packetSize == 0)
        return scanned;
    scanned.present.assign(packets, false);
    DataPacketFacts facts;
    const qint64 slotsPerRead = std::max<qint64>(1, kSlotBatchBytes / packetSize);
    for (qint64 slot = 0; slot < packets; slot += slotsPerRead) {
        const qint64 reading = std::min<qint64>(slotsPerRead, packets - slot);
        if (!file.seek(headerLength + slot * packetSize))
            return std::nullopt;
        const QByteArray run = file.read(reading * packetSize);
        for (qint64 i = 0; (i + 1) * packetSize <= run.size(); ++i) {
            const QByteArrayView packet = QByteArrayView(run).sliced(i * packetSize, packetSize);
            scanned.present[std::size_t(slot + i)] = ReadDataPacket(packet, facts);
            scanned.index.add(std::uint32_t(slot + i), packet);
        }
    }
    return scanned;
}

bool RecordingFile::prepareIndex(std::uint32_t headerLength, std::uint32_t packetSize,
                                 std::optional<std::uint32_t> resumedPackets)
{
    std::optional<StoredSlots> scanned = ScanStoredSlots(path(), headerLength, packetSize, resumedPackets.value_or(0));
    return scanned && adoptScannedIndex(std::move(scanned->index), headerLength, packetSize, resumedPackets);
}

QString RecordingFile::path() const
{
    std::lock_guard lock(m_lock);
    return m_file && m_file->isOpen() ? m_file->fileName() : QString();
}

bool RecordingFile::adoptScannedIndex(SimpleIndexBuilder scanned, std::uint32_t headerLength, std::uint32_t packetSize,
                                      std::optional<std::uint32_t> resumedPackets)
{
    std::lock_guard lock(m_lock);
    if (!m_file || m_slotStored)
        return false;
    // Swapped, not assigned: the index left behind is freed once the lock is.
    std::swap(m_index, scanned);
    if (!resumedPackets || packetSize == 0)
        return true;
    return cutBackLocked(headerLength, packetSize, *resumedPackets);
}

bool RecordingFile::cutBack(std::uint32_t headerLength, std::uint32_t packetSize, std::uint32_t packets)
{
    std::lock_guard lock(m_lock);
    if (!m_file || m_slotStored)
        return false;
    return cutBackLocked(headerLength, packetSize, packets);
}

bool RecordingFile::cutBackLocked(std::uint32_t headerLength, std::uint32_t packetSize, std::uint32_t packets)
{
    const qint64 end = qint64(headerLength) + qint64(packets) * packetSize;
    return m_file->size() <= end || m_file->resize(end);
}

QByteArray RecordingFile::read(qint64 offset, qsizetype size)
{
    std::lock_guard lock(m_lock);
    (void)flushLocked();
    if (!m_file || !m_file->isOpen() || !m_file->seek(offset))
        return {};
    return m_file->read(size);
}

SlotWritten RecordingFile::writeSlot(SlotIndex slot, std::uint32_t headerLength, const QByteArray& packet)
{
    // Every slot has the size of the packet it holds, padded or cut to it.
    const qint64 offset = slot.offset(headerLength, packet.size());
    std::lock_guard lock(m_lock);
    if (m_finished)
        return {false, std::nullopt, std::nullopt};
    if (m_file) {
        m_index.add(slot.value(), packet);
        m_slotStored = true;
    }
    const bool follows = !m_batch.isEmpty() && offset == m_batchOffset + m_batch.size()
                         && m_batch.size() + packet.size() <= kSlotBatchBytes;
    if (follows) {
        m_batch.append(packet);
        return {};
    }
    BatchFlushed flushed = flushLocked();
    const bool open = m_file && m_file->isOpen();
    m_batchOffset = offset;
    m_batch = open ? packet : QByteArray();
    return {open, flushed.lost, std::move(flushed.failure)};
}

BatchFlushed RecordingFile::flush()
{
    std::lock_guard lock(m_lock);
    return flushLocked();
}

void RecordingFile::close()
{
    std::lock_guard lock(m_lock);
    (void)flushLocked();
    if (!m_file || !m_file->isOpen())
        return;
    const bool empty = m_file->size() == 0;
    m_file->close();
    if (m_created && empty)
        m_file->remove();
}

bool RecordingFile::isOpen() const
{
    std::lock_guard lock(m_lock);
    return m_file && m_file->isOpen();
}

BatchFlushed RecordingFile::flushLocked()
{
    if (m_batch.isEmpty())
        return {};
    const bool written = m_file && m_file->isOpen() && m_file->seek(m_batchOffset) && WriteWhole(*m_file, m_batch);
    const ByteRange batch{m_batchOffset, m_batch.size()};
    m_batch.clear();
    if (written)
        return {};
    return {batch, failureLocked()};
}

WriteFailure RecordingFile::failureLocked() const
{
    if (m_file && m_file->isOpen())
        return m_file->errorString();
    return std::nullopt;
}

}  // namespace tovrin
