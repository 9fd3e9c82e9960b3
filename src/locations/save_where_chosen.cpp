#include "locations/save_where_chosen.h"

#include "asf/name_rules.h"
#include "state/app_context.h"
#include "state/settings_access.h"

#include <QSaveFile>

namespace tovrin {

std::optional<QString> ChooseSaveTarget(AppContext& ctx, SaveFileRequest request, const QString& folderSetting)
{
    request.startFolder = ReadSetting(ctx, folderSetting);
    const auto chosen = ctx.shell.chooseSaveFile(request);
    if (!chosen || !WriteSetting(ctx, folderSetting, FolderOfPath(*chosen)))
        return std::nullopt;
    return chosen;
}

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
