#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

namespace tovrin::test {

// Sample media made by ffmpeg at test time, once per build tree.
enum class Sample {
    Wmv,              // wmv2 + wmav2, 320x240, 6 s, with title/author/copyright/comment (Chinese title)
    Wma,              // wmav2 audio only, 6 s
    Msmpeg4,          // msmpeg4 video + wmav2 audio in .asf, 4 s
    WmvLong,          // wmv2 + wmav2, 320x240, 20 s: long enough to watch while it is recorded
    WmaSmallPackets,  // the Wma sample in 200-byte packets: its header takes several
    // Multi-bit-rate: video streams 1-3 (one picture in wmv2 at falling bit rates, about 740,
    // 410 and 220 kbit/s, mutually exclusive), audio stream 4 (wmav2, 64 kbit/s), 6 s; made
    // from ffmpeg's output by tovrin-make-multi-rate
    WmvMultiRate,
    WmvLarge,  // wmv2 of noise at high quality, 640x480, 4 s: about 20 MB, more than a listener holds
};
// Path of the sample, generated on first use; fails the test when ffmpeg does.
QString SamplePath(Sample sample);

// An ASF file cut into its parts, read with an independent minimal parser.
struct AsfParts {
    QByteArray header;             // Header Object plus the 50-byte Data Object header
    std::uint32_t packetSize = 0;  // File Properties minimum data packet size
    std::vector<QByteArray> packets;
    QByteArray tail;  // whatever follows the data packets (index objects)
};
AsfParts ReadAsf(const QString& path);
// What a client reads of an on-demand file: its header and its data packets.
QByteArray ServedBytes(const QString& path);

// Where the File Properties Object starts: the last copy of its GUID in the
// Header Object, as a look-alike that a header value holds comes before it in
// every header a test serves; -1 when there is none.
qsizetype FilePropertiesAt(const QByteArray& header);
// A field of the header's File Properties Object, `width` bytes at `offset`
// from the object's start (56: the packet count); all ones when there is none.
std::uint64_t FilePropertiesField(const QByteArray& header, int offset, int width = 8);

QByteArray ReadWholeFile(const QString& path);
// Writes `bytes` as the whole file at `path`, then gives it `permissions`;
// true when all of it went.
bool WriteWholeFile(const QString& path, const QByteArray& bytes,
                    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner);
// The same as the file `name` in `dir`, failing the test when it cannot; its path.
QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes);

// Words separated by blanks, as on a command line: Args(u"--rate 0").
QStringList Args(QStringView words);

// Stops a program with SIGTERM, killing it when it does not end within
// `timeoutMs`; its exit code, or -1 when it crashed or had to be killed.
int StopProcess(QProcess& process, int timeoutMs = 5000);

// Runs a program to completion (at most timeoutMs); answers its exit code, -1
// when it could not start or timed out. stdout goes to *out when given.
int RunProgram(const QString& program, const QStringList& args, QByteArray* out = nullptr, int timeoutMs = 120000);

}  // namespace tovrin::test
