// Checks arbitrary bytes as a recording on disk, as `tovrin-cli check` does,
// then repairs them as `check --repair` does: neither may read outside the
// file or grow without bound, and a repaired file's sizes add up.
#include "asf/recording_check.h"

#include <QFile>
#include <QString>

#include <unistd.h>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QString path = QStringLiteral("/tmp/tovrin-fuzz-check-%1.asf").arg(::getpid());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    (void)tovrin::CheckRecording(path);
    if (!tovrin::RepairRecording(path).failure && !tovrin::CheckRecording(path).sizesAgree())
        std::abort();
    return 0;
}
