// The real Kvintor on the simulated ECU behind a pseudo-terminal, killed
// (SIGKILL) mid-visit: every row it had committed is there afterwards.
#include "TestDatabase.h"
#include "VisitStore.h"
#include "common/SettingsStore.h"
#include "sim/PtyServer.h"
#include "sim/Simulator.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

using namespace kvintor::visits;

namespace {
struct KilledMidVisit : ::testing::TestWithParam<Backend> {
    QTemporaryDir dir;
    TestDatabase db{GetParam(), dir.path()};
    void SetUp() override {
        if (!db.cannot.isEmpty()) GTEST_SKIP() << db.cannot.toStdString();
    }
};
} // namespace

TEST_P(KilledMidVisit, LosesNoCommittedRow) {
    auto sim = std::make_shared<sim::Simulator>();
    sim->ecu.setText(117, QStringLiteral("K555"));
    sim->ecu.addFault(13, true);
    sim::PtyServer server(sim);
    ASSERT_TRUE(server.start());
    const QString link = dir.path() + QStringLiteral("/ecu");
    ASSERT_TRUE(server.setLink(link));
    common::SettingsStore settings(dir.path() + QStringLiteral("/config/kvintor-workshop"));
    auto put = [&settings](const QString& key, const QString& value) {
        settings.SaveSetting(QStringLiteral("Kvintor"), QStringLiteral("fNastr"), key, value);
    };
    put(QStringLiteral("ВыбрПорт"), QStringLiteral("1"));
    const bool pg = db.backend() == Backend::Postgres;
    put(QStringLiteral("Журнал"), pg ? QStringLiteral("1") : QStringLiteral("0"));
    put(QStringLiteral("ЖурналСервер"), db.config.host);
    put(QStringLiteral("ЖурналБаза"), db.config.database);
    put(QStringLiteral("ЖурналПользователь"), db.config.user);
    StoreConfig config = db.config;
    // The program's own file in its data folder.
    if (!pg) config.file = dir.path() + QStringLiteral("/data/Kvintor/visits.sqlite");

    QProcess kvintor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path() + QStringLiteral("/data"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    kvintor.setProcessEnvironment(env);
    kvintor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    kvintor.start(QStringLiteral(KVINTOR_PATH),
                  {QStringLiteral("--port"), QStringLiteral("1=") + link});
    ASSERT_TRUE(kvintor.waitForStarted(5000));

    // The visit opens as the ECU is identified, with its passport read.
    std::optional<Visit> before;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 30000 && !before) {
        QThread::msleep(100);
        VisitStore store;
        if (!store.open(config)) continue;
        const auto list = store.visits();
        if (!list.empty()) before = store.visit(list.front().id);
    }
    ASSERT_TRUE(before) << "no visit within 30 s";
    kvintor.kill(); // SIGKILL: no exit code runs
    ASSERT_TRUE(kvintor.waitForFinished(5000));
    server.stop();

    VisitStore store;
    ASSERT_TRUE(store.open(config)) << store.error().toStdString();
    EXPECT_TRUE(store.writable()) << "no lock or journal left behind: "
                                  << store.error().toStdString();
    const auto list = store.visits();
    ASSERT_EQ(list.size(), 1u);
    const auto after = store.visit(list.front().id);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->opening.ecu.series, QStringLiteral("K555"));
    EXPECT_EQ(after->opening.at, before->opening.at);
    EXPECT_EQ(after->opening.passport, before->opening.passport);
    EXPECT_EQ(after->opening.identification, before->opening.identification);
    EXPECT_EQ(after->opening.configuration, before->opening.configuration);
    EXPECT_EQ(after->opening.passport.size(), 7u);
    // It goes on being written after the kill.
    EXPECT_TRUE(
        store.addRemark(after->id, {QDateTime::currentDateTime(), QStringLiteral("после")}));
}

KV_ON_EVERY_BACKEND(KilledMidVisit);
