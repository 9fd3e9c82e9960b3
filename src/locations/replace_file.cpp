#include "locations/replace_file.h"

#include <QSaveFile>

namespace tovrin {

ReplaceResult ReplaceFileContent(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return ReplaceResult::CannotCreate;
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        file.cancelWriting();
        return ReplaceResult::WriteFailed;
    }
    return ReplaceResult::Written;
}

}  // namespace tovrin
