#include "core/termination.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace kelto {

namespace {

int g_pipe[2] = {-1, -1};
const int Watched[] = {SIGTERM, SIGHUP, SIGINT};

extern "C" void OnTerminationSignal(int sig)
{
    const int saved = errno;
    const unsigned char b = static_cast<unsigned char>(sig);
    // A full pipe already holds a request: nothing is lost by dropping this.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &b, 1);
    errno = saved;
}

} // namespace

TTerminationWatch::TTerminationWatch(QObject* parent)
    : QObject(parent)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TTerminationWatch::ReadPipe);
    struct sigaction sa { };
    sa.sa_handler = OnTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : Watched)
        ::sigaction(sig, &sa, nullptr);
}

TTerminationWatch::~TTerminationWatch()
{
    if (g_pipe[0] < 0)
        return;
    struct sigaction sa { };
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    for (int sig : Watched)
        ::sigaction(sig, &sa, nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TTerminationWatch::ReadPipe()
{
    unsigned char b = 0;
    int last = 0;
    while (::read(g_pipe[0], &b, 1) == 1)
        last = b;
    if (last)
        emit requested(last);
}

} // namespace kelto
