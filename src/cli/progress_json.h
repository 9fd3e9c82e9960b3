#pragma once

#include "run/recording_progress.h"
#include "run/run_end.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <cstdio>

namespace tovrin {

class RunEngine;

// The lines of `tovrin-cli record --progress json`: one JSON object a line,
// its keys in the order README.md shows them. Programs read these (the
// window's schedule list among them): a key is never renamed or dropped.
namespace progress_json {
QByteArray waiting(const QDateTime& startAt);
QByteArray connecting(const QString& url);
QByteArray file(const QString& path, int part);
QByteArray progress(const RecordingProgress& progress, std::uint64_t rateBps);
QByteArray reconnecting(int tryNumber, int limit, int waitMs);
QByteArray end(int status, const QString& result, const QStringList& files);
}  // namespace progress_json

// The end's result word: "completed" (the server ended the stream whole, or
// the recording reached the limit it was given), "incomplete", "stopped"
// (Ctrl-C or SIGTERM) or "failed".
QString ProgressResult(RunEnd end, bool interrupted);

// Writes a recording's progress lines to `out` as its engine tells them, a
// progress line at most once a second while it records, and the end line
// once. Keeps the files the recording wrote, for the end. UI thread.
class JsonProgress : public QObject {
    Q_OBJECT

public:
    explicit JsonProgress(RunEngine& engine, std::FILE* out = stdout);

    // A start time is waited for.
    void tellWaiting(const QDateTime& startAt);
    // The last line: the exit status, the result word, and the files the
    // recording wrote that are still there.
    void tellEnd(int status, const QString& result);

private:
    void write(const QByteArray& line);
    void tick();
    // The progress line of the figures at the end, once, before the end line.
    void tellLastFigures();

    RunEngine& m_engine;
    std::FILE* m_out;
    QTimer m_tick;
    QStringList m_files;
    // The figures of the last progress line, for the rate.
    QElapsedTimer m_sinceLast;
    int m_lastPart = 0;
    std::uint64_t m_lastBytes = 0;
    bool m_ended = false;
    bool m_recorded = false;  // the run has stored the stream's header
    bool m_lastTold = false;  // the figures at the end were written
};

}  // namespace tovrin
