#include "asf/recording_file.h"

#include "asf/save_file_lock.h"

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

SlotWritten RecordingFile::writeSlot(qint64 offset, const QByteArray& packet)
{
    std::lock_guard lock(m_lock);
    const bool follows = !m_batch.isEmpty() && offset == m_batchOffset + m_batch.size()
                         && m_batch.size() + packet.size() <= kSlotBatchBytes;
    if (follows) {
        m_batch.append(packet);
        return {};
    }
    const bool flushed = flushBatchLocked();
    m_batchOffset = offset;
    m_batch = packet;
    if (flushed)
        return {};
    return {false, failureLocked()};
}

WriteFailure RecordingFile::flush()
{
    std::lock_guard lock(m_lock);
    return flushLocked();
}

void RecordingFile::close()
{
    std::lock_guard lock(m_lock);
    flushLocked();
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

bool RecordingFile::flushBatchLocked()
{
    if (m_batch.isEmpty())
        return true;
    const bool written = m_file && m_file->isOpen() && m_file->seek(m_batchOffset) && WriteWhole(*m_file, m_batch);
    m_batch.clear();
    return written;
}

WriteFailure RecordingFile::flushLocked()
{
    return flushBatchLocked() ? std::nullopt : failureLocked();
}

WriteFailure RecordingFile::failureLocked() const
{
    if (m_file && m_file->isOpen())
        return m_file->errorString();
    return std::nullopt;
}

}  // namespace tovrin
