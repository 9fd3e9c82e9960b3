#pragma once

#include "state/qt_translation.h"

#include <QString>
#include <QTranslator>

namespace tovrin {

// The translations the windows speak through, installed on the application
// for its life: Tovrin's own (English; the texts are written in Chinese) and
// Qt's own for its standard dialogs (the file choosers, the message boxes'
// buttons, the print dialog), so that they speak the same language.
class Translations {
public:
    // Installs the translations of `language` (IsKnownLanguage). False when
    // one cannot be loaded (the reason is in error()): those texts then stay
    // as they are written.
    bool install(const QString& language);
    QString error() const { return m_error; }

private:
    QTranslator m_program;
    QTranslator m_qt;
    QString m_error;
};

}  // namespace tovrin
