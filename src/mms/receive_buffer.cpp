#include "mms/receive_buffer.h"

#include <algorithm>

namespace tovrin {

void ReceiveBuffer::append(Lane lane, const QByteArray& data)
{
    {
        std::lock_guard lock(m_mutex);
        bytes(lane).append(data);
    }
    m_changed.notify_all();
}

void ReceiveBuffer::clear()
{
    std::lock_guard lock(m_mutex);
    m_stream.clear();
    m_datagrams.clear();
    m_orders.clear();
    m_inputClosed = false;
}

std::size_t ReceiveBuffer::size(Lane lane) const
{
    std::lock_guard lock(m_mutex);
    return std::size_t(bytes(lane).size());
}

QByteArray ReceiveBuffer::peek(Lane lane, std::size_t n) const
{
    std::lock_guard lock(m_mutex);
    const QByteArray& b = bytes(lane);
    return b.first(std::min<qsizetype>(qsizetype(n), b.size()));
}

void ReceiveBuffer::removeFront(Lane lane, std::size_t n)
{
    std::lock_guard lock(m_mutex);
    QByteArray& b = bytes(lane);
    b.remove(0, std::min<qsizetype>(qsizetype(n), b.size()));
}

QByteArray ReceiveBuffer::takeFront(Lane lane, std::size_t n)
{
    std::lock_guard lock(m_mutex);
    QByteArray& b = bytes(lane);
    const qsizetype count = std::min<qsizetype>(qsizetype(n), b.size());
    QByteArray front = b.first(count);
    b.remove(0, count);
    return front;
}

void ReceiveBuffer::postOrder(ExchangeOrder order)
{
    {
        std::lock_guard lock(m_mutex);
        m_orders.push_back(std::move(order));
    }
    m_changed.notify_all();
}

std::optional<ExchangeOrder> ReceiveBuffer::takeOrder()
{
    std::lock_guard lock(m_mutex);
    if (m_orders.empty())
        return std::nullopt;
    ExchangeOrder order = std::move(m_orders.front());
    m_orders.erase(m_orders.begin());
    return order;
}

void ReceiveBuffer::wake()
{
    m_changed.notify_all();
}

void ReceiveBuffer::closeInput()
{
    {
        std::lock_guard lock(m_mutex);
        m_inputClosed = true;
    }
    m_changed.notify_all();
}

}  // namespace tovrin
