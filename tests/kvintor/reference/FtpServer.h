#pragma once
// A real FTP server on 127.0.0.1 for the update check: the Debian package
// python3-pyftpdlib run by ftp_server.py, on a free port, serving a folder
// of the test's own. It ends when the test lets go of it.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class FtpServer {
  public:
    // Anonymous, or only for user/password when a user is given.
    explicit FtpServer(const QString& user = QString(), const QString& password = QString());
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    bool running() const { return port_ > 0; }
    QString error() const { return error_; }
    // "ftp://127.0.0.1:PORT"
    QString address() const;
    // Puts Versiy.txt with these bytes in the served folder (or removes it).
    void serve(const QByteArray& content);
    void removeFile();

  private:
    QTemporaryDir root_;
    QProcess process_;
    int port_ = 0;
    QString error_;
};

// A port on 127.0.0.1 where nothing listens.
int closedPort();
