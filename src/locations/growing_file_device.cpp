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
    if ((mode & ReadWrite) != ReadOnly || !m_file.open(QIODevice::ReadOnly))
        return false;
    // Unbuffered: what bytesAvailable() counts is what the file holds beyond
    // the read position, and nothing is read ahead of the caller.
    if (!QIODevice::open(ReadOnly | Unbuffered)) {
        m_file.close();
        return false;
    }
    m_finished = false;
    m_poll.start();
    return true;
}

void GrowingFileDevice::close()
{
    m_poll.stop();
    QIODevice::close();
    m_file.close();
}

qint64 GrowingFileDevice::unreadInFile() const
{
    return m_file.isOpen() ? std::max<qint64>(0, m_file.size() - m_file.pos()) : 0;
}

qint64 GrowingFileDevice::bytesAvailable() const
{
    return unreadInFile() + QIODevice::bytesAvailable();
}

bool GrowingFileDevice::atEnd() const
{
    return !isOpen() || (m_complete && bytesAvailable() == 0);
}

void GrowingFileDevice::setFileComplete(bool complete)
{
    m_complete = complete;
    if (complete)
        poll();
}

qint64 GrowingFileDevice::readData(char* data, qint64 maxSize)
{
    const qint64 got = m_file.read(data, maxSize);
    if (got > 0) {
        if (m_complete && unreadInFile() == 0)
            finishOnce();
        return got;
    }
    if (got < 0)
        return -1;
    if (!m_complete)
        return 0;
    finishOnce();
    return -1;
}

qint64 GrowingFileDevice::writeData(const char*, qint64)
{
    return -1;
}

void GrowingFileDevice::poll()
{
    if (!isOpen())
        return;
    if (unreadInFile() > 0)
        emit readyRead();
    else if (m_complete)
        finishOnce();
}

void GrowingFileDevice::finishOnce()
{
    if (m_finished)
        return;
    m_finished = true;
    m_poll.stop();
    // Queued: the reader may be inside read() and may delete the device.
    QMetaObject::invokeMethod(this, &GrowingFileDevice::finished, Qt::QueuedConnection);
}

}  // namespace tovrin
