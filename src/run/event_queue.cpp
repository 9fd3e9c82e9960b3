#include "run/event_queue.h"

#include <utility>

namespace tovrin {

std::size_t EventBytes(const LinkEvent& event)
{
    // Only packets and headers are large; every event counts for something,
    // so a flood of small ones is bounded too.
    constexpr std::size_t kSmallEvent = 64;
    if (const auto* packet = std::get_if<link::Packet>(&event))
        return kSmallEvent + std::size_t(packet->payload.size());
    if (const auto* header = std::get_if<link::Header>(&event))
        return kSmallEvent + std::size_t(header->bytes.size());
    return kSmallEvent;
}

RunEventQueue::RunEventQueue(std::function<void()> wakeUp) : m_wakeUp(std::move(wakeUp)) {}

void RunEventQueue::setRoomMade(std::function<void()> roomMade)
{
    std::lock_guard lock(m_lock);
    m_roomMade = std::move(roomMade);
}

void RunEventQueue::push(LinkEvent event)
{
    std::lock_guard lock(m_lock);
    if (m_closed)
        return;
    m_bytes += EventBytes(event);
    m_events.push_back(std::move(event));
    if (m_bytes >= kByteLimit)
        m_full = true;
    if (m_events.size() == 1 && m_wakeUp)
        m_wakeUp();
}

bool RunEventQueue::hasRoom() const
{
    std::lock_guard lock(m_lock);
    return m_closed || m_bytes < kByteLimit;
}

bool RunEventQueue::isEmpty() const
{
    std::lock_guard lock(m_lock);
    return m_events.empty();
}

std::vector<LinkEvent> RunEventQueue::takeAll()
{
    std::lock_guard lock(m_lock);
    std::vector<LinkEvent> taken;
    taken.swap(m_events);
    m_bytes = 0;
    if (std::exchange(m_full, false) && m_roomMade)
        m_roomMade();
    return taken;
}

void RunEventQueue::close()
{
    std::lock_guard lock(m_lock);
    m_closed = true;
    m_events.clear();
    m_bytes = 0;
    if (std::exchange(m_full, false) && m_roomMade)
        m_roomMade();
}

}  // namespace tovrin
