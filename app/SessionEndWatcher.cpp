#include "SessionEndWatcher.h"

#include <csignal>

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace vorad {

namespace {

int signalFds[2] = { -1, -1 };

void onSignal(int)
{
    const char byte = 1;
    // Only async-signal-safe work here: the event loop does the rest.
    [[maybe_unused]] const ssize_t n = ::write(signalFds[0], &byte, 1);
}

} // namespace

SessionEndWatcher::SessionEndWatcher(QObject* parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalFds) != 0)
        return;
    m_notifier = new QSocketNotifier(signalFds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SessionEndWatcher::readSignal);
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : { SIGTERM, SIGINT, SIGHUP })
        ::sigaction(sig, &action, nullptr);
}

SessionEndWatcher::~SessionEndWatcher()
{
    struct sigaction action
    {
    };
    action.sa_handler = SIG_DFL;
    for (int sig : { SIGTERM, SIGINT, SIGHUP })
        ::sigaction(sig, &action, nullptr);
    for (int& fd : signalFds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void SessionEndWatcher::readSignal()
{
    char buffer[16];
    while (::read(signalFds[1], buffer, sizeof buffer) > 0) { }
    Q_EMIT sessionEnding();
}

} // namespace vorad
