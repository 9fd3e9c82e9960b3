#include "locations/base64.h"

#include <gtest/gtest.h>

using tovrin::DecodeBase64Text;
using tovrin::EncodeBase64;

TEST(Base64, EncodesWithPaddingAndReadsStoredTextsLeniently)
{
    EXPECT_EQ(EncodeBase64("alice:pa:ss"), QByteArray("YWxpY2U6cGE6c3M="));
    const std::pair<QByteArray, QByteArray> decoded[] = {
        {"YWxpY2U6cGE6c3M=", "alice:pa:ss"},
        {" Zm9v\r\n\tYmFy \x0B", "foobar"},  // white space is skipped
        {"Zg", "f"},                         // an unpadded final group still decodes
        {"Zm9v\xDA\xED\xB9\xF6", "foofoo"},  // the alphabet with its top bit set
        {"AAAAZm9v", ""},                    // a text ends at its first zero byte
        {"", ""},
    };
    for (const auto& [text, plain] : decoded)
        EXPECT_EQ(DecodeBase64Text(text), plain) << text.toStdString();
    EXPECT_FALSE(DecodeBase64Text("!!!!@@@@").isEmpty()) << "characters outside the alphabet decode without complaint";
}
