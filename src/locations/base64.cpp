#include "locations/base64.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tovrin {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t kNotInAlphabet = 254;
constexpr std::uint8_t kPad = 255;

// Byte value to 6-bit value; the alphabet is also recognised with the top bit
// set, as is '='.
const std::array<std::uint8_t, 256>& reverseTable()
{
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> t;
        t.fill(kNotInAlphabet);
        for (std::uint8_t i = 0; i < 64; ++i) {
            const auto c = std::uint8_t(kAlphabet[i]);
            t[c] = i;
            t[c + 128] = i;
        }
        t['='] = kPad;
        t['=' + 128] = kPad;
        return t;
    }();
    return table;
}

bool isWhiteSpace(char c)
{
    const auto v = std::uint8_t(c);
    return (v >= 7 && v <= 13) || v == 32;
}

}  // namespace

QByteArray EncodeBase64(const QByteArray& plain)
{
    return plain.toBase64();
}

QByteArray DecodeBase64Text(QByteArrayView text)
{
    const auto& table = reverseTable();
    QByteArray chars;
    chars.reserve(text.size());
    for (const char c : text)
        if (!isWhiteSpace(c))
            chars += c;

    QByteArray plain;
    plain.reserve(chars.size() / 4 * 3 + 3);
    for (qsizetype i = 0; i < chars.size(); i += 4) {
        const qsizetype count = std::min<qsizetype>(4, chars.size() - i);
        std::uint8_t values[4] = {0, 0, 0, 0};
        for (qsizetype k = 0; k < count; ++k) {
            values[k] = table[std::uint8_t(chars[i + k])];
            // Padding counts as zero bits where padding may stand: the last
            // two places of a group, anywhere in an unfinished last group.
            if (values[k] == kPad && (count < 4 || k >= 2))
                values[k] = 0;
        }
        // Values outside the alphabet keep only their low six bits.
        const std::uint8_t a = values[0] & 0x3F, b = values[1] & 0x3F, c = values[2] & 0x3F, d = values[3] & 0x3F;
        const char bytes[3] = {char((a << 2) | (b >> 4)), char(((b & 0x0F) << 4) | (c >> 2)),
                               char(((c & 0x03) << 6) | d)};
        plain.append(bytes, count == 4 ? 3 : count);
    }
    const qsizetype end = plain.indexOf('\0');
    return end < 0 ? plain : plain.left(end);
}

}  // namespace tovrin
