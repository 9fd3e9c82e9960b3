#include "app/state/receive_buffer.h"

#include <algorithm>

namespace tovrin {

void ReceiveBuffer::append(const QByteArray& bytes)
{
    {
        std::lock_guard lock(m_mutex);
        m_bytes.append(bytes);
    }
    m_changed.notify_all();
}

void ReceiveBuffer::clear()
{
    std::lock_guard lock(m_mutex);
    m_bytes.clear();
}

std::size_t ReceiveBuffer::size() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<std::size_t>(m_bytes.size());
}

QByteArray ReceiveBuffer::peek(std::size_t n) const
{
    std::lock_guard lock(m_mutex);
    return m_bytes.first(std::min<qsizetype>(qsizetype(n), m_bytes.size()));
}

void ReceiveBuffer::removeFront(std::size_t n)
{
    std::lock_guard lock(m_mutex);
    m_bytes.remove(0, std::min<qsizetype>(qsizetype(n), m_bytes.size()));
}

QByteArray ReceiveBuffer::takeFront(std::size_t n)
{
    std::lock_guard lock(m_mutex);
    const qsizetype count = std::min<qsizetype>(qsizetype(n), m_bytes.size());
    QByteArray front = m_bytes.first(count);
    m_bytes.remove(0, count);
    return front;
}

void ReceiveBuffer::wake()
{
    m_changed.notify_all();
}

}  // namespace tovrin
