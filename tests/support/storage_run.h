#pragma once

#include "asf/slot_writer.h"
#include "support/asf_sample.h"
#include "support/temp_settings.h"

#include <QFile>

#include <gtest/gtest.h>

#include <mutex>

namespace tovrin::test {

// A run writing a fresh save file in the test folder, with the header length
// and packet size the server announced.
struct StorageRun {
    StorageRun(std::uint32_t headerLength, std::uint32_t packetSize)
    {
        run.headerLength = headerLength;
        run.packetSize = packetSize;
        run.savePath = t.dir.filePath(QStringLiteral("save.asf"));
        run.saveFile = std::make_unique<QFile>(run.savePath);
        EXPECT_TRUE(run.saveFile->open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    }
    // Writes out the packets still batched for the file.
    void flush()
    {
        std::lock_guard lock(run.saveFileLock);
        FlushSlots(run);
    }
    // The file as it stands with everything stored written out.
    QByteArray contents()
    {
        flush();
        return ReadWholeFile(run.savePath);
    }

    TestContext t;
    RunState& run = t.run;
    QStringList& log = t.shell.log;
};

}  // namespace tovrin::test
