#include "user_actions/schedule_progress.h"

#include "user_actions/schedule_rules.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tovrin {

namespace {

using State = ScheduledRunView::State;

std::uint64_t count(const QJsonObject& object, const char* key)
{
    const double value = object.value(QLatin1String(key)).toDouble();
    return value > 0 ? std::uint64_t(value) : 0;
}

State endState(const QString& result)
{
    if (result == u"completed")
        return State::Completed;
    if (result == u"incomplete")
        return State::Incomplete;
    if (result == u"stopped")
        return State::Stopped;
    return State::Failed;
}

}  // namespace

bool ReadProgressLine(const QByteArray& line, ScheduledRunView& view)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject object = document.object();
    const QString event = object.value(u"event").toString();
    const QString state = object.value(u"state").toString();
    if (event == u"state") {
        if (state == u"waiting") {
            view.state = State::WaitingStart;
        } else if (state == u"connecting") {
            view.state = State::Connecting;
        } else if (state == u"reconnecting") {
            view.state = State::Reconnecting;
            view.reconnectTry = int(count(object, "try"));
            view.reconnectLimit = int(count(object, "limit"));
        } else {
            return false;
        }
        return true;
    }
    if (event == u"file") {
        view.file = object.value(u"file").toString();
        view.part = int(count(object, "part"));
        view.bytes = view.packets = view.missing = 0;
        return true;
    }
    if (event == u"progress") {
        view.state = State::Recording;
        view.file = object.value(u"file").toString();
        view.part = int(count(object, "part"));
        view.bytes = count(object, "bytes");
        view.packets = count(object, "packets");
        view.mediaMs = count(object, "mediaMs");
        view.rateBps = count(object, "rateBps");
        view.missing = count(object, "missing");
        view.reconnectTry = int(count(object, "reconnectTries"));
        return true;
    }
    if (event == u"end") {
        view.ended = true;
        view.state = endState(object.value(u"result").toString());
        view.exitStatus = object.value(u"status").toInt(-1);
        view.files.clear();
        for (const QJsonValue& file : object.value(u"files").toArray())
            view.files << file.toString();
        return true;
    }
    return false;
}

void ProcessEnded(ScheduledRunView& view, int exitStatus, bool crashed, const QString& reason)
{
    if (view.exitStatus < 0)
        view.exitStatus = exitStatus;
    if (!view.ended || crashed)
        view.state = State::Failed;
    if (view.state == State::Failed && view.reason.isEmpty())
        view.reason = reason;
}

QString SizeText(std::uint64_t bytes)
{
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg(double(bytes) / 1024, 0, 'f', 1);
    return QStringLiteral("%1 MB").arg(double(bytes) / (1024 * 1024), 0, 'f', 1);
}

QString StateText(const ScheduledRunView& view, int limit)
{
    switch (view.state) {
    case State::Idle:
        return QString();
    case State::WaitingPlace:
        return QCoreApplication::translate("Schedule", "等候中: 已達同時錄製上限 (%1)").arg(limit);
    case State::WaitingOwn:
        return QCoreApplication::translate("Schedule", "等候中: 上一次錄製尚未結束");
    case State::WaitingStart:
        return QCoreApplication::translate("Schedule", "等候開始時間");
    case State::Connecting:
        return QCoreApplication::translate("Schedule", "連線中");
    case State::Recording:
        return QCoreApplication::translate("Schedule", "錄製中");
    case State::Reconnecting:
        return QCoreApplication::translate("Schedule", "重新連線 (第 %1 次，最多 %2 次)")
            .arg(view.reconnectTry)
            .arg(view.reconnectLimit);
    case State::Completed:
        return QCoreApplication::translate("Schedule", "已完成");
    case State::Incomplete:
        return QCoreApplication::translate("Schedule", "不完整");
    case State::Stopped:
        return QCoreApplication::translate("Schedule", "已停止");
    case State::Failed:
        return view.reason.isEmpty() ? QCoreApplication::translate("Schedule", "失敗")
                                     : QCoreApplication::translate("Schedule", "失敗: %1").arg(view.reason);
    case State::Missed:
        return QCoreApplication::translate("Schedule", "已錯過");
    }
    return QString();
}

QString ProgressText(const ScheduledRunView& view)
{
    if (view.part == 0)
        return QString();
    QString text = QCoreApplication::translate("Schedule", "第 %1 段, %2, %3")
                       .arg(view.part)
                       .arg(SizeText(view.bytes), ClockText(view.mediaMs / 1000));
    if (view.missing > 0)
        text += QCoreApplication::translate("Schedule", ", 缺少 %1 個封包").arg(view.missing);
    return text;
}

}  // namespace tovrin
