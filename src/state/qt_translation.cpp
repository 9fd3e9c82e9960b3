#include "state/qt_translation.h"

#include "state/settings_store.h"

#include <QLibraryInfo>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace tovrin {

bool IsKnownLanguage(const QString& name)
{
    return name == u"zh_TW"_s || name == u"en"_s;
}

QString ChosenLanguage(const QString& given, const SettingsStore& store)
{
    if (IsKnownLanguage(given))
        return given;
    const QString stored = store.read(u"Language"_s);
    return IsKnownLanguage(stored) ? stored : u"zh_TW"_s;
}

bool LoadQtTranslation(QTranslator& translator, const QString& language)
{
    if (language == u"en"_s)
        return true;
    return translator.load(u"qtbase_zh_TW"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

}  // namespace tovrin
