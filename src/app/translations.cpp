#include "app/translations.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace tovrin {

bool Translations::install(const QString& language)
{
    if (language == u"en"_s) {
        // Qt speaks English by itself; only the program's texts need it.
        if (!m_program.load(u":/tovrin/i18n/tovrin_en.qm"_s)) {
            m_error = u"Tovrin's English translation (tovrin_en.qm) is missing"_s;
            return false;
        }
        return QCoreApplication::installTranslator(&m_program);
    }
    if (!LoadQtTranslation(m_qt, language)) {
        m_error =
            u"Qt's Traditional Chinese translation (qtbase_zh_TW) is missing; the standard dialogs speak English"_s;
        return false;
    }
    return QCoreApplication::installTranslator(&m_qt);
}

}  // namespace tovrin
