#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace tovrin {

// How the Auth setting and the server's credentials carry "user:password":
// Base64 with the RFC 2045 alphabet, '=' padding and no line breaks.
QByteArray EncodeBase64(const QByteArray& plain);

// Reads a stored Base64 text leniently, as a setting edited by hand may be:
// white space is skipped, characters outside the alphabet decode to some bits
// rather than fail (the alphabet is also taken with the top bit set), and an
// unpadded final group still decodes. The result is a text: it ends before
// the first zero byte.
QByteArray DecodeBase64Text(QByteArrayView text);

}  // namespace tovrin
