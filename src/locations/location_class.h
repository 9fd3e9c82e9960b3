#pragma once

#include <QString>

#include <optional>

namespace tovrin {

// What a location text names: one scheme flag and one type flag, or 0 when
// the scheme is not recognised. Schemes and extensions match only in the
// two capitalisations listed (all lower or all upper case).
using LocationClass = unsigned;
inline constexpr LocationClass lcMms = 1;          // mms://, mmst://, mmsu://, mmsh://
inline constexpr LocationClass lcHttp = 2;         // http://
inline constexpr LocationClass lcLocal = 4;        // a local path
inline constexpr LocationClass lcMedia = 8;        // .asf .wmv .wma .wm
inline constexpr LocationClass lcRedirector = 16;  // .asx .wmx .wax .wvx
inline constexpr LocationClass lcAsp = 32;         // .asp
inline constexpr LocationClass lcOther = 64;       // a known scheme, none of the endings
inline constexpr LocationClass lcLog = 128;        // .log

// Classifies a location text by its scheme and the literal end of the text
// (so a query string after a file name gives lcOther). Pure.
LocationClass ClassifyLocation(const QString& text);

// The server host of a stream address: everything between the second and the
// third "/", a ":port" included. Nothing unless a third "/" stands before the
// last character (the first character is never examined). Pure.
std::optional<QString> ServerHostOf(const QString& url);

// A server host as ServerHostOf takes it: "host" or "host:port" (also
// "[v6]:port"). A port that is not a number from 1 to 65535 is left out.
struct HostAndPort {
    QString host;
    std::optional<quint16> port;
};
HostAndPort SplitHostAndPort(const QString& serverHost);

}  // namespace tovrin
