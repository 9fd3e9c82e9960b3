#pragma once

#include <QString>
#include <QStringList>

namespace tovrin {

// Most locations the open dialog's history keeps.
inline constexpr int kMaxOpenHistory = 20;

// The history as stored in MediaList: every item followed by CR LF.
QString JoinOpenHistory(const QStringList& items);
// MediaList back into items: a line ends at CR, LF or CR LF. At most
// kMaxOpenHistory items, the newest.
QStringList SplitOpenHistory(const QString& stored);

}  // namespace tovrin
