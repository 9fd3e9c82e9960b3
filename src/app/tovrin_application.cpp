#include "app/tovrin_application.h"

#include <cstdio>
#include <exception>

namespace tovrin {

bool TovrinApplication::notify(QObject* receiver, QEvent* event)
{
    QString error;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    } catch (...) {
        error = QStringLiteral("unknown exception");
    }
    std::fprintf(stderr, "tovrin: %s\n", qPrintable(error));
    if (m_errorHandler)
        m_errorHandler(error);
    return false;
}

}  // namespace tovrin
