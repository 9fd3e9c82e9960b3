#include "locations/growing_file_device.h"

#include <algorithm>

namespace tovrin {

GrowingFileDevice::GrowingFileDevice(const QString& path, QObject* parent) : QIODevice(parent), m_file(path)
{
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &GrowingFileDevice::poll);
}

GrowingFileDevice::~GrowingFileDevice() = default;

bool GrowingFileDevice::open(OpenMode mode)
{
    std::unique_lock lock(m_fileLock);
    if ((mode & ReadWrite) != ReadOnly || !m_file.open(QIODevice::ReadOnly))
        return false;
    // Unbuffered: what bytesAvailable() counts is what the file holds beyond
    // the read position, and nothing is read ahead of the caller.
    if (!QIODevice::open(ReadOnly | Unbuffered)) {
        m_file.close();
        return false;
    }
    lock.unlock();
    m_finished = false;
    m_poll.start();
    return true;
}

void GrowingFileDevice::close()
{
    m_poll.stop();
    QIODevice::close();
    std::lock_guard lock(m_fileLock);
    m_file.close();
}

qint64 GrowingFileDevice::unreadInFile() const
{
    std::lock_guard lock(m_fileLock);
    return m_file.isOpen() ? std::max<qint64>(0, m_file.size() - m_file.pos()) : 0;
}

qint64 GrowingFileDevice::bytesAvailable() const
{
    return unreadInFile() + QIODevice::bytesAvailable();
}

bool GrowingFileDevice::atEnd() const
{
    // Completeness is read before the file: what the recording wrote before
    // it ended is in the file by then, so no tail is taken for the end.
    const bool complete = m_complete;
    return !isOpen() || (complete && bytesAvailable() == 0);
}

void GrowingFileDevice::setFileComplete(bool complete)
{
    m_complete = complete;
    if (complete)
        poll();
}

qint64 GrowingFileDevice::readData(char* data, qint64 maxSize)
{
    const bool complete = m_complete;  // before the read, as in atEnd()
    std::unique_lock lock(m_fileLock);
    const qint64 got = m_file.read(data, maxSize);
    const bool drained = got >= 0 && complete && m_file.size() <= m_file.pos();
    lock.unlock();
    if (drained)
        finishOnce();
    if (got != 0)
        return got;
    return complete ? -1 : 0;
}

qint64 GrowingFileDevice::writeData(const char*, qint64)
{
    return -1;
}

void GrowingFileDevice::poll()
{
    if (!isOpen())
        return;
    const bool complete = m_complete;
    if (unreadInFile() > 0)
        emit readyRead();
    else if (complete)
        finishOnce();
}

void GrowingFileDevice::finishOnce()
{
    if (m_finished.exchange(true))
        return;
    // Queued to the device's own thread, which alone stops the timer: the
    // reader may be on another thread, inside read(), and may delete the
    // device.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_poll.stop();
            emit finished();
        },
        Qt::QueuedConnection);
}

}  // namespace tovrin
