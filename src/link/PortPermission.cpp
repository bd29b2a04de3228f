#include "PortPermission.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>
#endif

namespace kline {

namespace {

QString userName() {
#ifdef Q_OS_UNIX
    if (const passwd* pw = ::getpwuid(::geteuid())) return QString::fromLocal8Bit(pw->pw_name);
#endif
    return QStringLiteral("$USER");
}

} // namespace

bool permissionDenied(const QString& device) {
#ifdef Q_OS_UNIX
    // With the effective user, as the open itself.
    const QByteArray path = QFile::encodeName(device);
    return ::faccessat(AT_FDCWD, path.constData(), R_OK | W_OK, AT_EACCESS) != 0 &&
           errno == EACCES;
#else
    Q_UNUSED(device);
    return false;
#endif
}

QString permissionHint(const QString& device) {
    return QStringLiteral("нет доступа к %1: последовательные порты открыты группе dialout; "
                          "sudo usermod -aG dialout %2 и войдите в систему заново")
        .arg(device, userName());
}

void noticeOnStandardError(const QString& line) {
    if (QCoreApplication::instance())
        std::fprintf(stderr, "%s: ", qUtf8Printable(QCoreApplication::applicationName()));
    std::fprintf(stderr, "%s\n", qUtf8Printable(line));
    std::fflush(stderr);
}

} // namespace kline
