#pragma once

#include <QtGlobal>

#include <compare>
#include <cstdint>
#include <optional>

namespace tovrin {

// A server's number for a data packet (an MMS data prefix's sequence, an
// MMS over HTTP chunk's location). It tells the packet's place in the
// server's sequence, which starts anywhere and wraps past 2^32; it never
// tells a place in the file, so it has no arithmetic but the distance
// between two numbers and no way to become a slot but StoredSlotFor.
class PacketNumber {
public:
    constexpr explicit PacketNumber(std::uint32_t value = 0) : m_value(value) {}
    [[nodiscard]] constexpr std::uint32_t value() const { return m_value; }
    // How far this number lies ahead of `earlier`, modulo 2^32: negative
    // when it lies behind.
    [[nodiscard]] constexpr std::int32_t stepsAfter(PacketNumber earlier) const
    {
        return std::int32_t(m_value - earlier.m_value);
    }
    constexpr bool operator==(const PacketNumber&) const = default;

private:
    std::uint32_t m_value;
};

// How many packets a file holds or a stream states.
class PacketCount {
public:
    constexpr explicit PacketCount(std::uint32_t value = 0) : m_value(value) {}
    [[nodiscard]] constexpr std::uint32_t value() const { return m_value; }
    constexpr auto operator<=>(const PacketCount&) const = default;

private:
    std::uint32_t m_value;
};

// A packet's place in the save file: slot n lies at header length +
// n x packet size. The only value a packet's file offset is made from.
class SlotIndex {
public:
    constexpr explicit SlotIndex(std::uint32_t value = 0) : m_value(value) {}
    [[nodiscard]] constexpr std::uint32_t value() const { return m_value; }
    [[nodiscard]] constexpr qint64 offset(std::uint32_t headerLength, qint64 packetSize) const
    {
        return qint64(headerLength) + qint64(m_value) * packetSize;
    }
    // The slot `steps` slots further on, or nothing past the last slot a
    // file's 32-bit packet count can state.
    [[nodiscard]] constexpr std::optional<SlotIndex> after(std::uint64_t steps) const
    {
        const std::uint64_t slot = std::uint64_t(m_value) + steps;
        return slot < kEndOfSlots ? std::optional(SlotIndex(std::uint32_t(slot))) : std::nullopt;
    }
    // Whether a file of `count` packets has this slot.
    [[nodiscard]] constexpr bool within(PacketCount count) const { return m_value < count.value(); }
    constexpr auto operator<=>(const SlotIndex&) const = default;

    static constexpr std::uint64_t kEndOfSlots = 0xFFFFFFFFu;

private:
    std::uint32_t m_value;
};

// A stream of known length (or a resumed file) numbers its packets from
// its first: its number is its slot, provided the file of `count` packets
// has that slot. Nothing otherwise, so a number past the end never becomes
// an offset.
[[nodiscard]] constexpr std::optional<SlotIndex> StoredSlotFor(PacketNumber number, PacketCount count)
{
    return number.value() < count.value() ? std::optional(SlotIndex(number.value())) : std::nullopt;
}

}  // namespace tovrin
