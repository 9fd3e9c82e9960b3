#pragma once

#include "asf/header_and_packet_storage.h"
#include "asf/run_fixups.h"

#include <QByteArray>
#include <QStringList>

namespace tovrin {

struct AppContext;
struct RunState;
class Shell;

// The storage steps of a run as the user sees them, whatever transport runs
// them: each outcome of the save file's storage worded with its fixed text.
// Never called with the save-file lock held: the storage has let go of it
// before it answers.

// What became of a header the run collected whole.
enum class HeaderTaken {
    Ready,        // stored, inspected, and the run is ready for media
    LeftAsItWas,  // the file to resume holds another stream, and the user keeps it
    Failed,       // it could not be stored or read (told in the log and a message)
};
// Stores the header (the run's header length and packet size set from it),
// inspects it from the save file and readies the run for media (a resumed
// run's resume point only: its stored slots are read apart, see
// PrepareForResumedMedia), with the progress lines in the log. A file to
// resume that holds another stream's header is downloaded again only when
// the user says so.
HeaderTaken StoreAndInspectHeader(AppContext& ctx, RecordingFile& file, const QByteArray& header);

// The warnings of one stored media packet, as log lines.
QStringList StoredPacketLines(const StoredPacket& told);
// The log lines of one stored media packet, and of a failed write.
void TellStoredPacket(Shell& shell, const StoredPacket& told);
void TellWriteFailure(Shell& shell, const WriteFailure& failure);

// The stop routine's fix-ups (FixUpStoppedRun), then what they did told.
void FixUpAndTell(Shell& shell, RunState& run, RecordingFile* file);

// The server reported the end of the stream: completes the file
// (FixCompletedRun) and logs the outcome. True when the file is whole.
bool CompleteAndTell(Shell& shell, RunState& run, RecordingFile& file);

}  // namespace tovrin
