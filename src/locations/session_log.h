#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tovrin {

// Session log files: every line in code page 950 (Big5), each ended by LF,
// nothing else; an empty line is a lone LF.
QByteArray EncodeSessionLog(const QStringList& lines);

// The name proposed for a saved log: the base name of the save file, else of
// the opened location, plus ".log"; "default_tovrin.log" when both are empty.
QString DefaultLogName(const QString& savePath, const QString& mediaLocation);

}  // namespace tovrin
