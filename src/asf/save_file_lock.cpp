#include "asf/save_file_lock.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <cerrno>
#endif

namespace tovrin {

namespace {

enum class LockAttempt { Taken, HeldElsewhere, Failed };

LockAttempt TryLock(QFile& file)
{
    const int fd = file.handle();
    if (fd < 0)
        return LockAttempt::Failed;
#ifdef Q_OS_WIN
    // A byte range far beyond any end of file: the lock excludes other
    // recorders without blocking reads and writes of the file's bytes.
    auto* handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    OVERLAPPED at{};
    at.Offset = 0xFFFFFFFEu;
    at.OffsetHigh = 0x7FFFFFFFu;
    if (LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
        return LockAttempt::Taken;
    return GetLastError() == ERROR_LOCK_VIOLATION ? LockAttempt::HeldElsewhere : LockAttempt::Failed;
#else
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0)
        return LockAttempt::Taken;
    return errno == EWOULDBLOCK ? LockAttempt::HeldElsewhere : LockAttempt::Failed;
#endif
}

}  // namespace

bool LockSaveFile(QFile& file)
{
    // A file system without locks (some network shares) records unguarded
    // rather than not at all.
    return TryLock(file) != LockAttempt::HeldElsewhere;
}

bool SaveFileInUse(const QString& path)
{
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly))
        return false;
    // Closing the probe lets go of the lock it may have taken.
    return TryLock(probe) == LockAttempt::HeldElsewhere;
}

}  // namespace tovrin
