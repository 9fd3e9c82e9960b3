#pragma once

#include <QTranslator>

namespace tovrin {

// The translations the windows speak through, installed on the application
// for its life: Qt's own for its standard dialogs (the file choosers, the
// message boxes' buttons, the print dialog), so that they speak the program's
// language too.
class Translations {
public:
    // Installs Qt's Traditional Chinese (qtbase_zh_TW from Qt's translations
    // folder). False when it cannot be loaded: the standard dialogs then
    // speak English.
    bool install();

private:
    QTranslator m_qt;
};

}  // namespace tovrin
