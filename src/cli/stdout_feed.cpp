#include "cli/stdout_feed.h"

#include "state/ui_courier.h"

#include <QCoreApplication>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tovrin {

namespace {

// Writes all of `bytes`, waiting as long as the reader makes it; false once
// the descriptor takes no more (the reader closed the pipe, EPIPE).
bool WriteAll(int fd, const QByteArray& bytes)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
#ifdef Q_OS_WIN
        const int written = _write(fd, bytes.constData() + at, unsigned(bytes.size() - at));
#else
        const ssize_t written = ::write(fd, bytes.constData() + at, std::size_t(bytes.size() - at));
        if (written < 0 && errno == EINTR)
            continue;
#endif
        if (written <= 0)
            return false;
        at += written;
    }
    return true;
}

}  // namespace

// The chunks on their way, counted in bytes. A chunk leaves the queue once
// written, so the backlog counts what the writer is still blocked on.
struct StdoutFeed::Queue {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<QByteArray> chunks;
    qint64 bytes = 0;
    bool closing = false;
    bool broken = false;
};

StdoutFeed::StdoutFeed(std::function<void(const QString&)> log, int fd)
    : StreamFeed(std::move(log), QCoreApplication::translate("Tovrin", "標準輸出")),
      m_queue(std::make_shared<Queue>()),
      m_courier(std::make_shared<UiCourier>(this))
{
#ifdef Q_OS_WIN
    _setmode(fd, _O_BINARY);
#endif
    // The courier drops the writer's word once this has gone.
    std::thread([queue = m_queue, courier = m_courier, fd, feed = this] {
        for (;;) {
            QByteArray chunk;
            {
                std::unique_lock held(queue->lock);
                queue->changed.wait(held, [&] { return !queue->chunks.empty() || queue->closing; });
                if (queue->chunks.empty())
                    break;
                chunk = queue->chunks.front();
            }
            const bool written = WriteAll(fd, chunk);
            std::lock_guard held(queue->lock);
            queue->chunks.pop_front();
            queue->bytes -= chunk.size();
            if (!written) {
                queue->broken = true;
                queue->chunks.clear();
                queue->bytes = 0;
                break;
            }
        }
        courier->post([feed] { feed->writerEnded(); });
    }).detach();
}

StdoutFeed::~StdoutFeed()
{
    m_courier->detach();
    std::lock_guard held(m_queue->lock);
    m_queue->closing = true;
    m_queue->changed.notify_all();
}

bool StdoutFeed::takesBytes() const
{
    std::lock_guard held(m_queue->lock);
    return !m_queue->broken && !m_queue->closing;
}

qint64 StdoutFeed::backlog() const
{
    std::lock_guard held(m_queue->lock);
    return m_queue->bytes;
}

void StdoutFeed::write(const QByteArray& bytes)
{
    std::lock_guard held(m_queue->lock);
    m_queue->chunks.push_back(bytes);
    m_queue->bytes += bytes.size();
    m_queue->changed.notify_all();
}

void StdoutFeed::closeInput()
{
    m_closed = true;
    {
        std::lock_guard held(m_queue->lock);
        m_queue->closing = true;
        m_queue->changed.notify_all();
    }
    if (m_writerEnded && !std::exchange(m_done, true))
        emit done();
}

void StdoutFeed::writerEnded()
{
    m_writerEnded = true;
    bool broken = false;
    {
        std::lock_guard held(m_queue->lock);
        broken = m_queue->broken;
    }
    if (broken && !m_closed)
        emit readerGone();
    if (m_closed && !std::exchange(m_done, true))
        emit done();
}

}  // namespace tovrin
