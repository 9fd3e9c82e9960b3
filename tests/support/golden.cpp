#include "support/golden.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tovrin::test {

::testing::AssertionResult MatchesGolden(std::string_view name, const QStringList& lines)
{
    const QString path = QStringLiteral(TOVRIN_GOLDEN_DIR "/") + QString::fromUtf8(name) + QStringLiteral(".txt");
    const QString text = lines.join(u'\n') + u'\n';

    if (qEnvironmentVariable("TOVRIN_UPDATE_GOLDEN") == QLatin1String("1")) {
        QDir().mkpath(QFileInfo(path).path());
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(text.toUtf8()) < 0)
            return ::testing::AssertionFailure() << "cannot write " << path.toStdString();
        return ::testing::AssertionSuccess();
    }

    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return ::testing::AssertionFailure()
               << "no golden file " << path.toStdString() << " (run with TOVRIN_UPDATE_GOLDEN=1 to write it)";
    QStringList want = QString::fromUtf8(in.readAll()).split(u'\n');
    if (want.value(want.size() - 1).isEmpty())
        want.removeLast();

    for (qsizetype i = 0; i < std::max(want.size(), lines.size()); ++i) {
        if (i < want.size() && i < lines.size() && want[i] == lines[i])
            continue;
        auto show = [](const QStringList& l, qsizetype i) {
            return i < l.size() ? "\"" + l[i].toStdString() + "\"" : std::string("(nothing)");
        };
        return ::testing::AssertionFailure()
               << name << ".txt line " << i + 1 << ": expected " << show(want, i) << ", got " << show(lines, i);
    }
    return ::testing::AssertionSuccess();
}

}  // namespace tovrin::test
