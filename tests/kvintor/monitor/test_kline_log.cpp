// "kline log" as a process on the simulated ECU behind a pseudo-terminal:
// its rows against the recording's rows for the replies the ECU sent, and
// its end on Ctrl+C.
#include "CsvFiles.h"
#include "link/FrameCodec.h"
#include "monitor/LiveRow.h"
#include "sim/PtyServer.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

namespace {

struct KlineLogOnAPseudoTerminal : ::testing::Test {
    std::shared_ptr<sim::Simulator> simulator = std::make_shared<sim::Simulator>();
    sim::PtyServer server{simulator};
    QTemporaryDir dir;
    QProcess kline;

    void SetUp() override {
        ASSERT_TRUE(server.start());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("ru_RU.UTF-8")); // decimal commas
        env.insert(QStringLiteral("TZ"), QStringLiteral("<+0530>-5:30")); // a zone half an hour off
        kline.setProcessEnvironment(env);
    }
    void TearDown() override {
        if (kline.state() != QProcess::NotRunning) {
            kline.kill();
            kline.waitForFinished(3000);
        }
        server.stop();
        QLocale::setDefault(QLocale::c());
    }
    void start(const QStringList& more) {
        kline.start(QStringLiteral(KLINE_PATH),
                    QStringList{QStringLiteral("log"), QStringLiteral("--device"), server.devicePath()} + more);
        ASSERT_TRUE(kline.waitForStarted(5000));
    }
};

} // namespace

TEST_F(KlineLogOnAPseudoTerminal, RowsAreTheRecordingsRowsForTheRepliesTheEcuSent) {
    const QString path = dir.path() + QStringLiteral("/лог.csv");
    start({QStringLiteral("--page"), QStringLiteral("1"), QStringLiteral("--seconds"), QStringLiteral("2"),
           QStringLiteral("--csv"), path});
    QThread::msleep(800);
    {
        // The speed leaves the idle range: the request changes with it.
        std::lock_guard<std::recursive_mutex> lock(simulator->mutex);
        simulator->ecu.engine().setThrottle(90);
    }
    ASSERT_TRUE(kline.waitForFinished(10000));
    EXPECT_EQ(kline.exitCode(), 0) << kline.readAllStandardError().constData();

    // What the ECU answered, row by row, as the recording writes it.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    std::vector<QStringList> expected;
    bool bothRanges[2] = {false, false};
    {
        std::lock_guard<std::recursive_mutex> lock(simulator->mutex);
        for (const auto& seen : simulator->adapter.log()) {
            if (seen.reply.isEmpty()) continue;
            const auto elements = kline::decodeFrameBody(seen.reply.left(seen.reply.size() - 1)).elements;
            const std::vector<int> reply(elements.begin(), elements.end() - 1);
            const bool fullRange = seen.request.at(8) == 41;
            bothRanges[fullRange] = true;
            expected.push_back(kvintor::liveRow(QDateTime(), 0, reply, kvintor::decodePage(0, reply, fullRange)));
        }
    }
    EXPECT_TRUE(bothRanges[0] && bothRanges[1]);
    const QByteArray bytes = fileBytes(path);
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QList<QStringList> rows = readCsvWithPython(path);
    ASSERT_EQ(static_cast<std::size_t>(rows.size()), expected.size() + 1);
    EXPECT_EQ(rows[0], kvintor::liveHeader(0));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const QStringList& row = rows[static_cast<int>(i) + 1];
        // Local time with its offset: the moment, wherever it was written.
        EXPECT_TRUE(row[0].endsWith(QStringLiteral("+05:30"))) << row[0].toStdString();
        const QDateTime at = QDateTime::fromString(row[0], Qt::ISODateWithMs);
        EXPECT_LT(std::abs(at.secsTo(QDateTime::currentDateTime())), 600) << row[0].toStdString();
        EXPECT_EQ(row.mid(1), expected[i].mid(1)) << "row " << i + 1;
    }
    EXPECT_TRUE(bytes.contains(",\"1")) << "decimal commas quoted";
}

TEST_F(KlineLogOnAPseudoTerminal, CtrlCEndsItWithEveryRowWhole) {
    start({QStringLiteral("--page"), QStringLiteral("4")});
    QElapsedTimer t;
    t.start();
    QByteArray out;
    while (out.count('\n') < 10 && t.elapsed() < 10000) {
        kline.waitForReadyRead(200);
        out += kline.readAllStandardOutput();
    }
    ASSERT_GE(out.count('\n'), 10);
    ::kill(static_cast<pid_t>(kline.processId()), SIGINT);
    ASSERT_TRUE(kline.waitForFinished(5000));
    EXPECT_EQ(kline.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(kline.exitCode(), 0);
    out += kline.readAllStandardOutput();
    EXPECT_FALSE(out.startsWith("\xEF\xBB\xBF")) << "no byte-order mark on the standard output";
    EXPECT_TRUE(out.endsWith("\r\n"));
    const QString path = dir.path() + QStringLiteral("/stdout.csv");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(out);
    f.close();
    const QList<QStringList> rows = readCsvWithPython(path);
    ASSERT_EQ(rows.size(), out.count("\r\n"));
    EXPECT_EQ(rows[0], kvintor::liveHeader(3));
    for (const QStringList& row : rows) EXPECT_EQ(row.size(), kvintor::kLiveColumns);
    EXPECT_EQ(rows[1][1], QStringLiteral("4"));
}
