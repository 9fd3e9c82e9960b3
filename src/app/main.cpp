#include "app/command_line.h"
#include "app/desktop_app.h"
#include "app/single_instance.h"
#include "app/tovrin_application.h"
#include "app/translations.h"

#include <QTimer>

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // --help and --version are answered before the application object, so
    // they need no display.
    const tovrin::CommandLine early = tovrin::ParseCommandLine(arguments);
    if (early.action == tovrin::CommandLine::Action::Help || early.action == tovrin::CommandLine::Action::Version) {
        std::fputs(early.text.toLocal8Bit().constData(), stdout);
        return 0;
    }

    tovrin::TovrinApplication app(argc, argv);
    tovrin::ConfigureDesktopApplication();
    // Read again without Qt's own options (-platform, -style, ...), which the
    // application object has taken.
    const tovrin::CommandLine command = tovrin::ParseCommandLine(QApplication::arguments());
    if (command.action != tovrin::CommandLine::Action::Run) {
        std::fputs(command.text.toLocal8Bit().constData(), stderr);
        return 2;
    }

    tovrin::SettingsStore store;
    // --lang, else the Language setting, else Traditional Chinese; before
    // the first window is made.
    const QString language = tovrin::ChosenLanguage(command.language, store);
    tovrin::Translations translations;
    if (!translations.install(language))
        std::fprintf(stderr, "tovrin: %s\n", qPrintable(translations.error()));
    tovrin::SingleInstance instance(tovrin::InstanceServerName(store.location()));
    if (instance.handOff(command.location))
        return 0;
    if (!instance.listen())
        std::fputs("tovrin: cannot listen for later starts; each start opens its own window\n", stderr);

    tovrin::DesktopApp program(store);
    app.setErrorHandler([&program](const QString& error) { program.applicationError(error); });
    QObject::connect(&program, &tovrin::DesktopApp::closed, &app, &QApplication::quit, Qt::QueuedConnection);
    // Queued: opening a redirector waits for its fetch, which must not hold
    // up the answer to the start that handed it over.
    QObject::connect(&instance, &tovrin::SingleInstance::locationReceived, &program, &tovrin::DesktopApp::openLocation,
                     Qt::QueuedConnection);
    program.show();
    if (!command.location.isEmpty())
        QTimer::singleShot(0, &program, [&program, location = command.location] { program.openLocation(location); });
    return QApplication::exec();
}
