#include "locations/archived_log.h"

#include "state/app_context.h"
#include "state/run_state.h"
#include "state/shell.h"

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

QString ArchivedLogErrorLine(ArchivedLogError error)
{
    switch (error) {
    case ArchivedLogError::Empty:
        return QStringLiteral("記錄檔案沒有包含資料");
    case ArchivedLogError::TooLarge:
        return QStringLiteral("記錄檔案太大 (超過 %1 MiB)").arg(kMaxArchivedLogBytes / (1024 * 1024));
    case ArchivedLogError::TooManyLines:
        return QStringLiteral("記錄檔案太多行 (超過 %1 行)").arg(kMaxArchivedLogLines);
    case ArchivedLogError::CannotRead:
        break;
    }
    return QStringLiteral("開啟記錄檔案發生錯誤");
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

bool ShowArchivedLog(AppContext& ctx)
{
    const auto read = ReadArchivedLog(ctx.run.mediaLocation);
    if (const auto* error = std::get_if<ArchivedLogError>(&read)) {
        ctx.shell.appendLog(ArchivedLogErrorLine(*error));
        return false;
    }
    for (const QString& line : std::get<QStringList>(read))
        ctx.shell.appendLog(line);
    return true;
}

}  // namespace tovrin
