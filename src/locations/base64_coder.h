#pragma once

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace tovrin {

// Base64 (RFC 2045 alphabet, '=' padding, no line breaks) over two owned
// buffers. Each buffer is reserved in whole 4096-byte blocks that always exceed
// the data, and is zero-filled when reserved, so both read as zero-terminated
// texts. Decoding skips white space and does not validate: characters outside
// the alphabet decode to some bits rather than fail.
class Base64Coder {
public:
    Base64Coder() = default;
    virtual ~Base64Coder() = default;

    virtual void EncodeBuffer(const std::uint8_t* data, std::uint32_t length);
    virtual void DecodeBuffer(const char* text, std::uint32_t length);
    virtual void EncodeString(const char* text);  // zero-terminated; nothing for null
    virtual void DecodeString(const char* text);  // zero-terminated; nothing for null
    // The decoded bytes, up to the first zero byte.
    virtual QByteArray GetDecoded() const;
    // The Base64 text.
    virtual QByteArray GetEncoded() const;

    std::uint32_t plainLength() const { return m_plainLength; }
    std::uint32_t encodedLength() const { return m_encodedLength; }
    std::uint32_t plainCapacity() const { return std::uint32_t(m_plain.size()); }
    std::uint32_t encodedCapacity() const { return std::uint32_t(m_encoded.size()); }

protected:
    virtual void ReserveEncoded(std::uint32_t n);
    virtual void ReservePlain(std::uint32_t n);
    virtual void LoadEncoded(const char* text, std::uint32_t length);
    virtual void LoadPlain(const std::uint8_t* data, std::uint32_t length);
    // Appends the four characters for a group of `count` (1 to 3) bytes.
    virtual void EncodeGroup(const std::uint8_t* group, int count);
    // Appends the three bytes of four 6-bit values.
    virtual void DecodeGroup(const std::uint8_t* values);
    virtual void SplitGroup(const std::uint8_t* group, std::uint8_t* values) const;
    virtual void JoinGroup(const std::uint8_t* values, std::uint8_t* bytes) const;
    virtual bool IsWhitespace(char c) const;

private:
    static void reserve(std::vector<std::uint8_t>& buffer, std::uint32_t n);

    std::vector<std::uint8_t> m_plain;    // capacity = size()
    std::vector<std::uint8_t> m_encoded;  // capacity = size()
    std::uint32_t m_plainLength = 0;
    std::uint32_t m_encodedLength = 0;
};

}  // namespace tovrin
