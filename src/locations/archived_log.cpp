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

bool ShowArchivedLog(AppContext& ctx)
{
    Shell& shell = ctx.shell;
    const QString path = ctx.run.mediaLocation;
    QFile file(path);
    // Only a regular file: reading a FIFO or a device named *.log could block
    // or never end.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        shell.appendLog(QStringLiteral("開啟記錄檔案發生錯誤"));
        return false;
    }
    const qint64 size = file.size();
    if (size == 0) {
        shell.appendLog(QStringLiteral("記錄檔案沒有包含資料"));
        return false;
    }
    if (size > kMaxArchivedLogBytes) {
        shell.appendLog(QStringLiteral("記錄檔案太大 (超過 %1 MiB)").arg(kMaxArchivedLogBytes / (1024 * 1024)));
        return false;
    }
    const QByteArray content = file.read(size);
    file.close();
    if (content.size() != size) {
        shell.appendLog(QStringLiteral("開啟記錄檔案發生錯誤"));
        return false;
    }
    if (content.count('\n') > kMaxArchivedLogLines) {
        shell.appendLog(QStringLiteral("記錄檔案太多行 (超過 %1 行)").arg(kMaxArchivedLogLines));
        return false;
    }
    for (const QString& line : SplitSessionLog(content))
        shell.appendLog(line);
    return true;
}

}  // namespace tovrin
