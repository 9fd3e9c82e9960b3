#include "locations/growing_file_device.h"
#include "support/core_app.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

// The device reads a file a test writes to in steps: at its end it waits
// until the file grows or is complete.
TEST(GrowingFileDevice, WaitsAtTheEndUntilTheFileGrowsOrIsComplete)
{
    test::CoreApp();
    QTemporaryDir dir;
    QFile writer(dir.filePath(u"rec.asf"_s));
    ASSERT_TRUE(writer.open(QIODevice::WriteOnly));
    const auto append = [&](const QByteArray& bytes) { writer.write(bytes), writer.flush(); };
    append("header");
    GrowingFileDevice device(writer.fileName());
    ASSERT_TRUE(device.open(QIODevice::ReadOnly));
    EXPECT_TRUE(device.isSequential());
    EXPECT_EQ(device.read(100), QByteArray("header"));

    // At the end of an incomplete file: nothing yet, and not the end.
    EXPECT_EQ(device.read(100), QByteArray());
    EXPECT_FALSE(device.atEnd());
    EXPECT_EQ(device.bytesAvailable(), 0);

    // The file grows: readyRead tells, and the new bytes come.
    QSignalSpy ready(&device, &QIODevice::readyRead);
    append("packet");
    ASSERT_TRUE(ready.wait(5000));
    EXPECT_EQ(device.bytesAvailable(), 6);
    EXPECT_EQ(device.read(100), QByteArray("packet"));

    // Complete: what is left is read, then the end is the end.
    QSignalSpy finished(&device, &GrowingFileDevice::finished);
    append("tail");
    device.setFileComplete(true);
    EXPECT_FALSE(device.atEnd());
    EXPECT_EQ(device.read(100), QByteArray("tail"));
    EXPECT_TRUE(device.atEnd());
    EXPECT_EQ(device.read(100), QByteArray());
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(finished.size(), 1);

    // A file complete from the start ends where it ends; a missing one, or
    // one asked for writing, does not open.
    GrowingFileDevice whole(writer.fileName());
    whole.setFileComplete(true);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    EXPECT_EQ(whole.readAll(), QByteArray("headerpackettail"));
    EXPECT_TRUE(whole.atEnd());
    QSignalSpy wholeFinished(&whole, &GrowingFileDevice::finished);
    EXPECT_TRUE(wholeFinished.wait(5000));
    EXPECT_FALSE(GrowingFileDevice(dir.filePath(u"none.asf"_s)).open(QIODevice::ReadOnly));
    EXPECT_FALSE(GrowingFileDevice(writer.fileName()).open(QIODevice::ReadWrite));
}
