#pragma once

#include "cli/usage.h"

#include <QString>
#include <QStringList>

#include <variant>

namespace tovrin {

// A recording kept in a file for the system to start (the tovrin-record@
// service): `tovrin-cli record --config NAME` records what
// $XDG_CONFIG_HOME/tovrin/recordings/NAME.conf (~/.config/...) names, or the
// file NAME itself when it holds a "/".
//
// The file holds one setting a line, `NAME = VALUE`, and comments after "#"
// or ";" at the start of a line. `address` is the stream address (or
// redirector) to record; every other name is the record command's option of
// that name without its dashes (output, duration, stop-at, reconnect,
// split-every...), checked as the command line checks it. An option without a
// value is given with yes/on/true and left out with no/off/false. A value may
// stand in double quotes, which keep its blanks.

// The file `--config NAME` reads.
QString RecordingConfigPath(const QString& name);

// `arguments` of `tovrin-cli record` (the program's name first) with
// `--config NAME` (or `--config=NAME`) replaced by the file's settings as
// options; the options given on the command line come after them and so
// win. The file's path goes with it, for a usage error to name. Unchanged
// (and no path) without --config.
struct ConfiguredArguments {
    QStringList arguments;
    QString configFile;
};
std::variant<ConfiguredArguments, UsageError> WithRecordingConfig(const QStringList& arguments);

}  // namespace tovrin
