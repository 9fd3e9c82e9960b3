#include "run/save_file_choice.h"

#include "asf/name_rules.h"
#include "asf/recording_file.h"
#include "asf/save_file_lock.h"
#include "run/name_template.h"
#include "run/next_recording.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/settings_access.h"
#include "state/settings_record.h"
#include "state/shell.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace tovrin {

namespace {

QString SaveFileInUseText()
{
    return QCoreApplication::translate("Tovrin", "這個儲存檔案正由另一個記錄寫入中\n請選擇其他的檔案名稱");
}

}  // namespace

std::optional<QString> ChooseSaveTarget(AppContext& ctx, SaveFileRequest request, const QString& folderSetting)
{
    request.startFolder = ReadSetting(ctx, folderSetting);
    const auto chosen = ctx.shell.chooseSaveFile(request);
    if (!chosen || !WriteSetting(ctx, folderSetting, FolderOfPath(*chosen)))
        return std::nullopt;
    return chosen;
}

std::unique_ptr<RecordingFile> OpenSaveFile(AppContext& ctx)
{
    RunState& run = ctx.run;
    SaveFileRequest request;
    request.title = QCoreApplication::translate("Tovrin", "建立 / 重新開始儲存檔案");
    request.filter = QCoreApplication::translate("Tovrin", "Windows 媒介檔案 (*.asf;*.wmv;*.wma;*.wm)");
    request.defaultExtension = QStringLiteral("asf");
    // A file-name template proposes the name of the recording's first part.
    const QString templated =
        ProposedSaveName(ctx.settings.nameTemplate, run.defaultSaveName, 1, QDateTime::currentDateTime());
    request.defaultName = templated.isEmpty() ? run.defaultSaveName : templated;
    request.overwritePrompt = false;  // an existing file is handled by the resume dialog

    // The folder is remembered even when the user cancels the run in the resume dialog.
    const std::optional<QString> chosen = ChooseSaveTarget(ctx, request, QStringLiteral("AsfDir"));
    if (!chosen)
        return nullptr;
    QString path = *chosen;
    // A name the template proposed makes its folders when missing and never
    // writes over a file: the next free " (N)" name is taken.
    const bool byTemplate = !templated.isEmpty() && QFileInfo(path).fileName() == QFileInfo(templated).fileName();
    if (byTemplate) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        path = FirstFreeName(path);
    }
    ctx.session.savePath = path;
    ctx.session.savePathTemplated = byTemplate;
    ctx.shell.setSaveLocation(path);

    // Another recording writing into this file would mix two streams into
    // one: refused before anything is asked or touched.
    if (SaveFileInUse(path)) {
        ctx.shell.showMessage(SaveFileInUseText());
        return nullptr;
    }

    const QFileInfo info(path);
    const qint64 size = info.exists() ? info.size() : 0;
    bool resume = false;
    if (size != 0) {
        switch (ctx.shell.askResume()) {
        case ResumeChoice::Cancel:
            return nullptr;
        case ResumeChoice::Resume:
            resume = true;
            break;
        case ResumeChoice::Redownload:
            break;
        }
    }

    return OpenChosenSaveFile(ctx, path, resume);
}

std::unique_ptr<RecordingFile> OpenChosenSaveFile(AppContext& ctx, const QString& path, bool resume)
{
    ctx.run.resume = resume;
    auto recording = std::make_unique<RecordingFile>();
    switch (recording->open(path, resume)) {
    case RecordingFile::Opened::Yes:
        return recording;
    case RecordingFile::Opened::InUse:
        ctx.shell.showMessage(SaveFileInUseText());
        return nullptr;
    case RecordingFile::Opened::CannotCreate:
        ctx.shell.showMessage(QStringLiteral("There was a problem creating the save file"));
        return nullptr;
    }
    return nullptr;
}

}  // namespace tovrin
