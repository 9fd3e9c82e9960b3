#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

using namespace Qt::StringLiterals;

namespace tovrin {

bool Translations::install()
{
    if (!m_qt.load(u"qtbase_zh_TW"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&m_qt);
}

}  // namespace tovrin
