#pragma once

#include "mms-server/command_packet.h"
#include "mms-server/media_source.h"

#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace tovrin::mmsserver {

// The streams a client chose, as the stream selection command (0x33) and
// MMSH's stream-switch-entry pragma state them: per stream number, on, key
// frames only, or off. A stream the client did not name is off.
class StreamSelection {
public:
    enum Thinning : std::uint8_t { On = 0, KeyFramesOnly = 1, Off = 2 };

    void set(std::uint8_t stream, Thinning thinning);
    bool keeps(std::uint8_t stream, bool keyFrame) const;
    // "1 on, 2 off, 4 key frames", the streams named in number order; "none" when none is.
    QString describe() const;

private:
    static constexpr int kStreams = 128;  // stream numbers are 7 bits
    std::array<Thinning, kStreams> m_thinning = [] {
        std::array<Thinning, kStreams> none{};
        none.fill(Off);
        return none;
    }();
    std::array<bool, kStreams> m_named{};
};

// 0x33: a count at offset 40, then {u16 source, u16 stream, u16 thinning}
// entries. Entries beyond the packet, or of a stream number over 127 or an
// unknown thinning, are left out.
StreamSelection ReadStreamSelection(const Command& command);

// The value of stream-switch-entry pragmas: "src:stream:thinning" triples in
// hexadecimal, separated by blanks (several pragma lines add up). A triple not of
// that form is left out.
void AddStreamSwitchEntries(QByteArrayView text, StreamSelection& selection);

// The cursor's packets with the payloads of the chosen streams only, rebuilt
// and padded to their size (KeepPayloads); packets left with no payload are
// not sent. Nothing chosen (no selection): the cursor as it is.
std::unique_ptr<PacketCursor> SelectedStreams(std::unique_ptr<PacketCursor> cursor,
                                              const std::optional<StreamSelection>& selection);

}  // namespace tovrin::mmsserver
