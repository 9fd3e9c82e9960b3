#include "locations/base64_coder.h"

#include <array>
#include <cstring>

namespace tovrin {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t kNotInAlphabet = 254;
constexpr std::uint8_t kPad = 255;

// Byte value to 6-bit value; the alphabet is also recognised with the top bit
// set, as is '='. Built once, on first use, and shared by every coder.
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

}  // namespace

// A buffer must exceed its data, so the zero terminator always fits: a buffer
// of exactly n bytes is replaced too, or n bytes of data would run into
// whatever follows it when read as text.
void Base64Coder::reserve(std::vector<std::uint8_t>& buffer, std::uint32_t n)
{
    if (buffer.size() <= n)
        buffer.resize((std::size_t(n) / 4096 + 1) * 4096);
    std::fill(buffer.begin(), buffer.end(), 0);
}

void Base64Coder::ReserveEncoded(std::uint32_t n)
{
    reserve(m_encoded, n);
    m_encodedLength = 0;
}

void Base64Coder::ReservePlain(std::uint32_t n)
{
    reserve(m_plain, n);
    m_plainLength = 0;
}

void Base64Coder::LoadPlain(const std::uint8_t* data, std::uint32_t length)
{
    ReservePlain(length);
    if (length)
        std::memcpy(m_plain.data(), data, length);
    m_plainLength = length;
}

void Base64Coder::LoadEncoded(const char* text, std::uint32_t length)
{
    ReserveEncoded(length);
    for (std::uint32_t i = 0; i < length; ++i)
        if (!IsWhitespace(text[i]))
            m_encoded[m_encodedLength++] = std::uint8_t(text[i]);
}

bool Base64Coder::IsWhitespace(char c) const
{
    const auto v = std::uint8_t(c);
    return (v >= 7 && v <= 13) || v == 32;
}

void Base64Coder::SplitGroup(const std::uint8_t* group, std::uint8_t* values) const
{
    values[0] = group[0] >> 2;
    values[1] = std::uint8_t(((group[0] & 0x03) << 4) | (group[1] >> 4));
    values[2] = std::uint8_t(((group[1] & 0x0F) << 2) | (group[2] >> 6));
    values[3] = group[2] & 0x3F;
}

void Base64Coder::JoinGroup(const std::uint8_t* values, std::uint8_t* bytes) const
{
    // Values outside the alphabet keep only their low six bits.
    const std::uint8_t a = values[0] & 0x3F, b = values[1] & 0x3F, c = values[2] & 0x3F, d = values[3] & 0x3F;
    bytes[0] = std::uint8_t((a << 2) | (b >> 4));
    bytes[1] = std::uint8_t(((b & 0x0F) << 4) | (c >> 2));
    bytes[2] = std::uint8_t(((c & 0x03) << 6) | d);
}

void Base64Coder::EncodeGroup(const std::uint8_t* group, int count)
{
    std::uint8_t padded[3] = {group[0], count > 1 ? group[1] : std::uint8_t(0), count > 2 ? group[2] : std::uint8_t(0)};
    std::uint8_t values[4];
    SplitGroup(padded, values);
    for (int i = 0; i < 4; ++i) {
        if (m_encodedLength + 1 >= m_encoded.size())  // keep the zero terminator
            reserve(m_encoded, m_encodedLength + 4);
        m_encoded[m_encodedLength++] = std::uint8_t(i <= count ? kAlphabet[values[i]] : '=');
    }
}

void Base64Coder::DecodeGroup(const std::uint8_t* values)
{
    std::uint8_t bytes[3];
    JoinGroup(values, bytes);
    for (std::uint8_t b : bytes)
        m_plain[m_plainLength++] = b;
}

void Base64Coder::EncodeBuffer(const std::uint8_t* data, std::uint32_t length)
{
    LoadPlain(data, length);
    ReserveEncoded(length * 2);
    std::uint32_t i = 0;
    for (; i + 3 <= length; i += 3)
        EncodeGroup(m_plain.data() + i, 3);
    if (i < length)
        EncodeGroup(m_plain.data() + i, int(length - i));
}

void Base64Coder::DecodeBuffer(const char* text, std::uint32_t length)
{
    const auto& table = reverseTable();
    LoadEncoded(text, length);
    ReservePlain(length);
    std::uint32_t i = 0;
    for (; i + 4 <= m_encodedLength; i += 4) {
        std::uint8_t values[4];
        for (int k = 0; k < 4; ++k)
            values[k] = table[m_encoded[i + k]];
        for (int k = 2; k < 4; ++k)
            if (values[k] == kPad)
                values[k] = 0;
        DecodeGroup(values);
    }
    const std::uint32_t rest = m_encodedLength - i;
    if (rest > 0) {
        std::uint8_t values[4] = {0, 0, 0, 0};
        for (std::uint32_t k = 0; k < rest; ++k)
            values[k] = table[m_encoded[i + k]] == kPad ? 0 : table[m_encoded[i + k]];
        std::uint8_t bytes[3];
        JoinGroup(values, bytes);
        for (std::uint32_t k = 0; k < rest; ++k)
            m_plain[m_plainLength++] = bytes[k];
    }
}

void Base64Coder::EncodeString(const char* text)
{
    if (text)
        EncodeBuffer(reinterpret_cast<const std::uint8_t*>(text), std::uint32_t(std::strlen(text)));
}

void Base64Coder::DecodeString(const char* text)
{
    if (text)
        DecodeBuffer(text, std::uint32_t(std::strlen(text)));
}

QByteArray Base64Coder::GetDecoded() const
{
    if (m_plain.empty())
        return {};
    return QByteArray(reinterpret_cast<const char*>(m_plain.data()));
}

QByteArray Base64Coder::GetEncoded() const
{
    if (m_encoded.empty())
        return {};
    return QByteArray(reinterpret_cast<const char*>(m_encoded.data()));
}

}  // namespace tovrin
