#include "support/golden.h"
#include "support/asf_sample.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace tovrin::test {

namespace {

// Transcripts hold dates and system error texts, which follow the time zone
// and the language. Every program whose output is compared with a golden
// file (this test and the tovrin-cli and server processes it starts, which
// inherit the environment) runs in UTC with untranslated texts, whatever the
// machine is set to. Runs before main, so before Qt reads the locale.
const bool kFixedZoneAndLanguage = [] {
    ::setenv("TZ", "UTC", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    ::unsetenv("LANGUAGE");
    ::tzset();
    return true;
}();

}  // namespace

::testing::AssertionResult MatchesGolden(std::string_view name, const QStringList& lines)
{
    const QString path = QStringLiteral(TOVRIN_GOLDEN_DIR "/") + QString::fromUtf8(name) + QStringLiteral(".txt");
    // Each line ends with a line feed, so an empty transcript is an empty file.
    const QString text = lines.isEmpty() ? QString() : lines.join(u'\n') + u'\n';

    if (qEnvironmentVariable("TOVRIN_UPDATE_GOLDEN") == QLatin1String("1")) {
        QDir().mkpath(QFileInfo(path).path());
        const auto readable =
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        return WriteWholeFile(path, text.toUtf8(), readable)
                   ? ::testing::AssertionSuccess()
                   : ::testing::AssertionFailure() << "cannot write " << path.toStdString();
    }
    if (!QFileInfo::exists(path))
        return ::testing::AssertionFailure()
               << "no golden file " << path.toStdString() << " (run with TOVRIN_UPDATE_GOLDEN=1 to write it)";
    QStringList want = QString::fromUtf8(ReadWholeFile(path)).split(u'\n');
    if (want.value(want.size() - 1).isEmpty())
        want.removeLast();
    const auto differ = std::mismatch(want.begin(), want.end(), lines.begin(), lines.end());
    if (differ.first == want.end() && differ.second == lines.end())
        return ::testing::AssertionSuccess();
    const auto show = [](const QStringList& l, QStringList::const_iterator at) {
        return at != l.end() ? "\"" + at->toStdString() + "\"" : std::string("(nothing)");
    };
    return ::testing::AssertionFailure() << name << ".txt line " << differ.first - want.begin() + 1 << ": expected "
                                         << show(want, differ.first) << ", got " << show(lines, differ.second);
}

}  // namespace tovrin::test
