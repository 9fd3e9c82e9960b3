#include "mms/storage_report.h"

#include "support/asf_builder.h"
#include "support/golden.h"
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
    ASSERT_TRUE(ReceiveHeaderBytes(r.t.ctx, r.file, header)) << r.t.shell.messages.join(u'\n').toStdString();
    EXPECT_EQ(r.log, (QStringList{QStringLiteral("- 接收標題..."), QStringLiteral("- 解壓縮標題資料..."),
                                  QStringLiteral("- 資料已解壓縮確定，等候串流中...")}));

    StorageRun resumed(40, 16);
    resumed.run.resume = true;
    StoreAndInspectHeader(resumed.t.ctx, resumed.file, QByteArray(40, 'n'));
    EXPECT_EQ(resumed.log.first(), QStringLiteral("- 沒有儲存 ASF 標題 - 重新開始"));

    StorageRun failed(16, 8);
    ASSERT_EQ(failed.file.open(QStringLiteral("/dev/full"), true), RecordingFile::Opened::Yes);
    EXPECT_FALSE(ReceiveHeaderBytes(failed.t.ctx, failed.file, QByteArray(16, 'h')));
    EXPECT_EQ(failed.t.shell.messages, QStringList{QStringLiteral("不能夠存取本地檔案來寫入標題")});
    EXPECT_EQ(failed.log.last(), QStringLiteral("- ASF header receive error"));
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
