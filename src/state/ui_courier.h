#pragma once

#include <QObject>

#include <functional>
#include <mutex>

namespace tovrin {

// Carries steps from any thread to an object of the UI thread, without ever
// waiting for them: each is posted to the object's event queue. Once the
// object is let go (detach), steps are dropped, so a receive thread that is
// still ending never reaches an object that has gone.
class UiCourier {
public:
    explicit UiCourier(QObject* target) : m_target(target) {}

    // Any thread.
    void post(std::function<void()> step);
    // The UI thread, before the target goes.
    void detach();

private:
    std::mutex m_lock;
    QObject* m_target;  // guarded by m_lock
};

}  // namespace tovrin
