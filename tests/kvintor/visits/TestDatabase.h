#pragma once
// A fresh visit database for one test: an SQLite file in a temporary
// folder, or a database of its own on the PostgreSQL server that the test
// run started (scripts/pg-test-server, named by KV_TEST_PG). What cannot
// run here says why, and the test skips with that.
#include "VisitStore.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

enum class Backend { Sqlite, Postgres };

inline std::string backendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::Sqlite ? "Sqlite" : "Postgres";
}

class TestDatabase {
  public:
    TestDatabase(Backend backend, const QString& folder) : backend_(backend) {
        using Kind = kvintor::visits::StoreConfig::Kind;
        if (backend == Backend::Sqlite) {
            config.kind = Kind::Sqlite;
            config.file = folder + QStringLiteral("/data/visits.sqlite");
            return;
        }
        // Where ctest's fixture (scripts/pg-test-server) tells of its
        // server; KV_TEST_PG names another file.
        QByteArray infoPath = qgetenv("KV_TEST_PG");
        if (infoPath.isEmpty()) infoPath = KV_TEST_PG_INFO;
        QFile info(QString::fromLocal8Bit(infoPath));
        if (!info.open(QIODevice::ReadOnly)) {
            cannot = QStringLiteral("no PostgreSQL server for the tests: %1 is missing (ctest "
                                    "starts one with scripts/pg-test-server)")
                         .arg(info.fileName());
            return;
        }
        const QStringList lines = QString::fromUtf8(info.readAll()).split(QLatin1Char('\n'));
        if (lines.value(0) != QLatin1String("ok")) {
            cannot = QStringLiteral("PostgreSQL cannot run here: ") + lines.value(0);
            return;
        }
        config.kind = Kind::Postgres;
        config.host = lines.value(1);
        config.user = QStringLiteral("kvintor");
        config.database =
            QStringLiteral("kvtest_") + QUuid::createUuid().toString(QUuid::Id128).left(16);
        if (!admin(QStringLiteral("CREATE DATABASE ") + config.database))
            cannot = QStringLiteral("no database made on the test server: ") + lastError_;
        else
            made_ = true;
    }
    ~TestDatabase() {
        if (made_)
            admin(QStringLiteral("DROP DATABASE ") + config.database +
                  QStringLiteral(" WITH (FORCE)"));
    }
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    Backend backend() const { return backend_; }
    // Runs SQL as the server's superuser (in `database`, or the server's own).
    bool admin(const QString& sql, const QString& database = QStringLiteral("postgres")) {
        const QString name = QStringLiteral("kvtest-admin");
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            db.setHostName(config.host);
            db.setUserName(QStringLiteral("kvintor"));
            db.setDatabaseName(database);
            ok = db.open();
            if (ok) {
                QSqlQuery q(db);
                ok = q.exec(sql);
                if (!ok) lastError_ = q.lastError().text();
            } else {
                lastError_ = db.lastError().text();
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        return ok;
    }

    kvintor::visits::StoreConfig config;
    QString cannot; // why this backend cannot run here

  private:
    Backend backend_;
    bool made_ = false;
    QString lastError_;
};

// The backends every suite runs on.
#define KV_ON_EVERY_BACKEND(Suite)                                                                 \
    INSTANTIATE_TEST_SUITE_P(, Suite, ::testing::Values(Backend::Sqlite, Backend::Postgres),       \
                             backendName)
