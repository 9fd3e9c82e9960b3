#pragma once

#include "run/link_event.h"

#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

namespace tovrin {

// The events of one connection on their way from its transport link to the
// run engine. Bounded by the bytes it holds: a link that finds no room waits
// before it takes more from the server (TCP then slows the server), so a
// window that falls behind never makes memory grow.
//
// Threads: any thread pushes (the MMS receive thread, the UI thread for MMS
// over HTTP); the UI thread takes. The callbacks run under the queue's lock
// and must only post or wake, never wait: `wakeUp` on the pushing thread when
// the queue stops being empty, `roomMade` on the taking thread when a full
// queue has room again.
class RunEventQueue {
public:
    static constexpr std::size_t kByteLimit = 8u * 1024 * 1024;

    explicit RunEventQueue(std::function<void()> wakeUp);

    // Set by the link that pushes, before it pushes; cleared when it goes.
    void setRoomMade(std::function<void()> roomMade);

    // Appends the event; dropped once the queue is closed.
    void push(LinkEvent event);
    // Room for more: under the byte limit, or closed (nothing will wait on
    // a queue nobody takes from).
    bool hasRoom() const;
    bool isEmpty() const;
    // Every event waiting, in order.
    std::vector<LinkEvent> takeAll();
    // The run is over: what waits is dropped, and so is every later push.
    void close();

private:
    mutable std::mutex m_lock;
    std::vector<LinkEvent> m_events;
    std::size_t m_bytes = 0;
    bool m_closed = false;
    bool m_full = false;  // pushes found no room since the last take
    std::function<void()> m_wakeUp;
    std::function<void()> m_roomMade;
};

}  // namespace tovrin
