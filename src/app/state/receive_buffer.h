#pragma once

#include <QByteArray>

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace tovrin {

// The bytes received from the server and not yet consumed: the only structure
// both the UI thread (socket reads) and the receive thread (consumer) change.
// Every access holds m_mutex; waiters are woken by appends and by wake().
class ReceiveBuffer {
public:
    void append(const QByteArray& bytes);
    void clear();
    std::size_t size() const;
    // A copy of up to n bytes from the front.
    QByteArray peek(std::size_t n) const;
    // Removes up to n bytes from the front.
    void removeFront(std::size_t n);
    // Removes and returns up to n bytes from the front.
    QByteArray takeFront(std::size_t n);

    // Blocks until the buffer holds at least n bytes or stopRequested() is
    // true; returns false in the latter case. stopRequested is checked on
    // every wake, with a short timeout so a missed wake cannot hang a stop.
    template <typename StopPredicate>
    bool waitFor(std::size_t n, StopPredicate stopRequested)
    {
        std::unique_lock lock(m_mutex);
        while (static_cast<std::size_t>(m_bytes.size()) < n) {
            if (stopRequested())
                return false;
            m_changed.wait_for(lock, std::chrono::milliseconds(50));
        }
        return !stopRequested();
    }
    // Wakes every waiter so it re-checks its stop predicate.
    void wake();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    QByteArray m_bytes;
};

}  // namespace tovrin
