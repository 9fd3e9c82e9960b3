#include "support/cli_runner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QThread>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <vector>

namespace tovrin::test {

// Pointers to each string, then a null one: an argv or envp for execve.
static std::vector<char*> Pointers(QByteArrayList& strings)
{
    std::vector<char*> pointers;
    for (QByteArray& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

CliCopyForEveryone::CliCopyForEveryone()
{
    constexpr auto kEveryoneRuns = QFileDevice::Permissions(0x7755);  // rwxr-xr-x
    const QString copy = m_dir.filePath(QStringLiteral("tovrin-cli"));
    struct statvfs mount {};
    // A /tmp mounted noexec runs no program at all.
    if (m_dir.isValid() && ::statvfs(QFile::encodeName(m_dir.path()).constData(), &mount) == 0
        && !(mount.f_flag & ST_NOEXEC) && QFile::setPermissions(m_dir.path(), kEveryoneRuns)
        && QFile::copy(QStringLiteral(TOVRIN_CLI_PATH), copy) && QFile::setPermissions(copy, kEveryoneRuns))
        m_path = copy;
}

CliOutcome RunCli(const CliLaunch& launch)
{
    CliOutcome outcome;
    // Everything the child needs is made before fork: between fork and exec
    // it may only make async-signal-safe calls.
    QByteArrayList args{QFile::encodeName(launch.program)}, env;
    for (const QString& arg : launch.args)
        args << arg.toUtf8();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), launch.configHome);
    for (const QString& entry : environment.toStringList())
        env << entry.toUtf8();
    const QByteArray workingDir = QFile::encodeName(launch.workingDir);
    const std::vector<char*> argv = Pointers(args), envp = Pointers(env);

    // Pipes, not files: a file-size limit on the child must not cut its log.
    int errPipe[2] = {-1, -1}, outPipe[2] = {-1, -1};
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (in < 0 || ::pipe2(errPipe, O_CLOEXEC | O_NONBLOCK) != 0 || ::pipe2(outPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return outcome;
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in, 0), ::dup2(outPipe[1], 1), ::dup2(errPipe[1], 2);
        ::fcntl(1, F_SETFL, 0), ::fcntl(2, F_SETFL, 0);  // the child's ends block, as usual
        ::signal(SIGINT, SIG_DFL);
        if (!workingDir.isEmpty() && ::chdir(workingDir.constData()) != 0)
            ::_exit(127);
        const rlimit limit{rlim_t(launch.fileSizeLimit.value_or(0)), rlim_t(launch.fileSizeLimit.value_or(0))};
        if (launch.fileSizeLimit && ::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(126);
        if (launch.user
            && (::setgroups(0, nullptr) != 0 || ::setgid(gid_t(*launch.user)) != 0 || ::setuid(*launch.user) != 0))
            ::_exit(126);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(in), ::close(errPipe[1]), ::close(outPipe[1]);
    QByteArray err, out;
    const auto drain = [&] {
        char chunk[65536];
        for (auto [fd, into] : {std::pair{errPipe[0], &err}, std::pair{outPipe[0], &out}})
            for (ssize_t got = 0; (got = ::read(fd, chunk, sizeof chunk)) > 0;)
                into->append(chunk, qsizetype(got));
    };
    int status = 0;
    rusage usage{};
    pid_t done = -1;
    while (pid > 0 && (done = ::wait4(pid, &status, WNOHANG, &usage)) == 0) {
        drain();
        const qint64 elapsed = clock.elapsed();
        if (outcome.interruptedAtMs < 0 && launch.interruptWhen
            && launch.interruptWhen(elapsed, QString::fromUtf8(err)))
            outcome.interruptedAtMs = elapsed, ::kill(pid, SIGINT);
        if (elapsed > launch.timeoutMs && !outcome.timedOut)
            outcome.timedOut = true, ::kill(pid, SIGKILL);
        QThread::msleep(20);
    }
    outcome.endedAtMs = clock.elapsed();
    drain();
    ::close(errPipe[0]), ::close(outPipe[0]);
    outcome.err = QString::fromUtf8(err);
    outcome.out = QString::fromUtf8(out);
    if (done != pid)
        return outcome;
    outcome.maxRssKb = usage.ru_maxrss;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.termSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return outcome;
}

std::unique_ptr<QProcess> StartCli(const QStringList& args, const QString& configHome)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    process->setProcessEnvironment(env);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start(QStringLiteral(TOVRIN_CLI_PATH), args);
    process->waitForStarted(10000);
    return process;
}

}  // namespace tovrin::test
