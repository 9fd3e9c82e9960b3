#pragma once

#include "asf/bitrate_choice.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace tovrin {

// The streams a run asks the server for, as the StreamChoice and MaxBitRate
// settings (or --streams and --max-bitrate) choose among those a header
// offers: every stream with its action, and what the log says of the choice.
struct StreamSelection {
    std::vector<StreamAction> actions;  // every offered stream, on or off
    std::vector<std::uint8_t> recorded;
    QString recordedList;          // "1, 3"
    std::uint64_t bitRate = 0;     // of the recorded streams together, as the header states them
    bool excludesStreams = false;  // a stream the header offers is not received
    QStringList lines;             // for the log: what was chosen, and what could not be
};

// Chooses the streams of `header` for the choice's text ("all", "best",
// "worst" or stream numbers) and maximum (bit/s, 0 for none). A text that
// names no choice records every stream, and says so. Pure.
StreamSelection SelectStreams(QByteArrayView header, const QString& choiceText, std::uint32_t maxBitRate);

}  // namespace tovrin
