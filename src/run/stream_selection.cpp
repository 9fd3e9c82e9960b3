#include "run/stream_selection.h"

#include <QCoreApplication>

#include <algorithm>

namespace tovrin {

namespace {

QString NumberList(const std::vector<std::uint8_t>& numbers)
{
    QStringList texts;
    for (const std::uint8_t number : numbers)
        texts << QString::number(number);
    return texts.join(QStringLiteral(", "));
}

}  // namespace

StreamSelection SelectStreams(QByteArrayView header, const QString& choiceText, std::uint32_t maxBitRate)
{
    StreamSelection selection;
    const StreamOffer offer = ReadStreamOffer(header);
    std::optional<StreamChoice> choice = ParseStreamChoice(choiceText);
    if (!choice) {
        selection.lines
            << QCoreApplication::translate("Tovrin", "- 無法辨識串流選擇「%1」，錄製全部的串流").arg(choiceText);
        choice = StreamChoice{};
    }
    if (maxBitRate > 0)
        choice->maxBitRate = maxBitRate;
    const ChosenStreams chosen = ChooseStreams(offer, *choice);
    selection.actions = StreamActions(offer, chosen);
    selection.recorded = chosen.recorded;
    selection.recordedList = NumberList(chosen.recorded);
    selection.bitRate = chosen.bitRate;
    selection.excludesStreams = chosen.recorded.size() < offer.streams.size();
    if (!chosen.notOffered.empty())
        selection.lines
            << QCoreApplication::translate("Tovrin", "- 這個串流沒有編號 %1 的串流").arg(NumberList(chosen.notOffered));
    if (chosen.overMaximum)
        selection.lines
            << QCoreApplication::translate("Tovrin", "- 選擇的串流超過最高位元率 %1 kbit/s").arg(maxBitRate / 1000);
    if (selection.excludesStreams)
        selection.lines << QCoreApplication::translate("Tovrin", "- 錄製的串流: %1 (共 %2 kbit/s)，其他的不錄製")
                               .arg(selection.recordedList)
                               .arg(chosen.bitRate / 1000);
    return selection;
}

}  // namespace tovrin
