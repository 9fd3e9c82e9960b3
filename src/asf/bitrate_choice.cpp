#include "asf/bitrate_choice.h"

#include "asf/byte_helpers.h"

#include <QString>

#include <algorithm>
#include <functional>
#include <limits>
#include <map>

namespace tovrin {

namespace {

// Whole GUIDs, in file byte order.
const QByteArray kHeaderObjectGuid = QByteArray::fromHex("3026B2758E66CF11A6D900AA0062CE6C");
const QByteArray kStreamPropertiesGuid = QByteArray::fromHex("9107DCB7B7A9CF118EE600C00C205365");
const QByteArray kStreamBitrateGuid = QByteArray::fromHex("CE75F87B8D46D1118D82006097C9A2B2");
const QByteArray kBitrateExclusionGuid = QByteArray::fromHex("DC29E2D6DA35D111903400A0C90349BE");
const QByteArray kHeaderExtensionGuid = QByteArray::fromHex("B503BF5F2EA9CF118EE300C00C205365");
const QByteArray kExtendedStreamGuid = QByteArray::fromHex("CBA5E61472C632438399A96952065B5A");
const QByteArray kAdvancedExclusionGuid = QByteArray::fromHex("CF4986A0754770468A166E35357566CD");
const QByteArray kAudioMediaGuid = QByteArray::fromHex("409E69F84D5BCF11A8FD00805F5C442B");
const QByteArray kVideoMediaGuid = QByteArray::fromHex("C0EF19BC4D5BCF11A8FD00805F5C442B");

constexpr qsizetype kObjectFixed = 24;         // GUID and size
constexpr qsizetype kHeaderObjectFixed = 30;   // and the object count and two reserved bytes
constexpr qsizetype kExtensionDataAt = 46;     // Header Extension: reserved GUID and word, data size
constexpr qsizetype kStreamNumberAt = 72;      // Stream Properties: flags, the number in their low 7 bits
constexpr qsizetype kTypeDataAt = 78;          // Stream Properties: the type-specific data
constexpr qsizetype kAudioBytesPerSecond = 8;  // within an audio stream's WAVEFORMATEX
constexpr qsizetype kExtendedRateAt = 40;      // Extended Stream Properties: data bit rate
constexpr qsizetype kExtendedNumberAt = 72;
constexpr qsizetype kExtendedCountsAt = 84;  // stream name count, payload extension system count
constexpr int kMaxStreamNumber = 127;

bool isObject(QByteArrayView object, const QByteArray& guid)
{
    return object.size() >= kObjectFixed && object.first(16) == QByteArrayView(guid);
}

// Calls `visit` with each whole object in bytes [from, end), by their sizes,
// up to the first whose size does not fit.
void forEachObject(QByteArrayView bytes, qsizetype from, qsizetype end,
                   const std::function<void(QByteArrayView)>& visit)
{
    end = std::min(end, bytes.size());
    for (qsizetype at = from; at + kObjectFixed <= end;) {
        const std::uint64_t size = LE64At(bytes, at + 16).value_or(0);
        if (size < std::uint64_t(kObjectFixed) || size > std::uint64_t(end - at))
            return;
        visit(bytes.sliced(at, qsizetype(size)));
        at += qsizetype(size);
    }
}

// What the objects say, before the streams and groups are put together.
struct Reading {
    std::vector<OfferedStream> streams;
    std::map<std::uint8_t, std::uint32_t> averageRates;   // Stream Bitrate Properties
    std::map<std::uint8_t, std::uint32_t> extendedRates;  // Extended Stream Properties
    std::vector<std::vector<std::uint16_t>> exclusions;
};

void readStreamProperties(QByteArrayView object, Reading& reading)
{
    const auto number = LE16At(object, kStreamNumberAt);
    if (!number || (*number & 0x7F) == 0)
        return;
    OfferedStream stream;
    stream.number = std::uint8_t(*number & 0x7F);
    for (const OfferedStream& known : reading.streams) {
        if (known.number == stream.number)
            return;
    }
    const QByteArrayView type =
        object.sliced(kObjectFixed).first(std::min<qsizetype>(16, object.size() - kObjectFixed));
    if (type == QByteArrayView(kAudioMediaGuid)) {
        stream.kind = StreamKind::Audio;
        // The format's figure, for want of a better one.
        if (const auto bytesPerSecond = LE32At(object, kTypeDataAt + kAudioBytesPerSecond);
            bytesPerSecond && LE32At(object, 64).value_or(0) >= kAudioBytesPerSecond + 4)
            stream.bitRate = std::uint32_t(std::min<std::uint64_t>(std::uint64_t(*bytesPerSecond) * 8, UINT32_MAX));
    } else if (type == QByteArrayView(kVideoMediaGuid)) {
        stream.kind = StreamKind::Video;
    }
    reading.streams.push_back(stream);
}

void readExclusion(QByteArrayView object, Reading& reading)
{
    // Exclusion type GUID, then a count and the stream numbers.
    const std::uint16_t count = LE16At(object, 40).value_or(0);
    std::vector<std::uint16_t> numbers;
    for (qsizetype i = 0; i < count; ++i) {
        const auto number = LE16At(object, 42 + 2 * i);
        if (!number)
            break;
        numbers.push_back(*number);
    }
    reading.exclusions.push_back(std::move(numbers));
}

void readExtendedStream(QByteArrayView object, Reading& reading)
{
    const auto rate = LE32At(object, kExtendedRateAt);
    const auto number = LE16At(object, kExtendedNumberAt);
    if (rate && number && (*number & 0x7F) != 0)
        reading.extendedRates.emplace(std::uint8_t(*number & 0x7F), *rate);
    // Stream names and payload extension systems, then an optional Stream Properties Object.
    const std::uint16_t names = LE16At(object, kExtendedCountsAt).value_or(0);
    const std::uint16_t systems = LE16At(object, kExtendedCountsAt + 2).value_or(0);
    qsizetype at = kExtendedCountsAt + 4;
    for (int i = 0; i < names && at <= object.size(); ++i)
        at += 4 + LE16At(object, at + 2).value_or(0xFFFF);
    for (int i = 0; i < systems && at <= object.size(); ++i)
        at += 22 + qsizetype(LE32At(object, at + 18).value_or(0xFFFFFF));
    forEachObject(object, at, object.size(), [&](QByteArrayView inner) {
        if (isObject(inner, kStreamPropertiesGuid))
            readStreamProperties(inner, reading);
    });
}

void readHeaderExtension(QByteArrayView object, Reading& reading)
{
    const std::uint32_t dataSize = LE32At(object, kExtensionDataAt - 4).value_or(0);
    forEachObject(object, kExtensionDataAt, kExtensionDataAt + qsizetype(dataSize), [&](QByteArrayView inner) {
        if (isObject(inner, kExtendedStreamGuid))
            readExtendedStream(inner, reading);
        else if (isObject(inner, kAdvancedExclusionGuid))
            readExclusion(inner, reading);
    });
}

void readStreamBitrates(QByteArrayView object, Reading& reading)
{
    const std::uint16_t count = LE16At(object, kObjectFixed).value_or(0);
    for (qsizetype i = 0; i < count; ++i) {
        const auto flags = LE16At(object, kObjectFixed + 2 + 6 * i);
        const auto rate = LE32At(object, kObjectFixed + 4 + 6 * i);
        if (!flags || !rate)
            break;
        reading.averageRates.emplace(std::uint8_t(*flags & 0x7F), *rate);
    }
}

}  // namespace

StreamOffer ReadStreamOffer(QByteArrayView header)
{
    StreamOffer offer;
    if (header.size() < kHeaderObjectFixed || header.first(16) != QByteArrayView(kHeaderObjectGuid))
        return offer;
    const std::uint64_t declared = LE64At(header, 16).value_or(0);
    const auto end = qsizetype(std::min<std::uint64_t>(declared, std::uint64_t(header.size())));
    Reading reading;
    forEachObject(header, kHeaderObjectFixed, end, [&](QByteArrayView object) {
        if (isObject(object, kStreamPropertiesGuid))
            readStreamProperties(object, reading);
        else if (isObject(object, kStreamBitrateGuid))
            readStreamBitrates(object, reading);
        else if (isObject(object, kBitrateExclusionGuid))
            readExclusion(object, reading);
        else if (isObject(object, kHeaderExtensionGuid))
            readHeaderExtension(object, reading);
    });

    offer.streams = std::move(reading.streams);
    for (OfferedStream& stream : offer.streams) {
        for (const auto* rates : {&reading.averageRates, &reading.extendedRates}) {
            const auto found = rates->find(stream.number);
            if (found != rates->end() && found->second != 0) {
                stream.bitRate = found->second;
                break;
            }
        }
    }
    for (const std::vector<std::uint16_t>& exclusion : reading.exclusions) {
        std::vector<OfferedStream*> members;
        for (const std::uint16_t number : exclusion) {
            for (OfferedStream& stream : offer.streams) {
                if (stream.number == number && stream.group < 0
                    && std::find(members.begin(), members.end(), &stream) == members.end())
                    members.push_back(&stream);
            }
        }
        if (members.size() < 2)
            continue;
        std::vector<std::uint8_t> group;
        for (OfferedStream* member : members) {
            member->group = int(offer.groups.size());
            group.push_back(member->number);
        }
        offer.groups.push_back(std::move(group));
    }
    return offer;
}

std::optional<StreamChoice> ParseStreamChoice(QStringView text)
{
    const QStringView word = text.trimmed();
    StreamChoice choice;
    if (word.compare(u"all", Qt::CaseInsensitive) == 0)
        return choice;
    if (word.compare(u"best", Qt::CaseInsensitive) == 0 || word.compare(u"worst", Qt::CaseInsensitive) == 0) {
        choice.mode =
            word.compare(u"best", Qt::CaseInsensitive) == 0 ? StreamChoiceMode::Best : StreamChoiceMode::Worst;
        return choice;
    }
    choice.mode = StreamChoiceMode::Listed;
    for (const QStringView item : word.split(u',')) {
        bool ok = false;
        const uint number = item.trimmed().toUInt(&ok);
        if (!ok || number == 0 || number > kMaxStreamNumber || item.trimmed().startsWith(u'+'))
            return std::nullopt;
        if (std::find(choice.listed.begin(), choice.listed.end(), number) == choice.listed.end())
            choice.listed.push_back(std::uint8_t(number));
    }
    return choice;
}

ChosenStreams ChooseStreams(const StreamOffer& offer, const StreamChoice& choice)
{
    StreamChoiceMode mode = choice.mode;
    if (mode == StreamChoiceMode::All && choice.maxBitRate)
        mode = StreamChoiceMode::Best;
    std::vector<bool> take(offer.streams.size(), false);
    ChosenStreams chosen;
    if (mode == StreamChoiceMode::Listed) {
        for (const std::uint8_t number : choice.listed) {
            const auto found = std::find_if(offer.streams.begin(), offer.streams.end(),
                                            [&](const OfferedStream& stream) { return stream.number == number; });
            if (found == offer.streams.end())
                chosen.notOffered.push_back(number);
            else
                take[std::size_t(found - offer.streams.begin())] = true;
        }
    } else {
        std::uint64_t ungrouped = 0;
        for (std::size_t i = 0; i < offer.streams.size(); ++i) {
            take[i] = mode == StreamChoiceMode::All || offer.streams[i].group < 0;
            if (offer.streams[i].group < 0)
                ungrouped += offer.streams[i].bitRate;
        }
        std::uint64_t left = std::numeric_limits<std::uint64_t>::max();
        if (choice.maxBitRate)
            left = *choice.maxBitRate > ungrouped ? *choice.maxBitRate - ungrouped : 0;
        for (std::size_t group = 0; mode != StreamChoiceMode::All && group < offer.groups.size(); ++group) {
            // The lowest member, and the highest that fits what is left.
            std::optional<std::size_t> lowest, fitting;
            for (std::size_t i = 0; i < offer.streams.size(); ++i) {
                const OfferedStream& stream = offer.streams[i];
                if (stream.group != int(group))
                    continue;
                if (!lowest || stream.bitRate < offer.streams[*lowest].bitRate)
                    lowest = i;
                if (stream.bitRate <= left && (!fitting || stream.bitRate > offer.streams[*fitting].bitRate))
                    fitting = i;
            }
            const std::size_t pick = mode == StreamChoiceMode::Best && fitting ? *fitting : *lowest;
            take[pick] = true;
            left -= std::min<std::uint64_t>(left, offer.streams[pick].bitRate);
        }
    }
    for (std::size_t i = 0; i < offer.streams.size(); ++i) {
        if (take[i]) {
            chosen.recorded.push_back(offer.streams[i].number);
            chosen.bitRate += offer.streams[i].bitRate;
        }
    }
    chosen.overMaximum = choice.maxBitRate && mode != StreamChoiceMode::Listed && chosen.bitRate > *choice.maxBitRate;
    return chosen;
}

std::vector<StreamAction> StreamActions(const StreamOffer& offer, const ChosenStreams& chosen)
{
    std::vector<StreamAction> actions;
    for (const OfferedStream& stream : offer.streams) {
        const bool on =
            std::find(chosen.recorded.begin(), chosen.recorded.end(), stream.number) != chosen.recorded.end();
        actions.push_back({stream.number, on ? kStreamOn : kStreamOff});
    }
    return actions;
}

QByteArray StreamSwitchEntry(const std::vector<StreamAction>& actions)
{
    QByteArray text;
    for (const StreamAction& action : actions) {
        if (!text.isEmpty())
            text += ' ';
        text += "ffff:" + QByteArray::number(action.stream, 16) + ':' + QByteArray::number(action.action, 16);
    }
    return text;
}

}  // namespace tovrin
