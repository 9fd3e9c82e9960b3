#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <optional>

namespace tovrin {

// Little-endian reading and writing on byte strings, shared by the MMS and
// ASF code. Offsets are 0-based.

QByteArray EncodeLE16(std::uint16_t value);
QByteArray EncodeLE32(std::uint32_t value);
QByteArray EncodeLE64(std::uint64_t value);

// Bounds-checked reads at 0-based offsets: nothing when the bytes are not all there.
std::optional<std::uint8_t> ByteAt(QByteArrayView bytes, qsizetype offset);
std::optional<std::uint16_t> LE16At(QByteArrayView bytes, qsizetype offset);
std::optional<std::uint32_t> LE32At(QByteArrayView bytes, qsizetype offset);
std::optional<std::uint64_t> LE64At(QByteArrayView bytes, qsizetype offset);

// Little-endian value of `width` (1, 2, 4 or 8) bytes at offset.
std::optional<std::uint64_t> LEAt(QByteArrayView bytes, qsizetype offset, int width);
// Writes the low `width` bytes of value at offset; false when they do not fit.
bool PutLE(QByteArray& bytes, qsizetype offset, std::uint64_t value, int width);

}  // namespace tovrin
