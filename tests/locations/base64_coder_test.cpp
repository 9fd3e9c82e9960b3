#include "locations/base64_coder.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using tovrin::Base64Coder;

namespace {
QByteArray encode(const QByteArray& plain)
{
    Base64Coder coder;
    coder.EncodeBuffer(reinterpret_cast<const std::uint8_t*>(plain.constData()), std::uint32_t(plain.size()));
    return coder.GetEncoded();
}
QByteArray decode(const QByteArray& text)
{
    Base64Coder coder;
    coder.DecodeBuffer(text.constData(), std::uint32_t(text.size()));
    return coder.GetDecoded();
}
}  // namespace

TEST(Base64Coder, EncodesAsRfc2045WithPadding)
{
    EXPECT_EQ(encode(""), QByteArray());
    EXPECT_EQ(encode("f"), QByteArray("Zg=="));
    EXPECT_EQ(encode("fo"), QByteArray("Zm8="));
    EXPECT_EQ(encode("foo"), QByteArray("Zm9v"));
    EXPECT_EQ(encode("foobar"), QByteArray("Zm9vYmFy"));
    EXPECT_EQ(encode(":"), QByteArray("Og=="));

    // Any bytes, any length, across the 4096-byte buffer blocks: the same as Qt's encoder.
    QRandomGenerator random(42);
    for (int length : {1, 2, 3, 100, 3071, 3072, 3073, 5000, 20000}) {
        QByteArray data(length, '\0');
        for (auto& c : data)
            c = char(random.bounded(256));
        EXPECT_EQ(encode(data), data.toBase64()) << length;
    }
}

TEST(Base64Coder, DecodesSkippingWhiteSpaceAndReadsAsZeroTerminatedText)
{
    EXPECT_EQ(decode("Zm9vYmFy"), QByteArray("foobar"));
    EXPECT_EQ(decode(" Zm9v\r\n\tYmFy \x0B"), QByteArray("foobar"));
    EXPECT_EQ(decode("YWxpY2U6cGE6c3M="), QByteArray("alice:pa:ss"));
    EXPECT_EQ(decode("Zg"), QByteArray("f")) << "an unpadded final group still decodes";
    QByteArray highBit("Zm9v");
    for (auto& c : highBit)
        c = char(std::uint8_t(c) | 0x80);
    EXPECT_EQ(decode(highBit), QByteArray("foo"));
    EXPECT_FALSE(decode("!!!!@@@@").isNull()) << "characters outside the alphabet decode without complaint";

    QByteArray text(9000, 'A');
    text += "Zm9v";
    Base64Coder coder;
    coder.DecodeBuffer(text.constData(), std::uint32_t(text.size()));
    EXPECT_EQ(coder.plainLength(), 9000u / 4 * 3 + 3);
    EXPECT_GT(coder.plainCapacity(), std::uint32_t(text.size()));
}

TEST(Base64Coder, ReservesWholeBlocksThatAlwaysExceedTheData)
{
    Base64Coder coder;
    EXPECT_EQ(coder.plainCapacity(), 0u);
    const QByteArray small(10, 'x');
    coder.EncodeBuffer(reinterpret_cast<const std::uint8_t*>(small.constData()), 10);
    EXPECT_EQ(coder.plainCapacity(), 4096u);
    EXPECT_EQ(coder.encodedCapacity(), 4096u);
    // Exactly one block of data still gets a larger buffer, so it stays zero-terminated.
    const QByteArray block(4096, 'x');
    coder.EncodeBuffer(reinterpret_cast<const std::uint8_t*>(block.constData()), 4096);
    EXPECT_EQ(coder.plainCapacity(), 8192u);
    EXPECT_EQ(coder.encodedCapacity(), 12288u);
    EXPECT_EQ(coder.GetEncoded(), block.toBase64());
    coder.DecodeBuffer(coder.GetEncoded().constData(), coder.encodedLength());
    EXPECT_EQ(coder.GetDecoded(), block);
}
