#pragma once

#include <QApplication>

#include <functional>

namespace tovrin {

// The desktop program's application object. An exception that reaches the
// event loop (a failed allocation, a fault in a library) is caught here and
// handed to the error handler, which tells the user and runs the stop
// routine, instead of ending the program without a word.
class TovrinApplication : public QApplication {
public:
    using QApplication::QApplication;

    // Called with the exception's text; none set: the exception is only
    // written to stderr.
    void setErrorHandler(std::function<void(const QString&)> handler) { m_errorHandler = std::move(handler); }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    std::function<void(const QString&)> m_errorHandler;
};

}  // namespace tovrin
