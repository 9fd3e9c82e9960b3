// Linked into every program and test of the tsan preset (cmake/Tsan.cmake),
// never into a release.
//
// Qt comes without ThreadSanitizer, so tsan cannot see how a call that
// QMetaObject::invokeMethod hands to another thread is synchronised: Qt posts
// it under a lock of its own and, for a blocking call, waits on a semaphore
// that the receiving thread releases once the call has run. Every hand-over
// of the receive thread to the UI thread (UiDispatcher, the command channel)
// would read as a race on everything the call touches. This stands in front
// of Qt's QMetaObject::invokeMethodImpl, which every invokeMethod with a
// function calls from our code, and tells tsan the two orders Qt keeps, on a
// token of the call: what the caller did before the call happens before the
// call runs; for a blocking call, the call happens before what the caller
// does after it. Nothing more is ordered than Qt orders.

#include <QObject>

#include <dlfcn.h>
#include <sanitizer/tsan_interface.h>

namespace {

using InvokeMethodImpl = bool (*)(QObject*, QtPrivate::QSlotObjectBase*, Qt::ConnectionType, void*);

// The call as Qt runs it, wrapped. The caller's order is given on the
// wrapper; the call's own is given back on `done`: the wrapper too, or for a
// blocking call a token on the caller's stack, which outlives the wrapper.
class OrderedCall : public QtPrivate::QSlotObjectBase {
public:
    OrderedCall(QtPrivate::QSlotObjectBase* call, void* done)
        : QSlotObjectBase(&impl), m_call(call), m_done(done ? done : this)
    {
    }

private:
    static void impl(int which, QSlotObjectBase* self, QObject* receiver, void** args, bool* ret)
    {
        auto* that = static_cast<OrderedCall*>(self);
        __tsan_acquire(that);
        switch (which) {
        case Destroy:
            // Qt lets go of the call once it has run (a blocking call's
            // caller does so after its wait), counting in its own code.
            __tsan_acquire(that->m_done);
            that->m_call->destroyIfLastRef();
            delete that;
            break;
        case Call:
            that->m_call->call(receiver, args);
            __tsan_release(that->m_done);
            break;
        default:
            *ret = false;
        }
    }

    QtPrivate::QSlotObjectBase* m_call;
    void* m_done;
};

}  // namespace

bool QMetaObject::invokeMethodImpl(QObject* object, QtPrivate::QSlotObjectBase* slot, Qt::ConnectionType type,
                                   void* ret)
{
    static const auto qtInvoke = reinterpret_cast<InvokeMethodImpl>(
        dlsym(RTLD_NEXT,
              "_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv"));
    char blockingToken = 0;
    const bool blocking = type == Qt::BlockingQueuedConnection;
    auto* ordered = new OrderedCall(slot, blocking ? &blockingToken : nullptr);
    __tsan_release(ordered);
    const bool invoked = qtInvoke(object, ordered, type, ret);
    if (blocking)
        __tsan_acquire(&blockingToken);
    return invoked;
}
