#include "state/app_error.h"

#include "state/app_context.h"
#include "state/run_state.h"
#include "state/shell.h"

#include <QCoreApplication>

namespace tovrin {

void ReportError(AppContext& ctx, const QString& message)
{
    if (message.startsWith(QStringLiteral("Windows socket 錯誤")))
        ctx.shell.showMessage(QCoreApplication::translate("Tovrin", "Tovrin 網路連接失敗"));
    else
        ctx.shell.showMessage(QCoreApplication::translate("Tovrin", "讀取時發生一個意外 :-\n") + message);
}

void HandleApplicationError(AppContext& ctx, const QString& message)
{
    ReportError(ctx, message);
    ctx.run.liveHeaderFixed = true;
    ctx.run.packetCountFixed = true;
    if (ctx.stopper)
        ctx.stopper->stopRun();
}

}  // namespace tovrin
