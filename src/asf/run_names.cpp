#include "asf/run_names.h"

#include "asf/name_rules.h"
#include "state/text_rules.h"

namespace tovrin {

std::optional<StreamNames> NamesOfStream(QString& url)
{
    url = TrimBlanks(url);

    // The third "/" from the second character on; it must leave at least two
    // characters after it.
    qsizetype third = -1;
    int slashes = 0;
    for (qsizetype i = 1; i < url.size() - 2; ++i) {
        if (url.at(i) == u'/' && ++slashes == 3) {
            third = i;
            break;
        }
    }
    if (third < 0)
        return std::nullopt;

    // The server is asked for the name, and the file named after it, with
    // the address's escapes decoded (once: "%2541" asks for "%41").
    StreamNames names;
    names.streamPath = DecodeEscapesOnce(url.mid(third + 1));
    names.defaultSaveName = DecodeEscapesOnce(NameAfterSeparator(url));
    if (!HasMediaEnding(names.defaultSaveName))
        names.defaultSaveName += QStringLiteral("_live.asf");
    return names;
}

}  // namespace tovrin
