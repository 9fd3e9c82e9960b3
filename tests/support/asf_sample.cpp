#include "support/asf_sample.h"

#include "support/asf_builder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUuid>

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

using namespace Qt::StringLiterals;

namespace tovrin::test {

namespace {

QString sampleDir()
{
    // Each build tree keeps its own samples, so a changed recipe is made
    // afresh there and no other tree's files are used.
    const QByteArray binary = qgetenv("TOVRIN_BINARY_DIR");
    const QString dir = (binary.isEmpty() ? QStringLiteral(TOVRIN_TEST_BINARY_DIR) : QString::fromLocal8Bit(binary))
                        + QStringLiteral("/test-samples");
    QDir().mkpath(dir);
    return dir;
}

QStringList ffmpegArgs(Sample sample, const QString& out)
{
    const QStringList common = Args(u"-hide_banner -loglevel error -y");
    const QStringList video = Args(u"-f lavfi -i testsrc=size=320x240:rate=15");
    const QStringList audio = Args(u"-f lavfi -i sine=frequency=440:sample_rate=44100");
    const QStringList asf = Args(u"-f asf") << out;
    switch (sample) {
    case Sample::Wmv:
        return common + video + audio + Args(u"-t 6 -c:v wmv2 -b:v 300k -c:a wmav2 -b:a 64k")
               + QStringList{u"-metadata"_s, u"title=測試影片 Tovrin Clip"_s,
                             u"-metadata"_s, u"author=Tovrin Tests"_s,
                             u"-metadata"_s, u"copyright=(c) 2026 Tovrin"_s,
                             u"-metadata"_s, u"comment=A generated test clip"_s}
               + asf;
    case Sample::Wma:
        return common + audio + Args(u"-t 6 -c:a wmav2 -b:a 64k") + asf;
    case Sample::WmvLong:
        return common + video + audio + Args(u"-t 20 -c:v wmv2 -b:v 300k -c:a wmav2") + asf;
    case Sample::WmaSmallPackets:
        return common + (Args(u"-i") << SamplePath(Sample::Wma)) + Args(u"-c copy -packet_size 200") + asf;
    case Sample::Msmpeg4:
        return common + video + audio + Args(u"-t 4 -c:v msmpeg4 -b:v 200k -c:a wmav2") + asf;
    case Sample::WmvMultiRate:
        // Noise, or the encoder makes every stream's rate alike.
        return common + Args(u"-f lavfi -i testsrc=size=320x240:rate=15,noise=alls=12:allf=t") + audio
               + Args(
                   u"-t 6 -map 0:v -map 0:v -map 0:v -map 1:a -c:v wmv2 -b:v:0 600k -b:v:1 250k -b:v:2 100k "
                   u"-c:a wmav2 -b:a 64k")
               + asf;
    case Sample::WmvLarge:
        return common + Args(u"-f lavfi -i testsrc=size=640x480:rate=15,noise=alls=100:allf=t -t 4 -c:v wmv2 -q:v 2")
               + asf;
    }
    return {};
}

QString sampleName(Sample sample)
{
    // In the order of the enum.
    const char* const names[] = {"sample.wmv",      "sample.wma",     "sample-msmpeg4.asf", "sample-long.wmv",
                                 "packets-200.wma", "multi-rate.wmv", "large.wmv"};
    return QString::fromLatin1(names[int(sample)]);
}

std::uint64_t le(const QByteArray& b, qsizetype at, int width)
{
    std::uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | std::uint8_t(b[at + i]);
    return v;
}

}  // namespace

QString SamplePath(Sample sample)
{
    const QString path = sampleDir() + QLatin1Char('/') + sampleName(sample);
    if (QFileInfo(path).size() > 0)
        return path;
    // Written under a unique name and renamed, so parallel test processes never
    // see a half-written sample.
    const QString temp = path + QStringLiteral(".%1.tmp").arg(QUuid::createUuid().toString(QUuid::Id128));
    const bool multiRate = sample == Sample::WmvMultiRate;
    const int rc = RunProgram(QStringLiteral("ffmpeg"), ffmpegArgs(sample, multiRate ? temp + u".raw"_s : temp));
    EXPECT_EQ(rc, 0) << "ffmpeg could not make " << path.toStdString();
    // ffmpeg's streams, then the mutual exclusion and the measured bit rates.
    EXPECT_TRUE(!multiRate
                || (RunProgram(QStringLiteral(TOVRIN_MAKE_MULTI_RATE), {temp + u".raw"_s, temp}) == 0
                    && QFile::remove(temp + u".raw"_s)));
    // rename(2) replaces atomically: a process that made the same sample first
    // is replaced by an equal file, and no reader ever sees part of one.
    // (QFile::rename refuses an existing target and may fall back to copying.)
    std::error_code error;
    std::filesystem::rename(temp.toStdString(), path.toStdString(), error);
    if (error)
        QFile::remove(temp);
    return path;
}

QStringList Args(QStringView words)
{
    return words.toString().split(u' ', Qt::SkipEmptyParts);
}

int StopProcess(QProcess& process, int timeoutMs)
{
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished(5000);
            return -1;
        }
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

int RunProgram(const QString& program, const QStringList& args, QByteArray* out, int timeoutMs)
{
    QProcess process;
    process.setProcessChannelMode(out ? QProcess::SeparateChannels : QProcess::ForwardedErrorChannel);
    process.start(program, args);
    if (!process.waitForStarted(10000))
        return -1;
    if (!process.waitForFinished(timeoutMs))
        return StopProcess(process, 0), -1;
    if (out)
        *out = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QByteArray ReadWholeFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QFileDevice::Permissions permissions)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return file.setPermissions(permissions);
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    EXPECT_TRUE(WriteWholeFile(dir.filePath(name), bytes)) << name.toStdString();
    return dir.filePath(name);
}

qsizetype FilePropertiesAt(const QByteArray& header)
{
    return header.size() < 24 ? -1 : header.lastIndexOf(asf::kFilePropertiesGuid, qsizetype(le(header, 16, 8)));
}

std::uint64_t FilePropertiesField(const QByteArray& header, int offset, int width)
{
    const qsizetype at = FilePropertiesAt(header);
    return at < 0 || at + offset + width > header.size() ? ~0ull : le(header, at + offset, width);
}

QByteArray ServedBytes(const QString& path)
{
    const AsfParts parts = ReadAsf(path);
    QByteArray bytes = parts.header;
    for (const QByteArray& packet : parts.packets)
        bytes += packet;
    return bytes;
}

AsfParts ReadAsf(const QString& path)
{
    AsfParts parts;
    const QByteArray bytes = ReadWholeFile(path);
    if (bytes.size() < 30)
        return parts;
    const auto headerSize = qsizetype(le(bytes, 16, 8));
    const qsizetype fpo = FilePropertiesAt(bytes);
    const qsizetype data = bytes.indexOf(asf::kDataGuid, headerSize - 1);
    if (fpo < 0 || fpo + 96 > bytes.size() || data != headerSize || bytes.size() < data + 50)
        return parts;
    parts.packetSize = std::uint32_t(le(bytes, fpo + 92, 4));
    if (parts.packetSize == 0)
        return parts;  // no packets can be cut from the data
    const auto packetCount = le(bytes, data + 40, 8);
    parts.header = bytes.first(data + 50);
    qsizetype at = data + 50;
    for (std::uint64_t i = 0; i < packetCount && at + parts.packetSize <= bytes.size(); ++i) {
        parts.packets.push_back(bytes.mid(at, parts.packetSize));
        at += parts.packetSize;
    }
    parts.tail = bytes.mid(at);
    return parts;
}

}  // namespace tovrin::test
