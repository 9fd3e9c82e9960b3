#pragma once

#include <QString>

#include <optional>

namespace tovrin {

// The names a stream address gives a run: the path sent to the server and
// the save name proposed to the user.
struct StreamNames {
    QString streamPath;
    QString defaultSaveName;
};

// Trims the address in place, then takes its names, their %-escapes decoded
// once (see DecodeEscapesOnce): the stream path after the third "/" (which
// must leave at least two characters after it), and the default save name
// after the last separator, with "_live.asf" added when it has no media
// ending. Nothing when the address has no such path.
std::optional<StreamNames> NamesOfStream(QString& url);

}  // namespace tovrin
