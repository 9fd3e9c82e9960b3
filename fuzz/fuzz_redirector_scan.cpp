// Redirector files come from any web server or disk: the scan for stream
// addresses, and loading one from a local file into the URL list.
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/settings_record.h"
#include "state/settings_store.h"
#include "fuzz_shell.h"
#include "locations/redirector_file.h"

#include <QFile>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tovrin;
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    const RedirectorScan scan = ScanRedirector(text);
    if (scan.entries.size() > kMaxRedirectorEntries)
        std::abort();

    static fuzz::FuzzShell shell;
    static SettingsStore store(fuzz::ScratchDir().filePath(QStringLiteral("settings.conf")));
    const QString path = fuzz::WriteScratchFile(QStringLiteral("list.asx"), text.constData(), std::size_t(text.size()));
    SettingsRecord settings;
    RunState run;
    AppContext ctx{shell, store, settings, run};
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        LoadRedirector(ctx, file);
    if (shell.urlItems().size() > kMaxRedirectorEntries)
        std::abort();
    return 0;
}
