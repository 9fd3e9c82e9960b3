#include "cli/progress_json.h"

#include "run/run_engine.h"

#include <QFileInfo>

namespace tovrin {

namespace {

constexpr int kProgressInterval = 1000;

// A JSON string: quotes, backslashes and control characters escaped, the
// rest as UTF-8.
QByteArray quoted(const QString& text)
{
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += "\\u00" + QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0');
            else
                out += c;
        }
    }
    return out + '"';
}

// One object's members in the order they are added.
class Line {
public:
    explicit Line(const char* event) { add("event", QString::fromLatin1(event)); }
    Line& add(const char* key, const QString& value) { return member(key, quoted(value)); }
    Line& add(const char* key, std::uint64_t value) { return member(key, QByteArray::number(qulonglong(value))); }
    Line& add(const char* key, int value) { return member(key, QByteArray::number(value)); }
    Line& add(const char* key, const QStringList& values)
    {
        QByteArray list = "[";
        for (const QString& value : values)
            list += (list.size() > 1 ? "," : "") + quoted(value);
        return member(key, list + ']');
    }
    QByteArray text() const { return m_text + '}'; }

private:
    Line& member(const char* key, const QByteArray& value)
    {
        m_text += (m_text.size() > 1 ? "," : "") + quoted(QString::fromLatin1(key)) + ':' + value;
        return *this;
    }
    QByteArray m_text = "{";
};

QString absolute(const QString& path)
{
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

}  // namespace

namespace progress_json {

QByteArray waiting(const QDateTime& startAt)
{
    return Line("state").add("state", QStringLiteral("waiting")).add("startAt", startAt.toString(Qt::ISODate)).text();
}

QByteArray connecting(const QString& url)
{
    return Line("state").add("state", QStringLiteral("connecting")).add("url", url).text();
}

QByteArray file(const QString& path, int part)
{
    return Line("file").add("file", absolute(path)).add("part", part).text();
}

QByteArray progress(const RecordingProgress& p, std::uint64_t rateBps)
{
    return Line("progress")
        .add("state", QStringLiteral("recording"))
        .add("file", absolute(p.file))
        .add("part", p.part)
        .add("bytes", p.bytes)
        .add("packets", p.packets)
        .add("mediaMs", p.mediaMs)
        .add("rateBps", rateBps)
        .add("missing", p.missing)
        .add("reconnectTries", p.reconnectTries)
        .text();
}

QByteArray reconnecting(int tryNumber, int limit, int waitMs)
{
    return Line("state")
        .add("state", QStringLiteral("reconnecting"))
        .add("try", tryNumber)
        .add("limit", limit)
        .add("waitMs", waitMs)
        .text();
}

QByteArray end(int status, const QString& result, const QStringList& files)
{
    return Line("end").add("status", status).add("result", result).add("files", files).text();
}

}  // namespace progress_json

QString ProgressResult(RunEnd end, bool interrupted)
{
    switch (end) {
    case RunEnd::Completed:
        return QStringLiteral("completed");
    case RunEnd::Incomplete:
        return QStringLiteral("incomplete");
    case RunEnd::UserStopped:
        // Nothing but an interruption stops a recording of the command line
        // by hand: otherwise it reached the limit it was given.
        return interrupted ? QStringLiteral("stopped") : QStringLiteral("completed");
    case RunEnd::Failed:
    case RunEnd::Lost:
        break;
    }
    return QStringLiteral("failed");
}

JsonProgress::JsonProgress(RunEngine& engine, std::FILE* out) : m_engine(engine), m_out(out)
{
    m_tick.setInterval(kProgressInterval);
    connect(&m_tick, &QTimer::timeout, this, &JsonProgress::tick);
    connect(&engine, &RunEngine::connecting, this, [this](const QString& url) {
        write(progress_json::connecting(url));
        if (!m_sinceLast.isValid())
            m_sinceLast.start();
        m_tick.start();
    });
    connect(&engine, &RunEngine::fileStarted, this, [this](const QString& path, int part) {
        m_files << absolute(path);
        write(progress_json::file(path, part));
    });
    connect(&engine, &RunEngine::reconnectWaiting, this, [this](int tryNumber, int limit, int waitMs) {
        write(progress_json::reconnecting(tryNumber, limit, waitMs));
    });
    // The figures at the end, whichever of the engine's end and the end line
    // comes first: the last second of the recording is in them.
    connect(&engine, &RunEngine::finished, this, &JsonProgress::tellLastFigures);
}

void JsonProgress::tellWaiting(const QDateTime& startAt)
{
    write(progress_json::waiting(startAt));
}

void JsonProgress::tellEnd(int status, const QString& result)
{
    if (m_ended)
        return;
    tellLastFigures();
    m_ended = true;
    // A numbered file that a failed try made and removed is no file of the
    // recording; nor is one named twice.
    QStringList files;
    for (const QString& path : std::as_const(m_files))
        if (!files.contains(path) && QFileInfo::exists(path))
            files << path;
    write(progress_json::end(status, result, files));
}

void JsonProgress::tellLastFigures()
{
    m_tick.stop();
    if (m_ended || m_lastTold)
        return;
    m_lastTold = true;
    tick();
}

void JsonProgress::tick()
{
    const RecordingProgress now = m_engine.progress();
    // Once the run has ended, its figures are those of a recording that was.
    if (now.recording)
        m_recorded = true;
    else if (!(m_lastTold && m_recorded && now.part > 0))
        return;
    const qint64 elapsed = m_sinceLast.restart();
    // A new part's bytes count from zero.
    const std::uint64_t before = now.part == m_lastPart && now.bytes >= m_lastBytes ? m_lastBytes : 0;
    const std::uint64_t rate = elapsed > 0 ? (now.bytes - before) * 1000 / std::uint64_t(elapsed) : 0;
    m_lastPart = now.part;
    m_lastBytes = now.bytes;
    write(progress_json::progress(now, rate));
}

void JsonProgress::write(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, std::size_t(line.size()), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

}  // namespace tovrin
