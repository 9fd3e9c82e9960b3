#include "state/app_error.h"

#include "state/app_context.h"
#include "state/run_state.h"
#include "state/shell.h"

#include <QCoreApplication>

namespace tovrin {

QString ApplicationErrorText(const QString& message)
{
    if (message.startsWith(QStringLiteral("Windows socket 錯誤")))
        return QCoreApplication::translate("Tovrin", "Tovrin 網路連接失敗");
    return QCoreApplication::translate("Tovrin", "讀取時發生一個意外 :-\n") + message;
}

void ReportError(AppContext& ctx, const QString& message)
{
    ctx.shell.showMessage(ApplicationErrorText(message));
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
