#include "user_actions/log_steps.h"

#include "locations/archived_log.h"
#include "locations/replace_file.h"
#include "locations/session_log.h"
#include "run/save_file_choice.h"
#include "state/app_context.h"
#include "state/session_state.h"
#include "state/shell.h"

#include <QCoreApplication>

namespace tovrin {

namespace {

QString ArchivedLogErrorLine(ArchivedLogError error)
{
    switch (error) {
    case ArchivedLogError::Empty:
        return QCoreApplication::translate("Tovrin", "記錄檔案沒有包含資料");
    case ArchivedLogError::TooLarge:
        return QCoreApplication::translate("Tovrin", "記錄檔案太大 (超過 %1 MiB)")
            .arg(kMaxArchivedLogBytes / (1024 * 1024));
    case ArchivedLogError::TooManyLines:
        return QCoreApplication::translate("Tovrin", "記錄檔案太多行 (超過 %1 行)").arg(kMaxArchivedLogLines);
    case ArchivedLogError::CannotRead:
        break;
    }
    return QCoreApplication::translate("Tovrin", "開啟記錄檔案發生錯誤");
}

}  // namespace

void SaveLog(AppContext& ctx)
{
    Shell& shell = ctx.shell;
    SaveFileRequest request;
    request.kind = SaveKind::Log;
    request.defaultExtension = QStringLiteral("log");
    request.title = QCoreApplication::translate("Tovrin", "儲存記錄檔案");
    request.filter = QCoreApplication::translate("Tovrin", "Tovrin 記錄檔案 (*.log)");
    request.defaultName = DefaultLogName(ctx.session.savePath, ctx.session.mediaLocation);
    request.overwritePrompt = true;
    const auto chosen = ChooseSaveTarget(ctx, request, QStringLiteral("LogDir"));
    if (!chosen)
        return;

    const QByteArray content = EncodeSessionLog(shell.logLines());
    if (content.isEmpty()) {
        shell.showMessage(QCoreApplication::translate("Tovrin", "沒有記錄資料可儲存"));
        return;
    }
    switch (ReplaceFileContent(*chosen, content)) {
    case ReplaceResult::Written:
        return;
    case ReplaceResult::CannotCreate:
        shell.showMessage(QCoreApplication::translate("Tovrin", "建立這個記錄檔案發生錯誤"));
        return;
    case ReplaceResult::WriteFailed:
        shell.showMessage(QCoreApplication::translate("Tovrin", "儲存這個記錄檔案發生一個錯誤"));
        return;
    }
}

bool ShowArchivedLog(AppContext& ctx)
{
    const auto read = ReadArchivedLog(ctx.session.mediaLocation);
    if (const auto* error = std::get_if<ArchivedLogError>(&read)) {
        ctx.shell.appendLog(ArchivedLogErrorLine(*error));
        return false;
    }
    for (const QString& line : std::get<QStringList>(read))
        ctx.shell.appendLog(line);
    return true;
}

}  // namespace tovrin
