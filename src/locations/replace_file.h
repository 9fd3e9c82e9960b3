#pragma once

#include <QByteArray>
#include <QString>

namespace tovrin {

// How writing a whole file ended.
enum class ReplaceResult { Written, CannotCreate, WriteFailed };

// Writes `bytes` as the whole content of `path`. An existing file is replaced
// only once all of it has been written, so a failure never destroys it.
ReplaceResult ReplaceFileContent(const QString& path, const QByteArray& bytes);

}  // namespace tovrin
