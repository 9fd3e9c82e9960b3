#pragma once

#include "asf/header_facts.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <vector>

namespace tovrin {

// One stream an ASF header offers, with what a choice among streams weighs.
struct OfferedStream {
    std::uint8_t number = 0;  // 1-127
    StreamKind kind = StreamKind::Other;
    // bit/s: the Stream Bitrate Properties' average, else the Extended Stream
    // Properties' data rate, else an audio format's bytes per second; 0 when
    // the header does not say.
    std::uint32_t bitRate = 0;
    int group = -1;  // index into StreamOffer::groups; -1: the stream is in none
    bool operator==(const OfferedStream&) const = default;
};

// The streams of a header and its mutual exclusions: of the streams of one
// group a player receives one at a time (the same picture at several bit
// rates, or the same sound in several languages).
struct StreamOffer {
    std::vector<OfferedStream> streams;             // header order: the Header Object's, then its extension's
    std::vector<std::vector<std::uint8_t>> groups;  // stream numbers, each group of two or more offered streams
};

// Reads the Stream Properties Objects (also those inside Extended Stream
// Properties), the Stream Bitrate Properties Object, and the Bitrate and
// Advanced Mutual Exclusion Objects of a header (the Header Object, with or
// without the Data Object's start behind it). Every value is read within its
// object; a damaged object ends the reading of its level there. A stream
// number met twice counts once, and a stream named by two groups stays in the
// first. Nothing is offered when `header` does not start with a Header Object.
StreamOffer ReadStreamOffer(QByteArrayView header);

enum class StreamChoiceMode {
    All,     // every stream
    Best,    // of each group the stream of the highest bit rate, within the maximum
    Worst,   // of each group the stream of the lowest bit rate
    Listed,  // the streams listed, and no other
};

struct StreamChoice {
    StreamChoiceMode mode = StreamChoiceMode::All;
    std::vector<std::uint8_t> listed;  // Listed: stream numbers, in the order given
    // bit/s for all the streams recorded together. With All it makes the
    // choice Best: a maximum asks for one stream of each group.
    std::optional<std::uint32_t> maxBitRate;
    bool operator==(const StreamChoice&) const = default;
};

// The choice an option's text names: "all", "best" or "worst" (in any case),
// or stream numbers 1-127 separated by commas ("1,3"; blanks around them
// allowed, a number given twice counts once). Nothing for any other text.
// The maximum is left unset.
std::optional<StreamChoice> ParseStreamChoice(QStringView text);

struct ChosenStreams {
    std::vector<std::uint8_t> recorded;  // in header order
    std::uint64_t bitRate = 0;           // the recorded streams' bit rates added up
    // A maximum was given and the recorded streams exceed it: the streams
    // without a group alone do, or a group's lowest bit rate did not fit.
    bool overMaximum = false;
    std::vector<std::uint8_t> notOffered;  // Listed: numbers the header offers no stream for
};

// The streams to record. A stream without a group is always recorded, except
// with Listed, which records exactly the listed streams the header offers.
// Best and Worst take one stream of each group: Worst the lowest bit rate,
// Best the highest that keeps the total within the maximum (after the streams
// without a group, groups in header order), or without one the highest; when
// none fits, the group's lowest. Equal bit rates go to the first in header order.
ChosenStreams ChooseStreams(const StreamOffer& offer, const StreamChoice& choice);

// What a client asks of the server for each offered stream, in header order:
// the stream selection command's (0x33) and the stream-switch-entry pragma's
// thinning, 0 to receive the stream and 2 not to.
struct StreamAction {
    std::uint8_t stream = 0;
    std::uint16_t action = 0;
    bool operator==(const StreamAction&) const = default;
};
inline constexpr std::uint16_t kStreamOn = 0;
inline constexpr std::uint16_t kStreamOff = 2;
std::vector<StreamAction> StreamActions(const StreamOffer& offer, const ChosenStreams& chosen);

// The stream-switch-entry pragma's value for MMS over HTTP: "ffff:1:0 ffff:2:2",
// stream numbers and actions in hexadecimal.
QByteArray StreamSwitchEntry(const std::vector<StreamAction>& actions);

}  // namespace tovrin
