#include "asf/player_name.h"

namespace tovrin {

std::optional<QString> PresentedPlayerName(QStringView text, PlayerNameProblem* problem)
{
    const QStringView name = text.trimmed();
    if (name.isEmpty())
        return kDefaultPlayerName;
    std::optional<PlayerNameProblem> found;
    if (name.size() > kMaxPlayerNameLength)
        found = PlayerNameProblem::TooLong;
    for (const QChar c : name) {
        if (found)
            break;
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            found = PlayerNameProblem::NotPrintable;
        else if (c == u';')
            found = PlayerNameProblem::HasSemicolon;
    }
    if (found) {
        if (problem)
            *problem = *found;
        return std::nullopt;
    }
    return name.toString();
}

}  // namespace tovrin
