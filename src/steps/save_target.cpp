#include "steps/save_target.h"

#include "asf/name_rules.h"
#include "state/app_context.h"
#include "state/settings_access.h"

namespace tovrin {

std::optional<QString> ChooseSaveTarget(AppContext& ctx, SaveFileRequest request, const QString& folderSetting)
{
    request.startFolder = ReadSetting(ctx, folderSetting);
    const auto chosen = ctx.shell.chooseSaveFile(request);
    if (!chosen || !WriteSetting(ctx, folderSetting, FolderOfPath(*chosen)))
        return std::nullopt;
    return chosen;
}

}  // namespace tovrin
