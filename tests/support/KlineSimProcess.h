#pragma once
// kline-sim started by a test as the user starts it: headless, commands on
// its standard input, the device path as its first line.
#include <QProcess>
#include <QStringList>

class KlineSimProcess {
public:
    // Starts kline-sim with --headless and the given options; answers the
    // device path it printed (empty when it did not start).
    QString start(const QString& program, const QStringList& options = {}) {
        process.start(program, QStringList{QStringLiteral("--headless")} + options);
        if (!process.waitForStarted(5000)) return QString();
        return readLine();
    }
    ~KlineSimProcess() {
        if (process.state() == QProcess::NotRunning) return;
        process.write("quit\n");
        if (!process.waitForFinished(3000)) process.kill();
    }
    QString readLine() {
        while (!process.canReadLine())
            if (!process.waitForReadyRead(5000)) return QString();
        return QString::fromLocal8Bit(process.readLine()).trimmed();
    }
    // A command on standard input; answers kline-sim's reply line ("ok ..."
    // when it was taken), past any new device path it printed first.
    QString command(const QByteArray& line) {
        process.write(line + "\n");
        QString answer;
        do {
            answer = readLine();
        } while (answer.startsWith(QStringLiteral("/dev/")));
        return answer;
    }

    QProcess process;
};
