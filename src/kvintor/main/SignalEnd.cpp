#include "SignalEnd.h"

#include <QSocketNotifier>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace kvintor {

#ifdef Q_OS_UNIX
namespace {
int pipeEnds[2] = {-1, -1};

extern "C" void onEndSignal(int) {
    const char byte = 1;
    const int saved = errno;
    (void)!::write(pipeEnds[0], &byte, 1);
    errno = saved;
}
} // namespace
#endif

SignalEnd::SignalEnd(std::function<void()> end, QObject* parent) : QObject(parent), end_(std::move(end)) {
#ifdef Q_OS_UNIX
    if (pipeEnds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0) return;
    ::fcntl(pipeEnds[0], F_SETFL, ::fcntl(pipeEnds[0], F_GETFL) | O_NONBLOCK);
    notifier_ = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char buf[16];
        (void)!::read(pipeEnds[1], buf, sizeof buf);
        notifier_->setEnabled(false); // once is enough
        if (end_) end_();
    });
    struct sigaction action {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
#endif
}

SignalEnd::~SignalEnd() {
#ifdef Q_OS_UNIX
    if (notifier_) {
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
    }
#endif
}

} // namespace kvintor
