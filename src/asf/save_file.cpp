#include "asf/save_file.h"

#include "asf/name_rules.h"
#include "asf/save_file_lock.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/settings_access.h"
#include "state/shell.h"
#include "state/text_rules.h"

#include <QFile>
#include <QFileInfo>

#include <array>

namespace tovrin {

namespace {

// Endings that mark a stored clip; a URL without one names a live publishing
// point. Compared exactly: mixed case is not recognised.
bool EndsInMediaExtension(const QString& url)
{
    static const std::array<QString, 6> four = {QStringLiteral(".asf"), QStringLiteral(".ASF"), QStringLiteral(".wmv"),
                                                QStringLiteral(".WMV"), QStringLiteral(".wma"), QStringLiteral(".WMA")};
    for (const QString& ext : four) {
        if (url.endsWith(ext))
            return true;
    }
    return url.endsWith(QStringLiteral(".wm")) || url.endsWith(QStringLiteral(".WM"));
}

// Opened unbuffered: every data packet reaches the file with its own write,
// so the preview player and the fix-ups at close see what has been written.
std::unique_ptr<QFile> OpenFile(const QString& path, QIODevice::OpenMode mode)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(mode | QIODevice::ReadWrite | QIODevice::Unbuffered))
        return nullptr;
    return file;
}

}  // namespace

bool PrepareNames(AppContext& ctx, QString& url)
{
    url = TrimBlanks(url);

    // The third "/" from the second character on; it must leave at least two
    // characters after it.
    qsizetype third = -1;
    int slashes = 0;
    for (qsizetype i = 1; i < url.size() - 2; ++i) {
        if (url.at(i) == u'/' && ++slashes == 3) {
            third = i;
            break;
        }
    }
    if (third < 0)
        return false;

    ctx.run.streamPath = url.mid(third + 1);
    ctx.run.defaultSaveName = NameAfterSeparator(url);
    if (!EndsInMediaExtension(url))
        ctx.run.defaultSaveName += QStringLiteral("_live.asf");
    return true;
}

bool OpenSaveFile(AppContext& ctx)
{
    RunState& run = ctx.run;
    SaveFileRequest request;
    request.title = QStringLiteral("建立 / 重新開始儲存檔案");
    request.filter = QStringLiteral("Windows 媒介檔案 (*.asf;*.wmv;*.wma;*.wm)");
    request.defaultExtension = QStringLiteral("asf");
    request.defaultName = run.defaultSaveName;
    request.startFolder = ReadSetting(ctx, QStringLiteral("AsfDir"));
    request.overwritePrompt = false;  // an existing file is handled by the resume dialog

    const std::optional<QString> chosen = ctx.shell.chooseSaveFile(request);
    if (!chosen)
        return false;
    const QString path = *chosen;
    run.savePath = path;
    ctx.shell.setSaveLocation(path);
    // Remembered even when the user cancels the run in the resume dialog.
    if (!WriteSetting(ctx, QStringLiteral("AsfDir"), FolderOfPath(path)))
        return false;

    // Another recording writing into this file would mix two streams into
    // one: refused before anything is asked or touched. The run's own
    // earlier handle is let go first.
    run.saveFile.reset();
    const QString inUse = QStringLiteral("這個儲存檔案正由另一個記錄寫入中\n請選擇其他的檔案名稱");
    if (SaveFileInUse(path)) {
        ctx.shell.showMessage(inUse);
        return false;
    }

    const QFileInfo info(path);
    const qint64 size = info.exists() ? info.size() : 0;
    const QString createError = QStringLiteral("There was a problem creating the save file");
    // Held by the run's handle until the stop routine closes it.
    const auto lockOrRefuse = [&] {
        if (LockSaveFile(*run.saveFile))
            return true;
        run.saveFile.reset();
        ctx.shell.showMessage(inUse);
        return false;
    };

    if (size != 0) {
        switch (ctx.shell.askResume()) {
        case ResumeChoice::Cancel:
            return false;
        case ResumeChoice::Resume:
            run.resume = true;
            run.saveFile = OpenFile(path, QIODevice::ExistingOnly);
            if (!run.saveFile) {
                ctx.shell.showMessage(createError);
                return false;
            }
            return lockOrRefuse();
        case ResumeChoice::Redownload:
            break;
        }
    }

    run.resume = false;
    QFile::remove(path);  // a file that cannot be removed makes the creation below fail
    run.saveFile = OpenFile(path, QIODevice::NewOnly);
    if (!run.saveFile) {
        ctx.shell.showMessage(createError);
        return false;
    }
    return lockOrRefuse();
}

}  // namespace tovrin
