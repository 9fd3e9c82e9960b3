#include "asf/run_names.h"

#include "asf/name_rules.h"
#include "state/run_state.h"
#include "state/text_rules.h"

#include <array>

namespace tovrin {

namespace {

// Endings that mark a stored clip; a URL without one names a live publishing
// point. Compared exactly: mixed case is not recognised.
bool EndsInMediaExtension(const QString& url)
{
    static const std::array<QString, 6> four = {QStringLiteral(".asf"), QStringLiteral(".ASF"), QStringLiteral(".wmv"),
                                                QStringLiteral(".WMV"), QStringLiteral(".wma"), QStringLiteral(".WMA")};
    for (const QString& ext : four) {
        if (url.endsWith(ext))
            return true;
    }
    return url.endsWith(QStringLiteral(".wm")) || url.endsWith(QStringLiteral(".WM"));
}

}  // namespace

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
    if (!EndsInMediaExtension(url))
        run.defaultSaveName += QStringLiteral("_live.asf");
    return true;
}

}  // namespace tovrin
