#include "asf/byte_helpers.h"

#include <gtest/gtest.h>

using namespace tovrin;

TEST(ByteHelpers, EncodesLittleEndian)
{
    EXPECT_EQ(EncodeLE32(0x12345678), QByteArray::fromHex("78563412"));
    EXPECT_EQ(EncodeLE64(0x11223344u, 0x55667788u), QByteArray::fromHex("4433221188776655"));
    EXPECT_EQ(EncodeLE64(std::uint64_t(0x0000000100000002ULL)), QByteArray::fromHex("0200000001000000"));
}

TEST(ByteHelpers, BoundedReadsAndWritesRefuseBytesThatAreNotThere)
{
    QByteArray b = QByteArray::fromHex("0102");
    EXPECT_EQ(LE16At(b, 0), 0x0201);
    EXPECT_FALSE(LE16At(b, 1));
    EXPECT_FALSE(LE32At(b, 0));
    EXPECT_FALSE(ByteAt(b, -1));
    EXPECT_FALSE(PutLE(b, 1, 0xFFFF, 2));
    EXPECT_EQ(b, QByteArray::fromHex("0102"));
}
