#pragma once

#include "app/desktop_app.h"
#include "app/modal_driver.h"
#include "support/core_app.h"
#include "support/temp_settings.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolButton>

#include <functional>
#include <memory>

namespace tovrin::test {

using namespace Qt::StringLiterals;

// What the preview monitor's status line shows.
inline QString StatusText(PreviewMonitor& monitor)
{
    return monitor.findChild<QLabel*>(u"statusLabel"_s)->text();
}

// The desktop program over a settings store of its own.
struct Desktop {
    QTemporaryDir dir;
    SettingsStore store{dir.filePath(u"Tovrin.conf"_s)};
    std::unique_ptr<DesktopApp> app;

    explicit Desktop(QStringView stored = u"UDPPort=0")
    {
        WriteSettings(store, stored);
        app = std::make_unique<DesktopApp>(store);
        app->shell().flashHandler = [this] { ++flashes; };
        app->sound().onPlay = [this](const QString&) { ++sounds; };
        captions << app->window().statusCaption();
        QObject::connect(&app->window(), &QWidget::windowTitleChanged, [this] {
            const QString caption = app->window().statusCaption();
            if (captions.isEmpty() || captions.last() != caption)
                captions << caption;
        });
        app->show();
    }

    QToolButton* button(const char* name) const { return app->window().findChild<QToolButton*>(QLatin1String(name)); }
    QString field(const char* name) const { return app->window().findChild<QLineEdit*>(QLatin1String(name))->text(); }
    bool labelShown(const char* name) const
    {
        return app->window().findChild<QLabel*>(QLatin1String(name))->isVisible();
    }

    int flashes = 0;
    int sounds = 0;
    QStringList captions;
};

// One recording through the main window: the address typed into the URL
// box, 執行 clicked, the save chooser answered with `out`, every message
// box read and confirmed (the completion message held `holdMs`); any other
// dialog goes to `other`; `during` acts once 執行 is clicked. Returns once
// the run has ended and its last box is closed.
struct WindowRun {
    QStringList messages;
    bool buttonsSwapped = false;  // Connect off and Disconnect on while it ran
    bool buttonsRestored = false;
    bool ended = false;
};

inline WindowRun RecordThroughWindow(Desktop& d, const QString& url, const QString& out, int holdMs = 0,
                                     const std::function<void(QWidget*)>& other = {},
                                     const std::function<void(const WindowRun&)>& during = {})
{
    WindowRun run;
    auto* connectButton = d.button("connectButton");
    auto* disconnectButton = d.button("disconnectButton");
    QObject watching;  // its connections end with this run
    QObject::connect(&d.app->engine(), &RunEngine::runStarted, &watching,
                     [&] { run.buttonsSwapped = !connectButton->isEnabled() && disconnectButton->isEnabled(); });
    QObject::connect(&d.app->engine(), &RunEngine::finished, &watching, [&] { run.ended = true; });
    ModalDriver driver([&](QWidget* modal) {
        if (qobject_cast<QFileDialog*>(modal)) {
            AcceptFileChooser(modal, out);
        } else if (qobject_cast<QMessageBox*>(modal)) {
            const QString text = qobject_cast<QMessageBox*>(modal)->text();
            run.messages << text;
            const bool completion = text.startsWith(u"下載完成"_s);
            QTimer::singleShot(completion ? holdMs : 0, modal, [modal] { AnswerMessageBox(modal); });
        } else if (other) {
            other(modal);
        }
    });
    d.app->window().urlBox()->setEditText(url);
    connectButton->click();
    if (during)
        during(run);
    WaitUntil([&] { return run.ended && !QApplication::activeModalWidget(); }, 60000);
    run.buttonsRestored = connectButton->isEnabled() && !disconnectButton->isEnabled();
    return run;
}

}  // namespace tovrin::test
