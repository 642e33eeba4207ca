#include "app/EndSignals.h"

#include <QtGlobal>

#include "common/EventEdge.h"

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_fds[2] = {-1, -1}; // [0] written by the handler, [1] read on the event loop
struct sigaction g_previous[2];
constexpr int Signals[2] = {SIGTERM, SIGINT};

void onSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    // Async-signal-safe; a full pipe means an end is already pending.
    [[maybe_unused]] const ssize_t n = ::write(g_fds[0], &byte, 1);
    errno = saved;
}
} // namespace

EndSignals::EndSignals(std::function<void()> onEnd, QObject *parent)
    : QObject(parent), m_onEnd(std::move(onEnd))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_fds) != 0)
        return;
    ::fcntl(g_fds[0], F_SETFL, O_NONBLOCK);
    ::fcntl(g_fds[1], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &EndSignals::readSignal);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 2; ++i)
        ::sigaction(Signals[i], &action, &g_previous[i]);
}

EndSignals::~EndSignals()
{
    if (!m_notifier)
        return;
    for (int i = 0; i < 2; ++i)
        ::sigaction(Signals[i], &g_previous[i], nullptr);
    delete m_notifier;
    ::close(g_fds[0]);
    ::close(g_fds[1]);
    g_fds[0] = g_fds[1] = -1;
}

void EndSignals::readSignal()
{
    char byte = 0;
    bool any = false;
    while (::read(g_fds[1], &byte, 1) == 1) {
        m_lastSignal = byte;
        any = true;
    }
    // The end logs its own failures; one that escapes it has nowhere left to go but stderr.
    if (any && m_onEnd)
        atEventEdge(m_onEnd,
                    [](const QString &description) { qWarning("%s", qPrintable(description)); });
}

#else

EndSignals::EndSignals(std::function<void()> onEnd, QObject *parent)
    : QObject(parent), m_onEnd(std::move(onEnd))
{
}

EndSignals::~EndSignals() = default;

void EndSignals::readSignal() {}

#endif
