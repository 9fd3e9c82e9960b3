#include "cli/check_command.h"

#include "asf/recording_check.h"
#include "cli/usage.h"
#include "state/format_time.h"

#include <QCommandLineParser>

namespace tovrin {

namespace {

QString Ranges(const RecordingCheck::Slots& runs)
{
    QStringList parts;
    for (const RecordingCheck::Range& range : runs.ranges)
        parts << (range.first == range.last ? QString::number(range.first)
                                            : QStringLiteral("%1-%2").arg(range.first).arg(range.last));
    if (runs.ranges.size() == RecordingCheck::kMaxRanges)
        parts << QStringLiteral("...");
    return QStringLiteral("%1 (%2)").arg(runs.count).arg(parts.join(QStringLiteral(", ")));
}

QString Report(const QString& path, const RecordingCheck& c)
{
    if (c.unreadable)
        return QStringLiteral("%1: cannot be checked: %2\n").arg(path, *c.unreadable);
    QStringList lines{
        QStringLiteral("%1: %2").arg(path, c.whole() ? QStringLiteral("whole") : QStringLiteral("NOT whole"))};
    lines << QStringLiteral("  packets: %1 stated, %2 present, %3 bytes each")
                 .arg(c.statedPackets)
                 .arg(c.present)
                 .arg(c.packetSize);
    if (c.missing.count > 0)
        lines << QStringLiteral("  missing: ") + Ranges(c.missing);
    if (c.damaged.count > 0)
        lines << QStringLiteral("  damaged: ") + Ranges(c.damaged);
    if (c.firstSendTime)
        lines << QStringLiteral("  media time: %1 to %2")
                     .arg(FormatTime(*c.firstSendTime), FormatTime(c.lastSendTime.value_or(0)));
    if (c.cutShort())
        lines << QStringLiteral("  cut short: %1 s of %2 s")
                     .arg(qRound64(double(c.reachedMs) / 1000))
                     .arg(qRound64(double(c.statedMediaMs()) / 1000));
    switch (c.index) {
    case RecordingCheck::Index::Absent:
        lines << QStringLiteral("  index: none");
        break;
    case RecordingCheck::Index::Agrees:
        lines << QStringLiteral("  index: agrees with the packets");
        break;
    case RecordingCheck::Index::Disagrees:
        lines << QStringLiteral("  index: DISAGREES with the packets");
        break;
    }
    lines << QStringLiteral("  sizes: file %1 bytes, header states %2; Data Object %3 bytes, %4 packets%5")
                 .arg(c.fileSize)
                 .arg(c.statedFileSize)
                 .arg(c.dataObjectSize)
                 .arg(c.dataObjectPackets)
                 .arg(c.sizesAgree() ? QString() : QStringLiteral(" (DO NOT AGREE)"));
    if (c.trailingBytes > 0)
        lines << QStringLiteral("  %1 bytes behind the packets are no index").arg(c.trailingBytes);
    if (c.broadcast)
        lines << QStringLiteral("  the header still marks a broadcast: the recording was never ended");
    return lines.join(u'\n') + u'\n';
}

}  // namespace

int RunCheckCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Checks that recordings are whole."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("repair"),
                      QStringLiteral("first end a file a killed recording left unfinished: counts, sizes and index")});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("the recordings to check"),
                                 QStringLiteral("FILE..."));
    if (!parser.parse(arguments))
        return ReportUsageError("check", parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        PrintOut(parser.helpText());
        return 0;
    }
    const QStringList files = parser.positionalArguments().mid(1);
    if (files.isEmpty())
        return ReportUsageError("check", QStringLiteral("no FILE given"));
    bool allWhole = true;
    for (const QString& path : files) {
        if (parser.isSet(QStringLiteral("repair"))) {
            const RepairOutcome repaired = RepairRecording(path);
            if (repaired.failure)
                PrintOut(QStringLiteral("%1: not repaired: %2\n").arg(path, *repaired.failure));
            else if (repaired.changes.isEmpty())
                PrintOut(QStringLiteral("%1: nothing to repair\n").arg(path));
            for (const QString& change : repaired.changes)
                PrintOut(QStringLiteral("%1: repaired %2\n").arg(path, change));
        }
        const RecordingCheck check = CheckRecording(path);
        allWhole = allWhole && check.whole();
        PrintOut(Report(path, check));
    }
    return allWhole ? 0 : 1;
}

}  // namespace tovrin
