#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tovrin {

struct AppContext;

// Session log files: every line in code page 950 (Big5), each ended by LF,
// nothing else; an empty line is a lone LF.
QByteArray EncodeSessionLog(const QStringList& lines);

// The name proposed for a saved log: the base name of the save file, else of
// the opened location, plus ".log"; "default_tovrin.log" when both are empty.
QString DefaultLogName(const QString& savePath, const QString& mediaLocation);

// Saves the session log where the user chooses (starting in LogDir, which it
// then remembers). An existing file is replaced only once the whole new log
// has been written, so a failed save never destroys the old one.
void SaveLog(AppContext& ctx);

}  // namespace tovrin
