#include "FtpServer.h"

#include <QFile>
#include <QHostAddress>
#include <QTcpServer>

FtpServer::FtpServer(const QString& user, const QString& password) {
    QStringList args{QStringLiteral(KV_FTP_SERVER_SCRIPT), root_.path()};
    if (!user.isEmpty()) args << user << password;
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The system's interpreter, where the Debian package installs the server.
    process_.start(QStringLiteral("/usr/bin/python3"), args);
    if (!process_.waitForStarted(5000)) {
        error_ = QStringLiteral("python3 does not start: ") + process_.errorString();
        return;
    }
    // The first line is the port (or the process ends: no pyftpdlib).
    while (!process_.canReadLine() && process_.state() == QProcess::Running)
        process_.waitForReadyRead(100);
    const QByteArray line = process_.readLine().trimmed();
    port_ = line.toInt();
    if (port_ <= 0)
        error_ = QStringLiteral("the FTP server did not start (is python3-pyftpdlib installed? "
                                "scripts/setup installs it)");
}

FtpServer::~FtpServer() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.closeWriteChannel(); // the server ends when its input closes
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(1000);
    }
}

QString FtpServer::address() const {
    return QStringLiteral("ftp://127.0.0.1:%1").arg(port_);
}

void FtpServer::serve(const QByteArray& content) {
    QFile f(root_.filePath(QStringLiteral("Versiy.txt")));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(content);
}

void FtpServer::removeFile() {
    QFile::remove(root_.filePath(QStringLiteral("Versiy.txt")));
}

int closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    return port;
}
