#pragma once

#include <QStringList>

namespace tovrin {

struct RecordOptions;
struct SettingsRecord;

// The settings `record` takes from the window's settings file, as its log
// names them: those that change how the recording runs, that differ from
// the defaults, and that no option of the command line replaced. A setting
// the transport does not use (UDP over HTTP) is not named. Pure.
QStringList SettingsTakenFromTheWindow(const SettingsRecord& stored, const RecordOptions& options, bool overHttp);

}  // namespace tovrin
