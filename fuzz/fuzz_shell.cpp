#include "fuzz_shell.h"

#include <QFile>

#include <cstdlib>

namespace tovrin::fuzz {

QTemporaryDir& ScratchDir()
{
    static QTemporaryDir dir;
    return dir;
}

QString WriteScratchFile(const QString& name, const char* data, std::size_t size)
{
    const QString path = ScratchDir().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();  // the fuzzer cannot go on without its scratch folder
    file.write(data, qint64(size));
    return path;
}

}  // namespace tovrin::fuzz
