// Saved session logs are opened again like any location: any file named .log.
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/settings_record.h"
#include "state/settings_store.h"
#include "fuzz_shell.h"
#include "locations/archived_log.h"

#include <QFile>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tovrin;
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    if (SplitSessionLog(content).size() > kMaxArchivedLogLines)
        std::abort();

    static fuzz::FuzzShell shell;
    static SettingsStore store(fuzz::ScratchDir().filePath(QStringLiteral("settings.conf")));
    const QString path = fuzz::WriteScratchFile(QStringLiteral("session.log"), content.constData(), std::size_t(content.size()));
    SettingsRecord settings;
    RunState run;
    run.mediaLocation = path;
    AppContext ctx{shell, store, settings, run};
    ShowArchivedLog(ctx);
    return 0;
}
