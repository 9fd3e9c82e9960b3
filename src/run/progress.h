#pragma once

#include <QString>

#include <functional>
#include <optional>

class QTimer;

namespace tovrin {

struct AppContext;
class RecordingFile;
struct RunState;

// The refresh tick, every 200 ms while a run is connected: elapsed and
// remaining media time, the statistics counters of the file-properties
// window, and the gauge with the progress caption. It only reads the run.
void RefreshTick(AppContext& ctx);

// A run has its save file and starts connecting to `url`: the caption, and
// for a recording the user started, its opening log lines. A run that
// carries the recording on (after a rollover or a lost connection) into
// `continuedPath` only names that file, when it is another one.
void AnnounceRunStart(AppContext& ctx, const QString& url, const std::optional<QString>& continuedPath);

// The server said streaming begins: the line naming the transport in use
// (UDP only when the server was asked for datagrams) in the log, the
// gauge's percentage text for a file of known length, and the Live or
// PreRec label.
void AnnounceStreamStart(AppContext& ctx);

// What the server's end of the stream leaves in the file: runs the
// completion fix-ups, then judges the file whole, or not whole with the log
// line (may be empty) and the message that say why. UI thread, before the
// stop routine.
struct CompletionVerdict {
    bool whole = false;
    QString reasonLine;
    QString message;
};
CompletionVerdict CompleteRunFile(AppContext& ctx, RecordingFile& file);
// The stream ended before the server reported its end (the server closed
// the connection, or an MMSH run failed): a file of known length that lacks packets is not whole, and is
// told so; anything else (a broadcast, a run that never reached its media)
// is judged whole, with nothing more to say than the stop routine's lines.
CompletionVerdict CutShortVerdict(const RunState& run);

// The stream ended and the file is whole, after the stop routine: the log
// lines, the full gauge, the caption, the flash, the sound (repeated by
// `soundRepeat`, whose timeout plays it, at the DoneInterval while the
// message is open), the automatic log save (`saveLog`, when AutoLog is on),
// and the message.
void AnnounceCompletion(AppContext& ctx, QTimer& soundRepeat, const std::function<void()>& saveLog);

// The stream ended but the file is not whole (packets missing, its count
// not written, a write failed): the log says so after `reasonLine` (when
// given), the caption too, the log is saved (`saveLog`) when AutoLog is on,
// and `message` is shown. The task-bar entry flashes and the system beeps
// once, but the completion sound stays for whole recordings: one with holes
// is never taken for a whole one. Called after the stop routine.
void AnnounceIncompleteEnd(AppContext& ctx, const QString& reasonLine, const QString& message,
                           const std::function<void()>& saveLog);
// A write into the save file failed and the run was stopped there: told as
// an incomplete end. Called after the stop routine.
void AnnounceWriteFailureEnd(AppContext& ctx, const std::function<void()>& saveLog);
// The Disconnect command's question; true when the user means it.
bool ConfirmDisconnect(AppContext& ctx);
// After a confirmed Disconnect: what the stopped run left in its file.
void TellDisconnected(AppContext& ctx);
// The message for a file whose packet count could not be written or that
// missed a write.
QString FileNotCompletedMessage();

// What the user is told when the connection to the server cannot be made
// (refused, no such host), with the socket's own reason.
QString CannotConnectMessage(const QString& socketError);

// Milliseconds between repeats of the completion sound for the DoneInterval
// setting; a text that is not a number counts as 10 seconds, 0 plays once.
int SoundRepeatInterval(const QString& doneInterval);

}  // namespace tovrin
