#include "state/ui_courier.h"

namespace tovrin {

void UiCourier::post(std::function<void()> step)
{
    std::lock_guard lock(m_lock);
    if (m_target)
        QMetaObject::invokeMethod(m_target, std::move(step), Qt::QueuedConnection);
}

void UiCourier::detach()
{
    std::lock_guard lock(m_lock);
    m_target = nullptr;
}

}  // namespace tovrin
