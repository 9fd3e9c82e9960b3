#include "state/window_state.h"

#include "state/app_context.h"
#include "state/settings_access.h"
#include "state/settings_store.h"
#include "state/shell.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>

namespace tovrin {

namespace {

std::optional<int> storedNumber(const SettingsStore& store, const QString& name)
{
    bool ok = false;
    const int value = store.read(name).trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

WindowState LoadWindowState(const SettingsStore& store)
{
    WindowState state;
    state.height = std::max(WindowState::kDesignHeight,
                            storedNumber(store, QStringLiteral("Height")).value_or(WindowState::kDesignHeight));
    state.width = std::max(WindowState::kDesignWidth,
                           storedNumber(store, QStringLiteral("Width")).value_or(WindowState::kDesignWidth));
    state.left = storedNumber(store, QStringLiteral("FormLeft")).value_or(WindowState::kDesignLeft);
    state.top = storedNumber(store, QStringLiteral("FormTop")).value_or(WindowState::kDesignTop);
    state.urlSelected = store.read(QStringLiteral("URLSelected"));
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    state.urlList = store.read(QStringLiteral("URLList")).split(lineEnd, Qt::SkipEmptyParts);
    return state;
}

bool SaveWindowState(AppContext& ctx, const WindowState& state)
{
    QString list;
    for (const QString& item : state.urlList)
        list += item + QStringLiteral("\r\n");
    return WriteSetting(ctx, QStringLiteral("URLList"), list)
           && WriteSetting(ctx, QStringLiteral("URLSelected"), state.urlSelected)
           && WriteSetting(ctx, QStringLiteral("Height"), QString::number(state.height))
           && WriteSetting(ctx, QStringLiteral("Width"), QString::number(state.width))
           && WriteSetting(ctx, QStringLiteral("FormLeft"), QString::number(state.left))
           && WriteSetting(ctx, QStringLiteral("FormTop"), QString::number(state.top));
}

void RunCloseSequence(AppContext& ctx, const WindowState& state)
{
    ctx.shell.appendLog(QCoreApplication::translate("Tovrin", "********** 關閉 **********"));
    if (ctx.stopper)
        ctx.stopper->stopRun();
    SaveWindowState(ctx, state);
}

}  // namespace tovrin
