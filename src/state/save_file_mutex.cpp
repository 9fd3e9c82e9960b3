#include "state/save_file_mutex.h"

#include <QtGlobal>

namespace tovrin {

namespace {
thread_local int t_saveFileLocksHeld = 0;
}

void SaveFileMutex::lock()
{
    m_mutex.lock();
    ++t_saveFileLocksHeld;
}

void SaveFileMutex::unlock()
{
    --t_saveFileLocksHeld;
    m_mutex.unlock();
}

bool SaveFileMutex::try_lock()
{
    if (!m_mutex.try_lock())
        return false;
    ++t_saveFileLocksHeld;
    return true;
}

bool SaveFileMutex::heldByThisThread()
{
    return t_saveFileLocksHeld > 0;
}

void AssertSaveFileLockNotHeld(const char* where)
{
    Q_ASSERT_X(!SaveFileMutex::heldByThisThread(), where, "called while holding the save-file lock");
    Q_UNUSED(where);
}

}  // namespace tovrin
