#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/types.h>
#include <functional>
#include <memory>
#include <optional>

namespace tovrin::test {

// How to run tovrin-cli as a child of the test: forked and executed here,
// reaped with wait4, so the kernel's accounting of that one process tells its
// peak memory. Its stdin is empty (not a terminal).
struct CliLaunch {
    QString program = QStringLiteral(TOVRIN_CLI_PATH);  // the tovrin-cli to run
    QStringList args;
    QString configHome{};                   // XDG_CONFIG_HOME
    QString workingDir{};                   // the test's own when empty
    std::optional<qint64> fileSizeLimit{};  // RLIMIT_FSIZE in bytes, as `ulimit -f` sets it
    std::optional<uid_t> user{};            // run as this user (and its group of the same number); needs root
    int timeoutMs = 60000;                  // killed with SIGKILL beyond this
    // Asked every 20 ms with the milliseconds since the start and what the
    // CLI has logged so far; the first true sends SIGINT, as Ctrl-C does.
    std::function<bool(qint64 elapsedMs, const QString& logSoFar)> interruptWhen{};
};

struct CliOutcome {
    int exitCode = -1;   // -1 unless it exited by itself in time
    int termSignal = 0;  // the signal that ended it, if one did
    bool timedOut = false;
    long maxRssKb = 0;  // ru_maxrss of the process
    qint64 interruptedAtMs = -1;
    qint64 endedAtMs = -1;
    QString err;  // everything it wrote to stderr (its log)
    QString out;
};

// Runs tovrin-cli to its end. Exit status 126: the child could not become
// launch.user; 127: it could not execute the program.
CliOutcome RunCli(const CliLaunch& launch);
inline CliOutcome RunCli(const QStringList& args, const QString& configHome, int timeoutMs = 60000,
                         const QString& workingDir = {})
{
    return RunCli(CliLaunch{.args = args, .configHome = configHome, .workingDir = workingDir, .timeoutMs = timeoutMs});
}

// Starts tovrin-cli without waiting, for tests that do more while it runs.
std::unique_ptr<QProcess> StartCli(const QStringList& args, const QString& configHome);

// A copy of the tovrin-cli built here that every user can run, in a folder of
// its own under /tmp (mode 755), removed with this. A child run as another
// user cannot reach the build tree when the checkout sits in a folder only
// its owner may enter (a clone in root's home folder, mode 700); the copy
// needs nothing from the tree, as it links Tovrin's libraries statically.
class CliCopyForEveryone {
public:
    CliCopyForEveryone();
    // The copy's path; empty when it could not be made, or /tmp runs no programs.
    QString path() const { return m_path; }

private:
    QTemporaryDir m_dir{QStringLiteral("/tmp/tovrin-cli-XXXXXX")};
    QString m_path;
};

// True in a build with AddressSanitizer, whose shadow memory makes the
// resident size of a process mean nothing.
constexpr bool kAddressSanitizer =
#if defined(__SANITIZE_ADDRESS__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

}  // namespace tovrin::test
