#include "mms-server/asf_file.h"

#include "asf/byte_helpers.h"
#include "support/asf_sample.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tovrin::mmsserver {
namespace {

TEST(AsfFile, DamagedFilesFailWithAMessageAndACutFileServesOnlyItsWholePackets)
{
    QTemporaryDir dir;
    const QByteArray good = test::ReadWholeFile(test::SamplePath(test::Sample::Wma));
    const auto parts = test::ReadAsf(test::SamplePath(test::Sample::Wma));
    const qsizetype fpo = good.indexOf(QByteArray::fromHex("A1DCAB8C47A9CF118EE400C00C205365"));
    ASSERT_GT(fpo, 0);

    // The sample with `size` bytes at `at` set to `value`.
    const auto patched = [&](qsizetype at, quint64 value, int size) {
        QByteArray bytes = good;
        PutLE(bytes, at, value, size);
        return bytes;
    };
    const std::pair<const char*, QByteArray> cases[] = {
        {"empty", QByteArray()},
        {"text", QByteArray("this is not a media file at all, just words")},
        {"header size past the end", patched(16, 0x7FFFFFFFFFFFull, 8)},
        {"header cut", good.first(parts.header.size() - 60)},
        {"minimum and maximum packet size 0", patched(fpo + 92, 0, 8)},
        {"unequal packet sizes", patched(fpo + 96, 5000, 4)},
        {"first header child claims 3 bytes", patched(30 + 16, 3, 8)},
        {"no data packets", parts.header},
    };
    for (const auto& [name, bytes] : cases) {
        QString error;
        EXPECT_FALSE(AsfFile::open(test::WriteFile(dir, QStringLiteral("case.asf"), bytes), &error)) << name;
        EXPECT_FALSE(error.isEmpty()) << name;
    }
    QString error;
    EXPECT_FALSE(AsfFile::open(dir.filePath(QStringLiteral("missing.asf")), &error));
    EXPECT_TRUE(error.contains(QLatin1String("missing.asf")));

    // A cut file serves only its whole packets.
    const qsizetype cut = parts.header.size() + 3 * qsizetype(parts.packetSize) + 100;
    auto file = AsfFile::open(test::WriteFile(dir, QStringLiteral("cut.wma"), good.first(cut)), &error);
    ASSERT_TRUE(file) << error.toStdString();
    EXPECT_EQ(file->packetCount(), 3u);
    EXPECT_EQ(file->packet(2), parts.packets[2]);
    EXPECT_FALSE(file->packet(3));
}

}  // namespace
}  // namespace tovrin::mmsserver
