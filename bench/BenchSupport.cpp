#include "BenchSupport.h"

#include <QProcess>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

qint64 TimedPort::write(const QByteArray& bytes) {
    const qint64 now = clock_.nsecsElapsed();
    writes_.push_back({now, now, bytes});
    return port_->write(bytes);
}

QByteArray TimedPort::read(int maxBytes, int timeoutMs) {
    QByteArray got = port_->read(maxBytes, timeoutMs);
    if (!got.isEmpty() && !writes_.empty()) writes_.back().lastReadNs = clock_.nsecsElapsed();
    return got;
}

QString startSimulator(QProcess& sim, const QString& path, const char* who) {
    sim.start(path, {QStringLiteral("--headless")});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "%s: cannot start %s\n", who, qPrintable(path));
        return {};
    }
    return QString::fromLocal8Bit(sim.readLine()).trimmed();
}

double cpuMs(pid_t pid) {
    std::FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (!f) return 0;
    char buf[1024] = {};
    const std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = 0;
    // Fields after the command's closing parenthesis: state is field 3,
    // user and system time fields 14 and 15, in clock ticks.
    const char* p = std::strrchr(buf, ')');
    if (!p) return 0;
    unsigned long user = 0, system = 0;
    if (std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system) !=
        2)
        return 0;
    return 1000.0 * static_cast<double>(user + system) /
           static_cast<double>(::sysconf(_SC_CLK_TCK));
}

namespace {

bool onPath(const char* program) {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::string dirs(path);
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string file = dirs.substr(start, end - start) + "/" + program;
        if (::access(file.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

pid_t spawn(const std::vector<std::string>& argv, int keepFd = -1) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (int fd = 3; fd < 256; ++fd)
        if (fd != keepFd) ::close(fd);
    const int quiet = ::open("/dev/null", O_WRONLY);
    if (quiet >= 0) {
        ::dup2(quiet, 1);
        ::dup2(quiet, 2);
    }
    ::execvp(args[0], args.data());
    ::_exit(127);
}

} // namespace

bool XServer::start(const char* who) {
    int fds[2];
    if (::pipe(fds) != 0) return false;
    const pid_t server = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                "1920x1080x24", "-nolisten", "tcp"},
                               fds[1]);
    ::close(fds[1]);
    std::string number;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(fds[0]);
    if (server <= 0 || number.empty()) {
        std::fprintf(stderr, "%s: Xvfb did not start\n", who);
        if (server > 0) pids_.push_back(server);
        stop();
        return false;
    }
    pids_.push_back(server);
    const std::string display = ":" + number;
    ::setenv("DISPLAY", display.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    const bool manager = onPath("openbox");
    if (manager) {
        pids_.push_back(spawn({"openbox"}));
        ::usleep(500 * 1000);
    }
    std::printf("Xvfb on %s, 1920 x 1080 x 24, window manager: %s\n", display.c_str(),
                manager ? "openbox" : "none");
    return true;
}

void XServer::stop() {
    for (auto it = pids_.rbegin(); it != pids_.rend(); ++it) {
        ::kill(*it, SIGTERM);
        ::waitpid(*it, nullptr, 0);
    }
    pids_.clear();
}

} // namespace bench
