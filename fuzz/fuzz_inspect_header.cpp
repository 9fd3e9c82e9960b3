// inspect header on arbitrary files, as a local media file the user opens or
// a header a server sent: every field it reads must lie within the bytes read.
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/settings_record.h"
#include "state/settings_store.h"
#include "asf/header_inspection.h"
#include "fuzz_shell.h"

#include <QFile>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static tovrin::fuzz::FuzzShell shell;
    static tovrin::SettingsStore store(tovrin::fuzz::ScratchDir().filePath(QStringLiteral("settings.conf")));
    const QString path = tovrin::fuzz::WriteScratchFile(QStringLiteral("header.asf"), reinterpret_cast<const char*>(data), size);

    tovrin::SettingsRecord settings;
    tovrin::RunState run;
    tovrin::AppContext ctx{shell, store, settings, run};
    // The first byte picks how the header is read: as a local file (5000
    // bytes), as a download's header of the file's own length, or as a live one.
    const std::uint8_t mode = size ? data[0] % 3 : 0;
    run.localFileMode = mode == 0;
    run.headerLength = mode == 0 ? 5000u : std::uint32_t(size);
    run.filePacketCount = mode == 2 ? tovrin::kLivePacketCount : 0;
    tovrin::InspectHeader(ctx, path);
    if (run.streamCount > tovrin::kMaxStreams)
        std::abort();
    return 0;
}
