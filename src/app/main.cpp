#include "app/desktop_app.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovrin"));
    QApplication::setOrganizationName(QStringLiteral("Tovrin Streaming"));
    // The close sequence ends the program, also when a window is still open.
    QApplication::setQuitOnLastWindowClosed(false);

    tovrin::SettingsStore store;
    tovrin::DesktopApp program(store);
    QObject::connect(&program, &tovrin::DesktopApp::closed, &app, &QApplication::quit, Qt::QueuedConnection);
    program.show();
    return QApplication::exec();
}
