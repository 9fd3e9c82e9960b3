// The saved "Auth" setting is decoded whatever it holds; what is encoded must
// decode to itself up to its first zero byte.
#include "locations/base64.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)tovrin::DecodeBase64Text(bytes);
    const qsizetype end = bytes.indexOf('\0');
    const QByteArray text = end < 0 ? bytes : bytes.left(end);
    if (tovrin::DecodeBase64Text(tovrin::EncodeBase64(bytes)) != text)
        std::abort();
    return 0;
}
