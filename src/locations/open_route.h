#pragma once

#include "locations/location_class.h"

#include <QString>

namespace tovrin {

// What opening a location does with it, by its class.
enum class OpenRoute {
    Unknown,            // no known scheme
    Asp,                // an ASP page, not supported
    StreamAddress,      // an MMS address of media (or of anything but a redirector)
    RedirectorOverMms,  // a redirector named on an MMS server
    HttpRedirector,     // a redirector to fetch over HTTP
    MediaOverHttp,      // a media file over HTTP, not supported
    LocalRedirector,
    LocalMedia,
    LocalLog,     // a saved session log
    Unsupported,  // every other combination
};
OpenRoute RouteFor(LocationClass cls);

// The header length inspected for a local media file: the size its Header
// Object declares plus the Data Object's own header, never less than 5000
// bytes and never more than the largest header accepted.
quint32 LocalHeaderLength(const QString& path);

}  // namespace tovrin
