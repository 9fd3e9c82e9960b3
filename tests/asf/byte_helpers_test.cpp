#include "asf/byte_helpers.h"
#include "support/fake_shell.h"

#include <gtest/gtest.h>

using namespace tovrin;

TEST(ByteHelpers, EncodesLittleEndian)
{
    EXPECT_EQ(EncodeLE32(0x12345678), QByteArray::fromHex("78563412"));
    EXPECT_EQ(EncodeLE64(0x11223344u, 0x55667788u), QByteArray::fromHex("4433221188776655"));
    EXPECT_EQ(EncodeLE64(std::uint64_t(0x0000000100000002ULL)), QByteArray::fromHex("0200000001000000"));
}

TEST(ByteHelpers, ReadLE32ReportsPositionsOutsideTheTextAndKeepsTheDestination)
{
    test::FakeShell shell;
    const QByteArray seven = QByteArray::fromHex("01020304050607");
    std::uint32_t value = 99;
    EXPECT_TRUE(ReadLE32(seven, 4, value, shell));
    EXPECT_EQ(value, 0x07060504u);

    value = 99;
    EXPECT_FALSE(ReadLE32(seven, 5, value, shell));
    EXPECT_FALSE(ReadLE32(seven, 0, value, shell));
    EXPECT_FALSE(ReadLE32(seven, -3, value, shell));
    EXPECT_EQ(value, 99u);
    EXPECT_EQ(shell.messages, (QStringList{QStringLiteral("data out of range - 4 byte to long function : 5 : 7"),
                                           QStringLiteral("data out of range - 4 byte to long function : 0 : 7"),
                                           QStringLiteral("data out of range - 4 byte to long function : -3 : 7")}));
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
