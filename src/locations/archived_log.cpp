#include "locations/archived_log.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace tovrin {

QStringList SplitSessionLog(const QByteArray& content)
{
    QStringDecoder big5("Big5", QStringDecoder::Flag::Stateless);
    QStringList lines;
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = content.indexOf('\n', start);
        if (end < 0)
            end = content.size();
        lines << big5.decode(QByteArrayView(content).sliced(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::variant<QStringList, ArchivedLogError> ReadArchivedLog(const QString& path)
{
    QFile file(path);
    // Only a regular file: reading a FIFO or a device named *.log could block
    // or never end.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return ArchivedLogError::CannotRead;
    const qint64 size = file.size();
    if (size == 0)
        return ArchivedLogError::Empty;
    if (size > kMaxArchivedLogBytes)
        return ArchivedLogError::TooLarge;
    const QByteArray content = file.read(size);
    if (content.size() != size)
        return ArchivedLogError::CannotRead;
    if (content.count('\n') > kMaxArchivedLogLines)
        return ArchivedLogError::TooManyLines;
    return SplitSessionLog(content);
}

}  // namespace tovrin
