#include "mms/ui_dispatcher.h"

#include "state/save_file_mutex.h"

#include <QMetaObject>
#include <QThread>

namespace tovrin {

bool UiDispatcher::onUiThread() const
{
    return !m_ui || QThread::currentThread() == m_ui->thread();
}

void UiDispatcher::run(const std::function<void()>& step) const
{
    // Every shell call and run action of the receive thread comes here.
    AssertSaveFileLockNotHeld("UiDispatcher::run");
    if (onUiThread()) {
        step();
        return;
    }
    QMetaObject::invokeMethod(
        m_ui.data(),
        [this, &step] {
            ++m_stepsRunning;
            step();
            --m_stepsRunning;
        },
        Qt::BlockingQueuedConnection);
}

}  // namespace tovrin
