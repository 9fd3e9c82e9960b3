#include "asf/run_fixups.h"

#include "state/run_state.h"

namespace tovrin {

WriteFailure FirstWriteFailure(RunState& run, WriteFailure failure)
{
    if (!failure || run.writeErrorReported.exchange(true))
        return std::nullopt;
    return failure;
}

namespace {

// Writes out the batch and runs `patch` on the save file's path and index
// while no packet can be written, then refuses further packets; without a
// save file the patch gets an empty path.
template <typename Patch>
WriteFailure Patched(RunState& run, RecordingFile* file, Patch&& patch)
{
    if (!file) {
        patch(QString(), SimpleIndexBuilder());
        return std::nullopt;
    }
    return FirstWriteFailure(run, file->finish(patch));
}

}  // namespace

StopFixups FixUpStoppedRun(RunState& run, RecordingFile* file)
{
    // The receive thread may be writing a packet: the file is touched by one
    // thread at a time.
    StopFixups done;
    done.writeFailure = Patched(run, file, [&](const QString& path, const SimpleIndexBuilder& index) {
        if (!run.liveHeaderFixed && run.isLive() && !run.localFileMode) {
            done.live = FixLiveHeader(path, run, index);
            run.liveHeaderFixed = true;
        }
        if (!run.packetCountFixed && !run.isLive() && run.storedPacketCount > 0 && !run.localFileMode) {
            done.countWritten = FixPacketCount(path, run, index);
            run.packetCountFixed = true;
        }
    });
    return done;
}

CompletedFix FixCompletedRun(RunState& run, RecordingFile& file)
{
    CompletedFix done;
    done.writeFailure = Patched(run, &file, [&](const QString& path, const SimpleIndexBuilder& index) {
        done.countWritten = FixPacketCount(path, run, index);
    });
    run.packetCountFixed = true;
    done.whole = done.countWritten && !run.writeErrorReported;
    return done;
}

}  // namespace tovrin
