#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <vector>

class QFile;

namespace tovrin {

// Largest ASF header the recorder accepts. Real headers are a few kilobytes;
// the limit keeps a hostile server or a damaged file from making the program
// allocate whatever size it names.
inline constexpr std::uint32_t kMaxHeaderLength = 16u * 1024 * 1024;

// Largest data packet size: a packet travels in one data prefix, whose
// 16-bit length also counts the prefix.
inline constexpr std::uint32_t kMaxPacketSize = 0xFFFF;

// ASF objects are recognised by the first five bytes of their GUID, in file
// byte order.
namespace guid {
inline constexpr QByteArrayView kHeaderObject("\x30\x26\xB2\x75\x8E", 5);
inline constexpr QByteArrayView kDataObject("\x36\x26\xB2\x75\x8E", 5);
inline constexpr QByteArrayView kFileProperties("\xA1\xDC\xAB\x8C\x47", 5);
inline constexpr QByteArrayView kStreamProperties("\x91\x07\xDC\xB7\xB7", 5);
inline constexpr QByteArrayView kHeaderExtension("\xB5\x03\xBF\x5F\x2E", 5);
inline constexpr QByteArrayView kExtendedStreamProperties("\xCB\xA5\xE6\x14\x72", 5);
inline constexpr QByteArrayView kStreamBitrateProperties("\xCE\x75\xF8\x7B\x8D", 5);
inline constexpr QByteArrayView kContentDescription("\x33\x26\xB2\x75\x8E", 5);
inline constexpr QByteArrayView kExtendedContentDescription("\x40\xA4\xD0\xD2\x07", 5);
inline constexpr QByteArrayView kCodecList("\x40\x52\xD1\x86\x1D", 5);
// The GUID in the reserved field of the Codec List Object.
inline constexpr QByteArrayView kCodecListReserved("\x41\x52\xD1\x86\x1D", 5);
inline constexpr QByteArrayView kVideoMedia("\xC0\xEF\x19\xBC\x4D", 5);
inline constexpr QByteArrayView kAudioMedia("\x40\x9E\x69\xF8\x4D", 5);
inline constexpr QByteArrayView kAudioSpread("\x50\xCD\xC3\xBF\x8F", 5);
}  // namespace guid

// Fields the end of a recording writes and a check reads, as offsets from the
// start of their object.
namespace field {
inline constexpr qsizetype kFileSize = 40;      // File Properties Object
inline constexpr qsizetype kDataPackets = 56;   // File Properties Object
inline constexpr qsizetype kPlayDuration = 64;  // File Properties Object, 100-ns units
inline constexpr qsizetype kPacketSizes = 92;   // File Properties Object, the smallest and largest, 32 bits each
inline constexpr qsizetype kDataObjectSize = 16;
inline constexpr qsizetype kDataObjectPackets = 40;
inline constexpr qsizetype kDataObjectStart = 50;  // the Data Object's fixed start
}  // namespace field

// The objects of an ASF header, found once by walking the Header Object's
// children by their sizes, then the children of its Header Extension Object
// and the Stream Properties Object an Extended Stream Properties Object may
// carry: never by searching for a GUID's bytes, which a metadata value may
// hold. The walk ends at a child whose size is smaller than a GUID and a
// size, or runs past the end of the object holding it; the objects before
// it stay. A header cut short (a stored header read as far as the file
// holds it) keeps the objects whose GUID and size it holds. Views `header`,
// whose bytes must outlive it.
class HeaderObjects {
public:
    explicit HeaderObjects(QByteArrayView header);

    // 0-based offset of the first object whose GUID begins with `prefix`;
    // -1 when there is none.
    qsizetype find(QByteArrayView prefix) const;
    // The offsets of every such object, in header order.
    std::vector<qsizetype> findAll(QByteArrayView prefix) const;
    // The bytes of the first such object (ObjectBytes); empty when there is none.
    QByteArrayView bytes(QByteArrayView prefix) const;
    // The Data Object behind the Header Object (DataObjectAt).
    qsizetype dataObject() const { return m_dataObject; }

private:
    void walk(qsizetype from, qsizetype end, bool extension);
    void embeddedStream(qsizetype at, qsizetype end);

    QByteArrayView m_header;
    std::vector<qsizetype> m_objects;
    qsizetype m_dataObject = -1;
};

// 0-based offset of the Data Object, which starts where the Header Object's
// size says it ends; -1 when no Data Object starts there. A search for its
// GUID could stop in a header object's value that happens to hold it.
qsizetype DataObjectAt(QByteArrayView header);

// The bytes of the object starting at `at`: up to the end its size field
// declares, cut at the end of `header`. Empty when the size field is missing
// or smaller than an object's GUID and size, so every read from it fails.
QByteArrayView ObjectBytes(QByteArrayView header, qsizetype at);

// Up to `headerLength` bytes (never more than kMaxHeaderLength) from the
// start of an open file: the header as stored, or as much of it as the file
// holds.
QByteArray ReadStoredHeader(QFile& file, std::uint32_t headerLength);

}  // namespace tovrin
