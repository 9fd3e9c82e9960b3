// The saved "Auth" setting is decoded whatever it holds; encoding must agree
// with RFC 2045 for any bytes.
#include "locations/base64_coder.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    tovrin::Base64Coder coder;
    coder.DecodeBuffer(reinterpret_cast<const char*>(data), std::uint32_t(size));
    if (coder.plainLength() >= coder.plainCapacity() && coder.plainCapacity() > 0)
        std::abort();  // the decoded text must stay zero-terminated
    (void)coder.GetDecoded();

    coder.EncodeBuffer(data, std::uint32_t(size));
    const QByteArray expected = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).toBase64();
    if (coder.GetEncoded() != expected)
        std::abort();
    return 0;
}
