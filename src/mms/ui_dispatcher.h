#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

namespace tovrin {

// Carries a step over to the UI thread and waits until it has run there.
// Called on the UI thread itself, it runs the step at once. The receive
// thread uses it for everything that touches the user or the sockets, so the
// steps keep their order and a dialog's answer is known before the next step.
//
// The UI thread must never block on the receive thread while that thread may
// be waiting here; code that has to wait for a receive thread to end keeps
// processing events (see ReceiveThread::finish).
class UiDispatcher {
public:
    explicit UiDispatcher(QObject* uiObject) : m_ui(uiObject) {}

    void run(const std::function<void()>& step) const;
    bool onUiThread() const;
    // True on the UI thread while it carries out a step a receive thread is
    // waiting for (a dialog's nested event loop may run other code then):
    // waiting for that thread to end would never finish.
    bool inStep() const { return m_stepsRunning > 0; }

private:
    QPointer<QObject> m_ui;
    mutable int m_stepsRunning = 0;  // UI thread only
};

}  // namespace tovrin
