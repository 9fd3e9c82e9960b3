#include "asf/byte_helpers.h"

namespace tovrin {

QByteArray EncodeLE16(std::uint16_t value)
{
    QByteArray out(2, '\0');
    PutLE(out, 0, value, 2);
    return out;
}

QByteArray EncodeLE32(std::uint32_t value)
{
    QByteArray out(4, '\0');
    PutLE(out, 0, value, 4);
    return out;
}

QByteArray EncodeLE64(std::uint64_t value)
{
    QByteArray out(8, '\0');
    PutLE(out, 0, value, 8);
    return out;
}

std::optional<std::uint64_t> LEAt(QByteArrayView bytes, qsizetype offset, int width)
{
    if (offset < 0 || width < 1 || width > 8 || offset > bytes.size() - width)
        return std::nullopt;
    std::uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + i]);
    return value;
}

bool PutLE(QByteArray& bytes, qsizetype offset, std::uint64_t value, int width)
{
    if (offset < 0 || width < 1 || width > 8 || offset > bytes.size() - width)
        return false;
    for (int i = 0; i < width; ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return true;
}

std::optional<std::uint8_t> ByteAt(QByteArrayView bytes, qsizetype offset)
{
    const auto v = LEAt(bytes, offset, 1);
    return v ? std::optional<std::uint8_t>(static_cast<std::uint8_t>(*v)) : std::nullopt;
}

std::optional<std::uint16_t> LE16At(QByteArrayView bytes, qsizetype offset)
{
    const auto v = LEAt(bytes, offset, 2);
    return v ? std::optional<std::uint16_t>(static_cast<std::uint16_t>(*v)) : std::nullopt;
}

std::optional<std::uint32_t> LE32At(QByteArrayView bytes, qsizetype offset)
{
    const auto v = LEAt(bytes, offset, 4);
    return v ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*v)) : std::nullopt;
}

std::optional<std::uint64_t> LE64At(QByteArrayView bytes, qsizetype offset)
{
    return LEAt(bytes, offset, 8);
}

}  // namespace tovrin
