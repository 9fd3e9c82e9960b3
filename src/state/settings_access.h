#pragma once

#include <QString>

namespace tovrin {

struct AppContext;
struct SettingsRecord;

// ReadSetting / WriteSetting as the rest of the system uses them: a failed
// write is reported and answers false, so the caller skips its remaining
// steps. It does not end a run in progress: a setting is not the run's.
QString ReadSetting(AppContext& ctx, const QString& name);
bool WriteSetting(AppContext& ctx, const QString& name, const QString& value);

// The settings dialog's close step: writes the five stored settings, then,
// when the UDP port text differs from the one loaded, asks whether to restart.
// Answers true when the user chose to close the program now; on No the loaded
// port goes back into the record and the store.
bool SaveSettings(AppContext& ctx);

}  // namespace tovrin
