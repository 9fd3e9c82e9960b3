#include "locations/open_history.h"

#include <QRegularExpression>

namespace tovrin {

QString JoinOpenHistory(const QStringList& items)
{
    QString stored;
    for (const QString& item : items)
        stored += item + QStringLiteral("\r\n");
    return stored;
}

QStringList SplitOpenHistory(const QString& stored)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList items = stored.split(lineEnd);
    // The line end after the last item leaves an empty piece behind it.
    if (!items.isEmpty() && items.last().isEmpty())
        items.removeLast();
    if (items.size() > kMaxOpenHistory)
        items.resize(kMaxOpenHistory);
    return items;
}

}  // namespace tovrin
