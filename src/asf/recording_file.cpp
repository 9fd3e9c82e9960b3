#include "asf/recording_file.h"

#include "asf/save_file_lock.h"

namespace tovrin {

RecordingFile::Opened RecordingFile::open(const QString& path, bool resume)
{
    std::lock_guard lock(m_lock);
    m_file.reset();
    m_batch.clear();
    if (!resume)
        QFile::remove(path);  // a file that cannot be removed makes the creation below fail
    // Opened unbuffered: every data packet reaches the file with its own
    // write, so the preview player and the fix-ups at close see what has been
    // written.
    auto file = std::make_unique<QFile>(path);
    const QIODevice::OpenMode mode = resume ? QIODevice::ExistingOnly : QIODevice::NewOnly;
    if (!file->open(mode | QIODevice::ReadWrite | QIODevice::Unbuffered))
        return Opened::CannotCreate;
    if (!LockSaveFile(*file))
        return Opened::InUse;
    m_file = std::move(file);
    return Opened::Yes;
}

bool RecordingFile::writeHeader(const QByteArray& header)
{
    std::lock_guard lock(m_lock);
    return m_file && m_file->seek(0) && m_file->write(header) == header.size();
}

std::optional<qint64> RecordingFile::size()
{
    std::lock_guard lock(m_lock);
    if (!m_file)
        return std::nullopt;
    return m_file->size();
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
    if (m_file)
        m_file->close();
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
    const bool written =
        m_file && m_file->isOpen() && m_file->seek(m_batchOffset) && m_file->write(m_batch) == m_batch.size();
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
