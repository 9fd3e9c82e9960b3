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

    run.streamPath = url.mid(third + 1);
    run.defaultSaveName = NameAfterSeparator(url);
    if (!HasMediaEnding(url))
        run.defaultSaveName += QStringLiteral("_live.asf");
    return true;
}

}  // namespace tovrin
