#include "state/run_reset.h"

#include "state/app_context.h"
#include "state/run_state.h"
#include "state/shell.h"

namespace tovrin {

void ResetRun(AppContext& ctx)
{
    Shell& shell = ctx.shell;
    // The preview of the previous run's file ends first: it would keep
    // showing, and holding open, a file that is no longer this run's.
    shell.closePreviewMonitor();
    shell.setCaption(QStringLiteral("Tovrin"));
    shell.setModeLabel(ModeLabel::Standby);
    shell.setGauge(0, false);
    shell.clearLog();
    shell.setTimeFields(QString(), QString());
    shell.clearProperties();

    ctx.run.reset();
}

}  // namespace tovrin
