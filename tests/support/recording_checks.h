#pragma once

#include "support/asf_sample.h"
#include "support/cli_runner.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace tovrin::test {

// `tovrin-cli record URL -o OUT` with a connect timeout, and `extra`.
CliLaunch RecordLaunch(const QString& url, const QString& out, const QString& configHome,
                       const QStringList& extra = {});

// A recording of an on-demand file is the source's header (but for the File
// Size, which counts the recording's own index) and packets slot for slot,
// it is sized and indexed as ExpectSizedAndIndexed says, and ffprobe reads
// the same duration and streams.
void ExpectSameAsSource(const QString& recording, const QString& source);

// The first `count` slots of the recording hold the source's packets byte for
// byte, packet i of the source in slot i (modulo the source's packet count,
// for a server that loops), zero-padded when slots are wider than packets.
// slotSize 0: the source's packet size; headerLength 0: the source's header's.
void ExpectSlotsHoldTheSourcePackets(const QString& recording, const AsfParts& source, std::size_t count,
                                     qsizetype slotSize = 0, qsizetype headerLength = 0);

// The header's File Size is the file's size; the Data Object holds 50 bytes
// and its stated packets, as many as the File Properties state; a Simple
// Index Object follows it whose entries cover the play duration, never go
// back, and each name a packet of the file sent at or before the entry's
// time; ffmpeg decodes the file without an error; `tovrin-cli check` calls
// it whole (not whole when it holds only the start of its stream, `cutShort`).
void ExpectSizedAndIndexed(const QString& recording, bool cutShort = false);

// `tovrin-cli check` calls the recording whole (not whole, with `whole` false).
void ExpectCheckSaysWhole(const QString& recording, bool whole = true);

// The data packet count the recording's File Properties Object states.
std::uint64_t StatedPacketCount(const QString& recording);

// Peak memory under 64 MB, by the kernel's own accounting of the CLI process.
// Prints the figure. Meaningless under AddressSanitizer, and not checked there.
void ExpectBoundedMemory(const CliOutcome& outcome, const QString& what);

// The CLI ended by itself, in time, not killed by a signal.
void ExpectEndedByItself(const CliOutcome& outcome, const QString& what);

// A loopback port that nothing listens on.
quint16 ClosedPort();

}  // namespace tovrin::test
