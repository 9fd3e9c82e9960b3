#pragma once

#include "run/transport_link.h"

#include <QByteArray>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <vector>

namespace tovrin {

// What the run engine asks of the exchange, handed to the receive thread.
struct ExchangeOrder {
    enum class Kind { Media, Credentials };
    Kind kind = Kind::Media;
    MediaRequest media;
    QByteArray credentials;  // encoded
};

// What the receive thread waits for, under one lock: the bytes received
// from the server and not yet consumed, and the engine's orders.
//
// It has two lanes, so that bytes of the two sources never interleave: the
// stream lane holds the TCP control connection's bytes as they arrive (the
// UI thread appends); the datagram lane holds whole UDP datagrams, one data
// packet each (the datagram thread appends). The receive loop takes from
// either lane only at packet boundaries. Orders come from the UI thread.
//
// Every access holds m_mutex. Waiters are woken by appends and by wake(),
// and re-check their stop predicate on every wake.
class ReceiveBuffer {
public:
    enum class Lane { Stream, Datagrams };

    void append(Lane lane, const QByteArray& bytes);
    void clear();
    std::size_t size(Lane lane) const;
    // A copy of up to n bytes from the front.
    QByteArray peek(Lane lane, std::size_t n) const;
    // Removes up to n bytes from the front.
    void removeFront(Lane lane, std::size_t n);
    // Removes and returns up to n bytes from the front.
    QByteArray takeFront(Lane lane, std::size_t n);

    // The stream lane, for code that only ever reads TCP bytes.
    void append(const QByteArray& bytes) { append(Lane::Stream, bytes); }
    std::size_t size() const { return size(Lane::Stream); }
    QByteArray peek(std::size_t n) const { return peek(Lane::Stream, n); }
    void removeFront(std::size_t n) { removeFront(Lane::Stream, n); }
    QByteArray takeFront(std::size_t n) { return takeFront(Lane::Stream, n); }

    // Blocks until ready(stream, datagrams, ordersWaiting) holds, evaluated
    // under the lock on the two lanes' bytes; true then. Gives up, answering false, when
    // stopRequested() is true while it is not ready: what is already there
    // can always be taken. The timed wait guards against a missed wake; a
    // stop predicate that watches a clock passes a shorter `recheck`.
    template <typename Ready, typename StopPredicate>
    bool waitUntil(Ready ready, StopPredicate stopRequested,
                   std::chrono::milliseconds recheck = std::chrono::milliseconds(100))
    {
        std::unique_lock lock(m_mutex);
        while (!ready(std::as_const(m_stream), std::as_const(m_datagrams), !m_orders.empty())) {
            if (stopRequested())
                return false;
            m_changed.wait_for(lock, recheck);
        }
        return true;
    }
    // Blocks until the lane holds at least n bytes (true), or gives up when
    // stopRequested() is true before they are there (false).
    template <typename StopPredicate>
    bool waitFor(Lane lane, std::size_t n, StopPredicate stopRequested)
    {
        return waitUntil([&](const QByteArray& stream, const QByteArray& datagrams,
                             bool) { return std::size_t((lane == Lane::Stream ? stream : datagrams).size()) >= n; },
                         stopRequested);
    }
    template <typename StopPredicate>
    bool waitFor(std::size_t n, StopPredicate stopRequested)
    {
        return waitFor(Lane::Stream, n, stopRequested);
    }
    // Wakes every waiter so it re-checks its stop predicate.
    void wake();

    // An order for the receive thread, and the oldest one waiting.
    void postOrder(ExchangeOrder order);
    std::optional<ExchangeOrder> takeOrder();

    // The server closed the connection and every byte it sent is in the
    // buffer: nothing more will arrive. Cleared by clear().
    void closeInput();
    bool inputClosed() const { return m_inputClosed.load(); }

private:
    QByteArray& bytes(Lane lane) { return lane == Lane::Stream ? m_stream : m_datagrams; }
    const QByteArray& bytes(Lane lane) const { return lane == Lane::Stream ? m_stream : m_datagrams; }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    QByteArray m_stream;
    QByteArray m_datagrams;
    std::vector<ExchangeOrder> m_orders;
    std::atomic<bool> m_inputClosed{false};
};

// One lane of a receive buffer, for code that reads data packets from
// whichever source carries them.
class ReceiveLane {
public:
    ReceiveLane(ReceiveBuffer& buffer, ReceiveBuffer::Lane lane) : m_buffer(buffer), m_lane(lane) {}

    std::size_t size() const { return m_buffer.size(m_lane); }
    QByteArray peek(std::size_t n) const { return m_buffer.peek(m_lane, n); }
    void removeFront(std::size_t n) { m_buffer.removeFront(m_lane, n); }
    QByteArray takeFront(std::size_t n) { return m_buffer.takeFront(m_lane, n); }
    template <typename StopPredicate>
    bool waitFor(std::size_t n, StopPredicate stopRequested)
    {
        return m_buffer.waitFor(m_lane, n, stopRequested);
    }

private:
    ReceiveBuffer& m_buffer;
    ReceiveBuffer::Lane m_lane;
};

}  // namespace tovrin
