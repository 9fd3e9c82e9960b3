// The readers of the server replies whose fields the client keeps, and the
// credentials dialog's reading of the challenge they leave behind.
#include "fuzz_shell.h"
#include "locations/credentials.h"
#include "mms/server_replies.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/settings_record.h"
#include "state/settings_store.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static tovrin::fuzz::FuzzShell shell;
    static tovrin::SettingsStore store(tovrin::fuzz::ScratchDir().filePath(QStringLiteral("settings.conf")));
    tovrin::SettingsRecord settings;
    tovrin::RunState run;
    tovrin::AppContext ctx{shell, store, settings, run};
    const QByteArrayView packet(reinterpret_cast<const char*>(data), qsizetype(size));

    (void)tovrin::ReadOpenFileReply(packet, run);
    (void)tovrin::ReadFunnelReport(packet, run);
    (void)tovrin::ReadCredentialsRequest(packet, run);
    (void)tovrin::PreparePasswordPrompt(ctx);
    return 0;
}
