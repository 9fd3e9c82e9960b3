#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace tovrin {

// A redirector's bytes made ready for the scan for stream addresses, which
// looks for ASCII schemes byte by byte: the text in a byte encoding that
// keeps every ASCII character as its own byte (UTF-8 or code page 950), and
// how to read an address cut out of it.
struct RedirectorText {
    QByteArray bytes;   // without a byte-order mark
    bool utf8 = false;  // the bytes are UTF-8; code page 950 otherwise
    bool xml = false;   // XML markup (the first non-blank character is '<'): addresses carry entities

    // The address whose bytes (a slice of `bytes`) are `entry`, decoded, with
    // XML's five predefined entities replaced in an XML text.
    QString decodeEntry(QByteArrayView entry) const;
};

// Reads a redirector as fetched or stored: by its byte-order mark (UTF-8,
// UTF-16LE, UTF-16BE) when it has one; otherwise as UTF-8 when its bytes are
// valid UTF-8 and not plain ASCII, and as code page 950 when not.
RedirectorText ReadRedirectorText(const QByteArray& raw);

// `text` with &amp; &lt; &gt; &quot; and &apos; replaced by the characters
// they stand for, in one pass from the left (so "&amp;lt;" gives "&lt;").
// Every other '&' stays as it is.
QString UnescapeXmlEntities(const QString& text);

}  // namespace tovrin
