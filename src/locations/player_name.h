#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace tovrin {

// The player name and version Tovrin presents to servers: the first field of
// the MMS connect command's text ("NSPlayer/7.0.0.1956; {GUID}; Host: h") and
// the User-Agent of MMS over HTTP. Some servers serve only the players they know.
inline const QString kDefaultPlayerName = QStringLiteral("NSPlayer/7.0.0.1956");
inline constexpr qsizetype kMaxPlayerNameLength = 128;

// Why a text cannot be presented as the player name.
enum class PlayerNameProblem {
    TooLong,       // over kMaxPlayerNameLength characters
    NotPrintable,  // a character outside printable ASCII: a line break would end the HTTP header
    HasSemicolon,  // ';' ends the name within the MMS connect command's text
};

// The player name to present for the text the user set (an option or a
// setting): the default for empty or blank text, else the text without the
// blanks around it. Nothing, and *problem set when asked, for a text that
// cannot be carried.
std::optional<QString> PresentedPlayerName(QStringView text, PlayerNameProblem* problem = nullptr);

// Why `text` cannot be the player name, in the user's language; empty when
// it can.
QString PlayerNameRefusal(QStringView text);

}  // namespace tovrin
