#pragma once

#include <QString>

namespace tovrin {

struct RunState;
class SimpleIndexBuilder;

// Ends the run's save file, at `path`: the Simple Index Object of its
// packets (`index`) goes behind the last slot, cutting off whatever lay there,
// and the header's File Size, Data Packets Count and the Data Object's size
// and packet count describe the file as it then is; its packet sizes state
// the slots' width, the one the server announced. Both open their own
// handle on the file, leaving the run's handle where it is, and find the
// objects they patch among those of the stored header (HeaderObjects), as
// far as the file holds it.
// Values are written whole, 64 bits wide. UI thread, inside
// RecordingFile::finish, so no data packet is written meanwhile. An empty
// path (no file) patches nothing.
//
// The packet count written is the number of packets up to and including the
// highest one stored, that is its packet index + 1, or 0 when no media packet
// arrived, but never more than the whole slots the file holds behind its
// header (a write that failed leaves fewer); a resumed file counts at least
// the packets it kept. A file without packets gets no index.

// Ends a file of known length, so a later run can resume it. False, without
// a message, when the File Properties Object is not in the header.
bool FixPacketCount(const QString& path, const RunState& run, const SimpleIndexBuilder& index);

// How patching a live recording's header went.
enum class LiveHeaderFix {
    Fixed,
    NoFileObject,  // the File Properties Object is not in the stored header (or no file)
    NoDataObject,  // the Data Object is not; the File Properties changes stay
    WriteFailed,
};

// Turns a live recording into a seekable file: play and send durations from
// what was recorded, the broadcast flag cleared and the seekable flag set,
// then ended as above. Shows nothing: it runs under the save-file lock, and a message
// box there would let a second stop, arriving from the box's event loop,
// lock the same mutex again. The caller tells the user once it has let go.
LiveHeaderFix FixLiveHeader(const QString& path, const RunState& run, const SimpleIndexBuilder& index);

// The message box a failed live fix-up shows, or empty when it shows none.
QString LiveHeaderFixMessage(LiveHeaderFix outcome);

}  // namespace tovrin
