#include "locations/session_log.h"

#include "asf/name_rules.h"
#include "locations/save_where_chosen.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/shell.h"

#include <QStringEncoder>

namespace tovrin {

QByteArray EncodeSessionLog(const QStringList& lines)
{
    QStringEncoder big5("Big5");
    QByteArray content;
    for (const QString& line : lines) {
        content += big5(line);
        content += '\n';
    }
    return content;
}

QString DefaultLogName(const QString& savePath, const QString& mediaLocation)
{
    const QString source = !savePath.isEmpty() ? savePath : mediaLocation;
    if (source.isEmpty())
        return QStringLiteral("default_tovrin.log");
    return NameBeforeExtension(NameAfterSeparator(source)) + QStringLiteral(".log");
}

void SaveLog(AppContext& ctx)
{
    Shell& shell = ctx.shell;
    SaveFileRequest request;
    request.kind = SaveKind::Log;
    request.defaultExtension = QStringLiteral("log");
    request.title = QStringLiteral("儲存記錄檔案");
    request.filter = QStringLiteral("Tovrin 記錄檔案 (*.log)");
    request.defaultName = DefaultLogName(ctx.run.savePath, ctx.run.mediaLocation);
    request.overwritePrompt = true;
    const auto chosen = ChooseSaveTarget(ctx, request, QStringLiteral("LogDir"));
    if (!chosen)
        return;

    const QByteArray content = EncodeSessionLog(shell.logLines());
    if (content.isEmpty()) {
        shell.showMessage(QStringLiteral("沒有記錄資料可儲存"));
        return;
    }
    switch (ReplaceFileContent(*chosen, content)) {
    case ReplaceResult::Written:
        return;
    case ReplaceResult::CannotCreate:
        shell.showMessage(QStringLiteral("建立這個記錄檔案發生錯誤"));
        return;
    case ReplaceResult::WriteFailed:
        shell.showMessage(QStringLiteral("儲存這個記錄檔案發生一個錯誤"));
        return;
    }
}

}  // namespace tovrin
