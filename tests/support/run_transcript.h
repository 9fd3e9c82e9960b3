#pragma once

#include "support/asf_sample.h"
#include "support/cli_runner.h"
#include "support/recording_checks.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <iterator>

namespace tovrin::test {

// A run's log with what differs from run to run masked: `folder` (the
// workspace) becomes WS, every port PORT and the connection's clock time and
// date TIME, so the rest can be compared with a golden transcript. Two
// lines have no fixed place, and go last: the connection closing (another
// thread's) and the header-follows reply (over UDP the header's datagrams
// come on another socket).
inline QStringList StableLog(const QString& log, const QString& folder = {})
{
    QString text = log;
    if (!folder.isEmpty())
        text.replace(folder, QStringLiteral("WS"));
    static const QRegularExpression ports(QStringLiteral("(127\\.0\\.0\\.1:|埠號\\s*|-port )\\d+"));
    static const QRegularExpression clock(QStringLiteral("\\d\\d:\\d\\d:\\d\\d  日期: .*"));
    text.replace(ports, QStringLiteral("\\1PORT")).replace(clock, QStringLiteral("TIME"));
    QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    const auto unordered = [](const QString& line) {
        return line.startsWith(QStringLiteral("關閉連接")) || line.endsWith(QStringLiteral("新進的標題"));
    };
    QStringList last;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(last), unordered);
    lines.removeIf(unordered);
    return lines + last;
}

// The test server's log lines holding `what`, without the time and the
// client's address, and with `folder` as WS.
inline QStringList ServerLines(const QString& log, const QString& what, const QString& folder = {})
{
    static const QRegularExpression prefix(QStringLiteral("^\\S+ (session|http) \\d+ [\\d.:]+: "));
    QStringList lines = log.split(u'\n').filter(what);
    for (QString& line : lines)
        line = QStringLiteral("server: ") + line.remove(prefix);
    return folder.isEmpty() ? lines : lines.replaceInStrings(folder, QStringLiteral("WS"));
}

// What a recording of `source` holds, one fact a line, counted in the
// source's own terms so the figures do not depend on the sample's encoder:
// its size as the header and slots of `slotSize` bytes (0: the packet size)
// after `headerLength` bytes (0: the source's header), how many slots from
// the first hold the source's packets in order (zero-padded), and the
// packet count its header states.
inline QStringList RecordingFacts(const QString& recording, const AsfParts& source, qsizetype slotSize = 0,
                                  qsizetype headerLength = 0)
{
    const QByteArray bytes = ReadWholeFile(recording);
    const qsizetype width = slotSize > 0 ? slotSize : qsizetype(source.packetSize);
    const qsizetype start = headerLength > 0 ? headerLength : source.header.size();
    const auto packets = [&](std::uint64_t n) {
        return n == source.packets.size() ? QStringLiteral("every packet") : QString::number(n);
    };
    if (!QFileInfo::exists(recording) || bytes.isEmpty())
        return {QFileInfo::exists(recording) ? QStringLiteral("empty file") : QStringLiteral("no file")};
    if (bytes.size() < start)
        return {QStringLiteral("%1 bytes, %2 the header's start")
                    .arg(bytes.size())
                    .arg(source.header.startsWith(bytes) ? QStringLiteral("all") : QStringLiteral("not"))};
    std::size_t held = 0;
    for (; !source.packets.empty(); ++held) {
        const QByteArray& packet = source.packets[held % source.packets.size()];
        const QByteArray slot = bytes.mid(start + qsizetype(held) * width, width);
        if (slot.size() != width || slot != packet + QByteArray(width - packet.size(), '\0'))
            break;
    }
    const qsizetype rest = (bytes.size() - start) % width;
    const std::uint64_t stated = FilePropertiesField(bytes, 56);
    const std::uint64_t stored = (bytes.size() - start) / width;
    return {QStringLiteral("size: header + %1%2")
                .arg(stored == source.packets.size() ? QStringLiteral("a slot for every packet")
                                                     : QStringLiteral("%1 slots").arg(stored),
                     rest ? QStringLiteral(" + %1 bytes").arg(rest) : QString()),
            QStringLiteral("source packets in their slots: ") + packets(held),
            QStringLiteral("stated count: ") + (stated == ~0ull ? QStringLiteral("none") : packets(stated))};
}

// A tovrin-cli run as a transcript: its exit code, what `recording` holds
// (as RecordingFacts tells), `more` lines and its stable log. The recording
// of a run that says it completed is whole as `tovrin-cli check` tells.
inline QStringList CliTranscript(const CliOutcome& cli, const QString& recording, const AsfParts& source,
                                 const QString& folder, const QStringList& more = {}, qsizetype slotSize = 0,
                                 qsizetype headerLength = 0)
{
    if (cli.err.contains(QStringLiteral("- ******* 下載完成 *******")))
        ExpectCheckSaysWhole(recording);
    return QStringList{QStringLiteral("exit %1").arg(cli.exitCode)}
           + RecordingFacts(recording, source, slotSize, headerLength) + more + StableLog(cli.err, folder);
}

}  // namespace tovrin::test
