#include "PtyServer.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

PtyServer::PtyServer(std::shared_ptr<Simulator> simulator) : sim_(std::move(simulator)) {}

PtyServer::~PtyServer() {
    stop();
    if (!link_.isEmpty()) QFile::remove(link_);
}

bool PtyServer::openTerminal(QString* error) {
    termios raw{};
    cfmakeraw(&raw);
    cfsetispeed(&raw, B9600);
    cfsetospeed(&raw, B9600);
    char name[256] = {};
    if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
        if (error)
            *error = QStringLiteral("cannot create a pseudo-terminal: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errno)));
        master_ = slave_ = -1;
        return false;
    }
    // Our own end of the slave stays open so that a client closing the
    // port does not hang the terminal up; it never reads from it.
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    // Programs started from this process must not keep the terminal alive:
    // unplugging closes it for everybody.
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    device_ = QString::fromLocal8Bit(name);
    if (!link_.isEmpty()) {
        QFile::remove(link_);
        QFile::link(device_, link_);
    }
    return true;
}

void PtyServer::closeTerminal() {
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    master_ = slave_ = -1;
}

bool PtyServer::start(QString* error) {
    if (!openTerminal(error)) return false;
    sim_->startWallClock();
    stop_ = false;
    thread_ = std::thread([this] { serve(); });
    return true;
}

void PtyServer::stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    closeTerminal();
}

bool PtyServer::setLink(const QString& path, QString* error) {
    if (!link_.isEmpty()) QFile::remove(link_);
    link_ = path;
    QFile::remove(path);
    if (!device_.isEmpty() && !QFile::link(device_, path)) {
        if (error) *error = QStringLiteral("cannot make the link %1").arg(path);
        return false;
    }
    return true;
}

void PtyServer::unplug() {
    const bool running = thread_.joinable();
    stop();
    if (running) stop_ = false;
}

bool PtyServer::plugIn(QString* error) {
    return pluggedIn() || start(error);
}

void PtyServer::serve() {
    char buf[512];
    while (!stop_) {
        double waitMs = 5;
        {
            std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
            const double now = sim_->syncToWall();
            const QByteArray due = sim_->adapter.toPc(now, -1);
            if (!due.isEmpty()) {
                // The terminal's buffer is large; a client that never reads
                // just loses what does not fit.
                (void)!::write(master_, due.constData(), static_cast<size_t>(due.size()));
            }
            waitMs = std::min(waitMs, std::max(0.0, sim_->adapter.nextArrival() - now));
        }
        pollfd p{master_, POLLIN, 0};
        const timespec ts{0, static_cast<long>(waitMs * 1e6)};
        const int r = ppoll(&p, 1, &ts, nullptr);
        if (r > 0 && (p.revents & POLLIN)) {
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0) {
                std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
                sim_->adapter.fromPc(QByteArray(buf, static_cast<int>(n)), sim_->syncToWall());
            }
        } else if (r > 0 && (p.revents & (POLLHUP | POLLERR))) {
            struct timespec pause {
                0, 2000000
            };
            nanosleep(&pause, nullptr);
        }
    }
}

} // namespace sim
