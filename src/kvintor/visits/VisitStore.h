#pragma once
// The visit database: SQLite in a file (the default) or a PostgreSQL server
// shared by the workshop's computers, with the same schema, a schema
// version and the migrations up to it. Every write is one transaction,
// committed before it returns, so that nothing committed is lost however
// the program ends.
#include "Visit.h"

#include <QString>
#include <optional>

class QSqlQuery;

namespace kvintor::visits {

struct StoreConfig {
    enum class Kind { Sqlite, Postgres };
    Kind kind = Kind::Sqlite;
    QString file; // SQLite
    // PostgreSQL: a host name or address ("host:port"), or the folder of
    // the server's socket.
    QString host;
    QString database;
    QString user;
    QString password;
    // How long SQLite waits for another writer of the same file.
    int busyMs = 2000;

    // Where the journal is, as the user is told: the file, or
    // user@host/database.
    QString where() const;
    bool operator==(const StoreConfig& o) const;
    bool operator!=(const StoreConfig& o) const { return !(*this == o); }
};

class VisitStore {
  public:
    // The schema this program writes; a database of a later one is refused.
    static constexpr int kSchemaVersion = 1;

    VisitStore();
    ~VisitStore();
    VisitStore(const VisitStore&) = delete;
    VisitStore& operator=(const VisitStore&) = delete;

    // Opens (creating the file or the schema as needed) and brings the
    // schema up to date. False with error() when it cannot be opened.
    bool open(const StoreConfig& config);
    void close();
    bool isOpen() const;
    // Whether a write goes through (tried at opening, inside a transaction
    // that is rolled back); a read-only database is open for reading only.
    bool writable() const { return writable_; }
    // The last failure, in the database's own words.
    QString error() const { return error_; }
    // Whether the server asked for a password it did not get.
    bool passwordRefused() const { return passwordRefused_; }
    int schemaVersion();

    // ---- writes: false with error() when they did not get through ----
    std::optional<qint64> openVisit(const VisitOpening& opening);
    bool addFaultRead(qint64 visit, const FaultRead& read);
    bool addTable(qint64 visit, const TableSummary& table);
    bool addTest(qint64 visit, const TestRecord& test);
    bool addAdjustment(qint64 visit, const Adjustment& adjustment);
    // The visit's latest adjustment of the variable was stored in the ECU;
    // without one, a row says so (what: the text of the stored item).
    bool markStored(qint64 visit, int variable, const QString& what, const QDateTime& at);
    bool addFile(qint64 visit, const SavedFile& file);
    bool addRemark(qint64 visit, const Remark& remark);

    // ---- reads ----
    // Every visit, the latest first.
    std::vector<VisitSummary> visits();
    std::optional<Visit> visit(qint64 id);
    // The visits of one ECU (its serial number), the earliest first.
    std::vector<VisitSummary> history(const QString& series);

  private:
    bool migrate();
    bool exec(QSqlQuery& q);
    std::optional<qint64> insert(const QString& sql, const QVariantList& values);
    bool run(const QString& sql, const QVariantList& values = {});
    // Runs fn inside one transaction; false (rolled back) when fn fails.
    template <class Fn> bool inTransaction(Fn fn);
    QString ddl(QString statement) const;

    QString name_; // the Qt connection's name
    StoreConfig config_;
    QString error_;
    bool writable_ = false;
    bool passwordRefused_ = false;
};

} // namespace kvintor::visits
