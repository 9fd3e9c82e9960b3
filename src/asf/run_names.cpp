#include "asf/run_names.h"

#include "asf/name_rules.h"
#include "state/run_state.h"
#include "state/text_rules.h"

namespace tovrin {

bool PrepareNames(RunState& run, QString& url)
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
        return false;

    // The server is asked for the name, and the file named after it, with
    // the address's escapes decoded (once: "%2541" asks for "%41").
    run.streamPath = DecodeEscapesOnce(url.mid(third + 1));
    run.defaultSaveName = DecodeEscapesOnce(NameAfterSeparator(url));
    if (!HasMediaEnding(run.defaultSaveName))
        run.defaultSaveName += QStringLiteral("_live.asf");
    return true;
}

}  // namespace tovrin
