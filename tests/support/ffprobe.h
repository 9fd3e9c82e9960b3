#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace tovrin::test {

// ffprobe's view of a media file: `-show_streams -show_format` as JSON.
// Empty when ffprobe fails on it.
QJsonObject Probe(const QString& path);

// The presentation times (seconds) of the packets ffprobe reads in `path`,
// with `readArgs` added to its command; empty when it fails.
QList<double> PacketTimes(const QString& path, const QStringList& readArgs = {});
// The presentation times (seconds) of the first packets ffprobe reads after
// seeking to `seconds`, as `-read_intervals` does it; empty when it fails.
QList<double> PacketTimesAfterSeek(const QString& path, double seconds, int count = 3);

// The indices (from 0, in header order) of the streams of which ffprobe reads packets, each once, ascending.
QList<int> PacketStreams(const QString& path);

// The duration of the file's format, in seconds; negative when ffprobe fails.
double ProbeDuration(const QString& path);
// What `ffmpeg -v error -i PATH -f null -` reports on decoding the whole
// file, a line each; empty for a file any player plays through.
QStringList DecodeErrors(const QString& path);
// The "codec_type" of each stream, in order.
QStringList ProbeStreamTypes(const QString& path);

}  // namespace tovrin::test
