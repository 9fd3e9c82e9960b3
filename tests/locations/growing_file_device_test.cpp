#include "locations/growing_file_device.h"
#include "support/core_app.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

namespace {

// A file a test writes to in steps while the device reads it.
struct GrowingFile {
    QTemporaryDir dir;
    QFile writer{dir.filePath(u"rec.asf"_s)};
    GrowingFile()
    {
        test::CoreApp();
        EXPECT_TRUE(writer.open(QIODevice::WriteOnly));
    }
    void append(const QByteArray& bytes)
    {
        writer.write(bytes);
        writer.flush();
    }
};

}  // namespace

TEST(GrowingFileDevice, WaitsAtTheEndUntilTheFileGrowsOrIsComplete)
{
    GrowingFile f;
    f.append("header");
    GrowingFileDevice device(f.writer.fileName());
    ASSERT_TRUE(device.open(QIODevice::ReadOnly));
    EXPECT_TRUE(device.isSequential());
    EXPECT_EQ(device.read(100), QByteArray("header"));

    // At the end of an incomplete file: nothing yet, and not the end.
    EXPECT_EQ(device.read(100), QByteArray());
    EXPECT_FALSE(device.atEnd());
    EXPECT_EQ(device.bytesAvailable(), 0);

    // The file grows: readyRead tells, and the new bytes come.
    QSignalSpy ready(&device, &QIODevice::readyRead);
    f.append("packet");
    ASSERT_TRUE(ready.wait(5000));
    EXPECT_EQ(device.bytesAvailable(), 6);
    EXPECT_EQ(device.read(100), QByteArray("packet"));

    // Complete: what is left is read, then the end is the end.
    QSignalSpy finished(&device, &GrowingFileDevice::finished);
    f.append("tail");
    device.setFileComplete(true);
    EXPECT_FALSE(device.atEnd());
    EXPECT_EQ(device.read(100), QByteArray("tail"));
    EXPECT_TRUE(device.atEnd());
    EXPECT_EQ(device.read(100), QByteArray());
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(finished.size(), 1);
}

TEST(GrowingFileDevice, AFileCompleteFromTheStartEndsWhereItEndsAndAMissingOneDoesNotOpen)
{
    GrowingFile f;
    f.append("whole file");
    GrowingFileDevice device(f.writer.fileName());
    device.setFileComplete(true);
    ASSERT_TRUE(device.open(QIODevice::ReadOnly));
    EXPECT_EQ(device.readAll(), QByteArray("whole file"));
    EXPECT_TRUE(device.atEnd());
    QSignalSpy finished(&device, &GrowingFileDevice::finished);
    EXPECT_TRUE(finished.wait(5000));

    GrowingFileDevice missing(f.dir.filePath(u"none.asf"_s));
    EXPECT_FALSE(missing.open(QIODevice::ReadOnly));
    EXPECT_FALSE(GrowingFileDevice(f.writer.fileName()).open(QIODevice::ReadWrite));
}
