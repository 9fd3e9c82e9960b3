#include "app/desktop_app.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    tovrin::ConfigureDesktopApplication();
    tovrin::SettingsStore store;
    tovrin::DesktopApp program(store);
    QObject::connect(&program, &tovrin::DesktopApp::closed, &app, &QApplication::quit, Qt::QueuedConnection);
    program.show();
    return QApplication::exec();
}
