#include "locations/player_name.h"

#include <QCoreApplication>

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

QString PlayerNameRefusal(QStringView text)
{
    PlayerNameProblem problem{};
    if (PresentedPlayerName(text, &problem))
        return {};
    switch (problem) {
    case PlayerNameProblem::TooLong:
        return QCoreApplication::translate("Tovrin", "播放器名稱最多 %1 個字元").arg(kMaxPlayerNameLength);
    case PlayerNameProblem::NotPrintable:
        return QCoreApplication::translate("Tovrin", "播放器名稱只能使用可列印的 ASCII 字元");
    case PlayerNameProblem::HasSemicolon:
        break;
    }
    return QCoreApplication::translate("Tovrin", "播放器名稱不能包含分號 (;)");
}

}  // namespace tovrin
