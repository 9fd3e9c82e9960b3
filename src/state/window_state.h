#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tovrin {

struct AppContext;
class SettingsStore;

// The main window's size, place and URL box as they are kept between program
// runs (Height, Width, FormLeft, FormTop, URLSelected, URLList).
struct WindowState {
    static constexpr int kDesignWidth = 346;
    static constexpr int kDesignHeight = 463;
    static constexpr int kDesignLeft = 239;
    static constexpr int kDesignTop = 88;

    int height = kDesignHeight;
    int width = kDesignWidth;
    int left = kDesignLeft;
    int top = kDesignTop;
    QString urlSelected;
    QStringList urlList;
};

// What the last close stored. Each value stands on its own: one that is
// missing or not a whole number keeps the design value and takes nothing
// else with it. A size below the design size is raised to it.
WindowState LoadWindowState(const SettingsStore& store);

// URLList (every item followed by CR LF), URLSelected, then the geometry as
// signed decimal text. False after a value that could not be written (told
// to the user); the values after it are skipped.
bool SaveWindowState(AppContext& ctx, const WindowState& state);

// The close sequence, once per program run: the closing line in the log, the
// stop routine (so the recording is finished before anything else can fail),
// then the window state. The front end then lets its network parts go.
void RunCloseSequence(AppContext& ctx, const WindowState& state);

}  // namespace tovrin
