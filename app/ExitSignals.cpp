#include "app/ExitSignals.h"

#include "platform/log/Log.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may only write to a descriptor: the event loop reads the other end.
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[std::size(kSignals)];

void OnSignal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[0], &byte, 1);
    errno = saved;
}

} // namespace

CExitSignals::CExitSignals(std::function<void()> onExit) : m_onExit(std::move(onExit)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0) {
        qCWarning(vlog::app) << "no socket pair for the termination signals:" << std::strerror(errno);
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { OnActivated(); });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, &g_previous[i]);
}

CExitSignals::~CExitSignals() {
    if (g_pipe[0] < 0)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &g_previous[i], nullptr);
    m_notifier.reset();
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void CExitSignals::OnActivated() {
    unsigned char byte = 0;
    while (::read(g_pipe[1], &byte, 1) == 1) {
        qCInfo(vlog::app) << "termination signal" << int(byte) << "received: ending the program";
        m_received = true;
        if (m_onExit)
            m_onExit();
    }
}
