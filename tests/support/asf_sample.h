#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <cstdint>
#include <vector>

namespace tovrin::test {

// Sample media made by ffmpeg at test time, once per build tree.
enum class Sample {
    Wmv,      // wmv2 + wmav2, 320x240, 6 s, with title/author/copyright/comment (Chinese title)
    Wma,      // wmav2 audio only, 6 s
    Msmpeg4,  // msmpeg4 video + wmav2 audio in .asf, 4 s
    WmvLong,  // wmv2 + wmav2, 320x240, 20 s: long enough to watch while it is recorded
};
// Path of the sample, generated on first use; fails the test when ffmpeg does.
QString SamplePath(Sample sample);
// The title written into Sample::Wmv.
QString SampleTitle();

// An ASF file cut into its parts, read with an independent minimal parser.
struct AsfParts {
    QByteArray header;             // Header Object plus the 50-byte Data Object header
    std::uint32_t packetSize = 0;  // File Properties minimum data packet size
    std::vector<QByteArray> packets;
    QByteArray tail;               // whatever follows the data packets (index objects)
};
AsfParts ReadAsf(const QString& path);

QByteArray ReadWholeFile(const QString& path);
// Writes `bytes` as the whole file at `path`, then gives it `permissions`;
// true when all of it went.
bool WriteWholeFile(const QString& path, const QByteArray& bytes, QFileDevice::Permissions permissions);

// Runs a program to completion (at most timeoutMs); answers its exit code, -1
// when it could not start or timed out. stdout goes to *out when given.
int RunProgram(const QString& program, const QStringList& args, QByteArray* out = nullptr,
               int timeoutMs = 120000);

}  // namespace tovrin::test
