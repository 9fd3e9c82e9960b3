#pragma once

#include <QString>

namespace tovrin {

struct RunState;

// Patches the header of the run's save file, at `path`, when the run ends.
// Both open their own handle on the file, leaving the run's handle where it is,
// and search the stored header, as far as the file holds it, for the objects
// they patch; nothing beyond the stored header is written. Values are written
// whole, 64 bits wide. UI thread, inside RecordingFile::patch, so no data
// packet is written meanwhile. An empty path (no file) patches nothing.
//
// The packet count written is the number of packets up to and including the
// highest one stored, that is its packet index + 1, or 0 when no media packet
// arrived, but never more than the whole slots the file holds behind its
// header (a write that failed leaves fewer); a resumed run that stored no
// packet keeps the count its file has.

// Data Packets Count of the File Properties Object, so a later run can resume
// the file. False, without a message, when the object is not in the header.
bool FixPacketCount(const QString& path, const RunState& run);

// How patching a live recording's header went.
enum class LiveHeaderFix {
    Fixed,
    NoFileObject,  // the File Properties Object is not in the stored header (or no file)
    NoDataObject,  // the Data Object is not; the File Properties changes stay
    WriteFailed,
};

// Turns a live recording into a seekable file: file size, packet counts,
// play and send durations from what was recorded, the broadcast flag
// cleared and the seekable flag set, and the Data Object sized to the end of
// the file. Shows nothing: it runs under the save-file lock, and a message
// box there would let a second stop, arriving from the box's event loop,
// lock the same mutex again. The caller tells the user once it has let go.
LiveHeaderFix FixLiveHeader(const QString& path, const RunState& run);

// The message box a failed live fix-up shows, or empty when it shows none.
QString LiveHeaderFixMessage(LiveHeaderFix outcome);

}  // namespace tovrin
