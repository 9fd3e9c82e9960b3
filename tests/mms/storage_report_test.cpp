#include "mms/storage_report.h"

#include "support/asf_builder.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/storage_run.h"

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::StorageRun;
namespace asf = tovrin::test::asf;

TEST(StorageReport, HeaderStorageIsToldStepByStep)
{
    const asf::FileProperties props{.packetSize = 16};
    const QByteArray header = asf::Header({asf::FilePropertiesObject(props), asf::StreamPropertiesObject(1)}, 0, 300);
    StorageRun r(std::uint32_t(header.size()), 16);
    // Each step's answer, then its log; the failed one's shell calls.
    QStringList lines{test::Line{ReceiveHeaderBytes(r.t.ctx, r.file, header)}};
    lines << r.log;

    StorageRun resumed(40, 16);
    resumed.run.resume = true;
    lines << test::Line{StoreAndInspectHeader(resumed.t.ctx, resumed.file, QByteArray(40, 'n'))} << resumed.log;

    StorageRun failed(16, 8);
    ASSERT_EQ(failed.file.open(QStringLiteral("/dev/full"), true), RecordingFile::Opened::Yes);
    lines << test::Line{ReceiveHeaderBytes(failed.t.ctx, failed.file, QByteArray(16, 'h'))} << failed.t.shell.calls;
    EXPECT_GOLDEN("mms/header_storage_steps", lines);
}

TEST(StorageReport, EveryFactOfAStoredPacketHasItsLine)
{
    test::FakeShell shell;
    TellStoredPacket(shell, {});
    EXPECT_TRUE(shell.log.isEmpty());
    TellStoredPacket(shell, {.earlyDropped = true,
                             .missingTimecode = true,
                             .rebaseFault = RebaseFault{RebaseFault::Kind::UnknownSegmentFlags, 0x64},
                             .truncated = true,
                             .writeFailure = QStringLiteral("No space left on device")});
    EXPECT_GOLDEN("mms/stored_packet_lines", shell.log);
}
