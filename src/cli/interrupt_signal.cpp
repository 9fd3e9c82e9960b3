#include "cli/interrupt_signal.h"

#include "locations/redirector_fetch.h"

#include <memory>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>
#include <csignal>

namespace tovrin {

namespace {
int g_pipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_pipe[1], &byte, 1);
}
}  // namespace

InterruptSignal::InterruptSignal(QObject* parent) : QObject(parent)
{
    if (::pipe(g_pipe) != 0)
        return;
    ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte;
        [[maybe_unused]] const auto got = ::read(g_pipe[0], &byte, 1);
        emit interrupted();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

InterruptSignal::~InterruptSignal()
{
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    // The pipe goes with its notifier, so a later one starts afresh.
    delete m_notifier;
    for (int& end : g_pipe) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

}  // namespace tovrin
#endif

namespace tovrin {

void StopFetchOnInterrupt(RedirectorFetch& fetch)
{
    auto interrupt = std::make_shared<std::unique_ptr<InterruptSignal>>();
    QObject::connect(&fetch, &RedirectorFetch::busyChanged, &fetch, [interrupt, &fetch](bool busy) {
        interrupt->reset();
        if (!busy)
            return;
        *interrupt = std::make_unique<InterruptSignal>();
        QObject::connect(interrupt->get(), &InterruptSignal::interrupted, &fetch, &RedirectorFetch::abort);
    });
}

}  // namespace tovrin

#ifndef Q_OS_UNIX
namespace tovrin {
InterruptSignal::InterruptSignal(QObject* parent) : QObject(parent) {}
InterruptSignal::~InterruptSignal() = default;
}  // namespace tovrin
#endif
