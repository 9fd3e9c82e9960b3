#pragma once

#include <mutex>

namespace tovrin {

// The lock over the save file and its slot batch, used like std::mutex
// (std::lock_guard, std::unique_lock). It also knows whether the calling
// thread holds it, so the rule that keeps the two threads from deadlocking
// can be checked: nothing calls the shell, the UI dispatcher or the run's
// actions while holding this lock, because the UI thread may be waiting for
// the lock while the receive thread waits for the UI thread.
class SaveFileMutex {
public:
    void lock();
    void unlock();
    bool try_lock();

    // True when the calling thread holds a save-file lock.
    static bool heldByThisThread();

private:
    std::mutex m_mutex;
};

// Debug builds stop here when the calling thread holds a save-file lock;
// `where` names the call that must not be made under it.
void AssertSaveFileLockNotHeld(const char* where);

}  // namespace tovrin
