#pragma once

#include "asf/recording_file.h"
#include "support/asf_sample.h"
#include "support/temp_settings.h"

#include <gtest/gtest.h>

namespace tovrin::test {

// A run writing a fresh save file in the test folder, with the header length
// and packet size the server announced.
struct StorageRun {
    StorageRun(std::uint32_t headerLength, std::uint32_t packetSize)
    {
        run.headerLength = headerLength;
        run.packetSize = packetSize;
        t.session.savePath = t.dir.filePath(QStringLiteral("save.asf"));
        EXPECT_EQ(file.open(t.session.savePath, false), RecordingFile::Opened::Yes);
    }
    // The file as it stands with everything stored written out.
    QByteArray contents()
    {
        (void)file.flush();
        return ReadWholeFile(t.session.savePath);
    }

    TestContext t;
    RunState& run = t.run;
    RecordingFile file;
    QStringList& log = t.shell.log;
};

}  // namespace tovrin::test
