#include "VisitStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUuid>
#include <QVariant>
#include <algorithm>
#include <map>

namespace kvintor::visits {

namespace {

// The schema, one list of statements per version; version n is reached by
// running the statements of every version up to n. %PK%, %BLOB% and %REAL%
// stand for what each database calls an identity key, bytes and a real.
const std::vector<std::vector<const char*>> kMigrations = {
    // 1: the visits and everything a visit collects.
    {
        "CREATE TABLE visits (id %PK%, opened_at TEXT NOT NULL, computer TEXT NOT NULL,"
        " ecu_type TEXT NOT NULL, series TEXT NOT NULL, rom TEXT NOT NULL, engine TEXT NOT NULL,"
        " configuration TEXT NOT NULL)",
        "CREATE INDEX visits_series ON visits (series)",
        "CREATE TABLE visit_texts (visit_id BIGINT NOT NULL REFERENCES visits (id),"
        " kind INTEGER NOT NULL, position INTEGER NOT NULL, title TEXT NOT NULL,"
        " value TEXT NOT NULL)",
        "CREATE TABLE fault_reads (id %PK%, visit_id BIGINT NOT NULL REFERENCES visits (id),"
        " read_at TEXT NOT NULL)",
        "CREATE TABLE faults (read_id BIGINT NOT NULL REFERENCES fault_reads (id),"
        " position INTEGER NOT NULL, code INTEGER NOT NULL, flags INTEGER NOT NULL,"
        " text TEXT NOT NULL)",
        "CREATE TABLE adapt_tables (id %PK%, visit_id BIGINT NOT NULL REFERENCES visits (id),"
        " read_at TEXT NOT NULL, table_no INTEGER NOT NULL, minimum INTEGER NOT NULL,"
        " maximum INTEGER NOT NULL, mean_deviation %REAL% NOT NULL)",
        "CREATE TABLE test_results (id %PK%, visit_id BIGINT NOT NULL REFERENCES visits (id),"
        " done_at TEXT NOT NULL, test_window TEXT NOT NULL, title TEXT NOT NULL, plot %BLOB%)",
        "CREATE TABLE test_figures (result_id BIGINT NOT NULL REFERENCES test_results (id),"
        " position INTEGER NOT NULL, caption TEXT NOT NULL, value TEXT NOT NULL)",
        "CREATE TABLE adjustments (id %PK%, visit_id BIGINT NOT NULL REFERENCES visits (id),"
        " made_at TEXT NOT NULL, what TEXT NOT NULL, variable INTEGER NOT NULL,"
        " value TEXT NOT NULL, stored INTEGER NOT NULL)",
        "CREATE TABLE saved_files (id %PK%, visit_id BIGINT NOT NULL REFERENCES visits (id),"
        " saved_at TEXT NOT NULL, kind TEXT NOT NULL, path TEXT NOT NULL)",
        "CREATE TABLE remarks (id %PK%, visit_id BIGINT NOT NULL REFERENCES visits (id),"
        " written_at TEXT NOT NULL, text TEXT NOT NULL)",
    },
};

enum TextKind { kIdentification = 0, kPassport = 1 };

// Times are kept as text in ISO 8601 with milliseconds and the offset
// from UTC, so that both databases hold the same and a shared database
// tells each computer's local time.
QString timeText(const QDateTime& at) {
    return at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODateWithMs);
}
QDateTime timeOf(const QVariant& v) {
    return QDateTime::fromString(v.toString(), Qt::ISODateWithMs).toLocalTime();
}

// A text not read is kept as an empty text, not as no value.
void bindAll(QSqlQuery& q, const QVariantList& values) {
    for (const QVariant& v : values) {
        if (v.typeId() == QMetaType::QString && v.toString().isNull())
            q.addBindValue(QStringLiteral(""));
        else
            q.addBindValue(v);
    }
}

} // namespace

QString StoreConfig::where() const {
    if (kind == Kind::Sqlite) return QDir::toNativeSeparators(file);
    return user + QLatin1Char('@') + host + QLatin1Char('/') + database;
}

bool StoreConfig::operator==(const StoreConfig& o) const {
    return kind == o.kind && file == o.file && host == o.host && database == o.database &&
           user == o.user && password == o.password;
}

VisitStore::VisitStore()
    : name_(QStringLiteral("visits-") + QUuid::createUuid().toString(QUuid::WithoutBraces)) {}

VisitStore::~VisitStore() {
    close();
}

void VisitStore::close() {
    if (!QSqlDatabase::contains(name_)) return;
    {
        QSqlDatabase db = QSqlDatabase::database(name_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name_);
    writable_ = false;
}

bool VisitStore::isOpen() const {
    return QSqlDatabase::contains(name_) && QSqlDatabase::database(name_, false).isOpen();
}

bool VisitStore::open(const StoreConfig& config) {
    close();
    config_ = config;
    error_.clear();
    passwordRefused_ = false;
    const bool sqlite = config.kind == StoreConfig::Kind::Sqlite;
    const QString driver = sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        error_ = QStringLiteral("нет драйвера базы данных %1").arg(driver);
        return false;
    }
    if (sqlite) {
        const QFileInfo file(config.file);
        if (!QDir().mkpath(file.absolutePath())) {
            error_ = QStringLiteral("папка %1 не создана")
                         .arg(QDir::toNativeSeparators(file.absolutePath()));
            return false;
        }
    }
    bool opened = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, name_);
        if (sqlite) {
            db.setDatabaseName(config.file);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(config.busyMs));
        } else {
            QString host = config.host;
            const auto colon = host.lastIndexOf(QLatin1Char(':'));
            bool portGiven = false;
            const int port = colon > 0 ? host.mid(colon + 1).toInt(&portGiven) : 0;
            if (portGiven) {
                db.setPort(port);
                host.truncate(colon);
            }
            db.setHostName(host);
            db.setDatabaseName(config.database);
            db.setUserName(config.user);
            db.setPassword(config.password);
            db.setConnectOptions(QStringLiteral("connect_timeout=5"));
        }
        opened = db.open();
        if (!opened) {
            error_ = db.lastError().text().trimmed();
            passwordRefused_ = !sqlite && error_.contains(QStringLiteral("password"));
        }
    }
    if (!opened) {
        close();
        return false;
    }
    if (!sqlite) run(QStringLiteral("SET client_min_messages TO WARNING"));
    if (!migrate()) {
        close();
        return false;
    }
    // A database that can be read but not written (a read-only file or
    // server) is open for reading only.
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    writable_ = db.transaction() && run(QStringLiteral("UPDATE kv_schema SET version = version"));
    const QString why = error_;
    db.rollback();
    error_ = writable_ ? QString() : why;
    return true;
}

QString VisitStore::ddl(QString statement) const {
    const bool sqlite = config_.kind == StoreConfig::Kind::Sqlite;
    statement.replace(QStringLiteral("%PK%"), sqlite ? QStringLiteral("INTEGER PRIMARY KEY")
                                                     : QStringLiteral("BIGSERIAL PRIMARY KEY"));
    statement.replace(QStringLiteral("%BLOB%"),
                      sqlite ? QStringLiteral("BLOB") : QStringLiteral("BYTEA"));
    statement.replace(QStringLiteral("%REAL%"),
                      sqlite ? QStringLiteral("REAL") : QStringLiteral("DOUBLE PRECISION"));
    return statement;
}

int VisitStore::schemaVersion() {
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    if (!db.tables().contains(QStringLiteral("kv_schema"))) return 0;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT version FROM kv_schema")) || !q.next()) return -1;
    return q.value(0).toInt();
}

bool VisitStore::migrate() {
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    int version = schemaVersion();
    if (version < 0) {
        error_ = db.lastError().text().trimmed();
        if (error_.isEmpty()) error_ = QStringLiteral("нет версии схемы");
        return false;
    }
    if (version > kSchemaVersion) {
        error_ = QStringLiteral("база создана более новой версией программы (версия схемы %1)")
                     .arg(version);
        return false;
    }
    if (version == kSchemaVersion) return true;
    // All steps in one transaction: a database is at one version or the
    // next, never in between. Two computers starting on a new server at
    // once: the second one's transaction fails and it finds the schema made.
    const bool done = inTransaction([&] {
        if (version == 0) {
            if (!run(QStringLiteral("CREATE TABLE kv_schema (version INTEGER NOT NULL)")) ||
                !run(QStringLiteral("INSERT INTO kv_schema (version) VALUES (0)")))
                return false;
        }
        for (int v = version + 1; v <= kSchemaVersion; ++v) {
            for (const char* statement : kMigrations[static_cast<std::size_t>(v - 1)])
                if (!run(ddl(QString::fromLatin1(statement)))) return false;
        }
        return run(QStringLiteral("UPDATE kv_schema SET version = ?"), {kSchemaVersion});
    });
    if (done) return true;
    const QString why = error_;
    if (schemaVersion() == kSchemaVersion) return true;
    error_ = why;
    return false;
}

bool VisitStore::exec(QSqlQuery& q) {
    if (q.exec()) return true;
    error_ = q.lastError().text().trimmed();
    return false;
}

bool VisitStore::run(const QString& sql, const QVariantList& values) {
    QSqlQuery q(QSqlDatabase::database(name_, false));
    // A statement without values is run as it is: PostgreSQL prepares no
    // schema statements.
    if (values.isEmpty()) {
        if (q.exec(sql)) return true;
        error_ = q.lastError().text().trimmed();
        return false;
    }
    if (!q.prepare(sql)) {
        error_ = q.lastError().text().trimmed();
        return false;
    }
    bindAll(q, values);
    return exec(q);
}

std::optional<qint64> VisitStore::insert(const QString& sql, const QVariantList& values) {
    QSqlQuery q(QSqlDatabase::database(name_, false));
    if (!q.prepare(sql + QStringLiteral(" RETURNING id"))) {
        error_ = q.lastError().text().trimmed();
        return std::nullopt;
    }
    bindAll(q, values);
    if (!exec(q)) return std::nullopt;
    if (!q.next()) {
        error_ = q.lastError().text().trimmed();
        return std::nullopt;
    }
    return q.value(0).toLongLong();
}

template <class Fn> bool VisitStore::inTransaction(Fn fn) {
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    if (!db.isOpen()) {
        error_ = QStringLiteral("база не открыта");
        return false;
    }
    if (!db.transaction()) {
        error_ = db.lastError().text().trimmed();
        return false;
    }
    if (fn() && db.commit()) return true;
    if (error_.isEmpty()) error_ = db.lastError().text().trimmed();
    db.rollback();
    return false;
}

// ------------------------------------------------------------------ writes

std::optional<qint64> VisitStore::openVisit(const VisitOpening& o) {
    std::optional<qint64> id;
    const bool done = inTransaction([&] {
        id = insert(QStringLiteral("INSERT INTO visits (opened_at, computer, ecu_type, series, rom,"
                                   " engine, configuration) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                    {timeText(o.at), QSysInfo::machineHostName(), o.ecu.type, o.ecu.series,
                     o.ecu.rom, o.ecu.engine, o.configuration.join(QLatin1Char('\n'))});
        if (!id) return false;
        const std::pair<int, const std::vector<TextRow>*> kinds[] = {
            {kIdentification, &o.identification}, {kPassport, &o.passport}};
        for (const auto& [kind, rows] : kinds) {
            for (std::size_t i = 0; i < rows->size(); ++i) {
                const TextRow& row = (*rows)[i];
                if (!run(QStringLiteral("INSERT INTO visit_texts (visit_id, kind, position, title,"
                                        " value) VALUES (?, ?, ?, ?, ?)"),
                         {*id, kind, static_cast<int>(i), row.title, row.value}))
                    return false;
            }
        }
        return true;
    });
    return done ? id : std::nullopt;
}

bool VisitStore::addFaultRead(qint64 visit, const FaultRead& read) {
    return inTransaction([&] {
        const auto id =
            insert(QStringLiteral("INSERT INTO fault_reads (visit_id, read_at) VALUES (?, ?)"),
                   {visit, timeText(read.at)});
        if (!id) return false;
        for (std::size_t i = 0; i < read.faults.size(); ++i) {
            const FaultSeen& f = read.faults[i];
            if (!run(QStringLiteral("INSERT INTO faults (read_id, position, code, flags, text)"
                                    " VALUES (?, ?, ?, ?, ?)"),
                     {*id, static_cast<int>(i), f.code, f.flags, f.text}))
                return false;
        }
        return true;
    });
}

bool VisitStore::addTable(qint64 visit, const TableSummary& t) {
    return inTransaction([&] {
        return run(QStringLiteral("INSERT INTO adapt_tables (visit_id, read_at, table_no, minimum,"
                                  " maximum, mean_deviation) VALUES (?, ?, ?, ?, ?, ?)"),
                   {visit, timeText(t.at), t.table, t.minimum, t.maximum, t.meanDeviation});
    });
}

bool VisitStore::addTest(qint64 visit, const TestRecord& t) {
    return inTransaction([&] {
        const auto id = insert(
            QStringLiteral("INSERT INTO test_results (visit_id, done_at,"
                           " test_window, title, plot) VALUES (?, ?, ?, ?, ?)"),
            {visit, timeText(t.at), t.window, t.title,
             t.png.isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray)) : QVariant(t.png)});
        if (!id) return false;
        for (std::size_t i = 0; i < t.figures.size(); ++i) {
            if (!run(QStringLiteral("INSERT INTO test_figures (result_id, position, caption, value)"
                                    " VALUES (?, ?, ?, ?)"),
                     {*id, static_cast<int>(i), t.figures[i].caption, t.figures[i].value}))
                return false;
        }
        return true;
    });
}

bool VisitStore::addAdjustment(qint64 visit, const Adjustment& a) {
    return inTransaction([&] {
        return run(
            QStringLiteral("INSERT INTO adjustments (visit_id, made_at, what, variable, value,"
                           " stored) VALUES (?, ?, ?, ?, ?, ?)"),
            {visit, timeText(a.at), a.what, a.variable, a.value, a.stored ? 1 : 0});
    });
}

bool VisitStore::markStored(qint64 visit, int variable, const QString& what, const QDateTime& at) {
    return inTransaction([&] {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        q.prepare(
            QStringLiteral("SELECT MAX(id) FROM adjustments WHERE visit_id = ? AND variable = ?"));
        q.addBindValue(visit);
        q.addBindValue(variable);
        if (!exec(q)) return false;
        if (q.next() && !q.value(0).isNull())
            return run(QStringLiteral("UPDATE adjustments SET stored = 1 WHERE id = ?"),
                       {q.value(0).toLongLong()});
        return run(
            QStringLiteral("INSERT INTO adjustments (visit_id, made_at, what, variable, value,"
                           " stored) VALUES (?, ?, ?, ?, ?, 1)"),
            {visit, timeText(at), what, variable, QString()});
    });
}

bool VisitStore::addFile(qint64 visit, const SavedFile& f) {
    return inTransaction([&] {
        return run(
            QStringLiteral(
                "INSERT INTO saved_files (visit_id, saved_at, kind, path) VALUES (?, ?, ?, ?)"),
            {visit, timeText(f.at), f.kind, f.path});
    });
}

bool VisitStore::addRemark(qint64 visit, const Remark& r) {
    return inTransaction([&] {
        return run(
            QStringLiteral("INSERT INTO remarks (visit_id, written_at, text) VALUES (?, ?, ?)"),
            {visit, timeText(r.at), r.text});
    });
}

// ------------------------------------------------------------------- reads

namespace {

// The fault codes of each visit, in code order.
std::map<qint64, QList<int>> faultCodes(QSqlDatabase db, const QString& where,
                                        const QVariantList& values) {
    std::map<qint64, QList<int>> codes;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT DISTINCT r.visit_id, f.code FROM faults f"
                             " JOIN fault_reads r ON r.id = f.read_id"
                             " JOIN visits v ON v.id = r.visit_id") +
              where + QStringLiteral(" ORDER BY r.visit_id, f.code"));
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec()) return codes;
    while (q.next())
        codes[q.value(0).toLongLong()] << q.value(1).toInt();
    return codes;
}

std::vector<VisitSummary> summaries(QSqlDatabase db, const QString& where,
                                    const QVariantList& values, bool latestFirst) {
    std::vector<VisitSummary> out;
    QSqlQuery q(db);
    q.prepare(
        QStringLiteral("SELECT v.id, v.opened_at, v.series, v.engine, v.ecu_type FROM visits v") +
        where +
        (latestFirst ? QStringLiteral(" ORDER BY v.id DESC") : QStringLiteral(" ORDER BY v.id")));
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec()) return out;
    auto codes = faultCodes(db, where, values);
    while (q.next()) {
        VisitSummary s;
        s.id = q.value(0).toLongLong();
        s.opened = timeOf(q.value(1));
        s.series = q.value(2).toString();
        s.engine = q.value(3).toString();
        s.type = q.value(4).toString();
        s.faultCodes = codes[s.id];
        out.push_back(s);
    }
    return out;
}

} // namespace

std::vector<VisitSummary> VisitStore::visits() {
    if (!isOpen()) return {};
    return summaries(QSqlDatabase::database(name_, false), QString(), {}, true);
}

std::vector<VisitSummary> VisitStore::history(const QString& series) {
    if (!isOpen()) return {};
    return summaries(QSqlDatabase::database(name_, false), QStringLiteral(" WHERE v.series = ?"),
                     {series}, false);
}

std::optional<Visit> VisitStore::visit(qint64 id) {
    if (!isOpen()) return std::nullopt;
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    auto select = [&](const QString& sql, QVariantList values = {}) {
        auto q = std::make_unique<QSqlQuery>(db);
        q->prepare(sql);
        for (const QVariant& v : values)
            q->addBindValue(v);
        if (!exec(*q)) q.reset();
        return q;
    };
    auto q = select(QStringLiteral("SELECT opened_at, computer, ecu_type, series, rom, engine,"
                                   " configuration FROM visits WHERE id = ?"),
                    {id});
    if (!q || !q->next()) return std::nullopt;
    Visit v;
    v.id = id;
    v.opening.at = timeOf(q->value(0));
    v.computer = q->value(1).toString();
    v.opening.ecu = {q->value(2).toString(), q->value(3).toString(), q->value(4).toString(),
                     q->value(5).toString()};
    const QString configuration = q->value(6).toString();
    if (!configuration.isEmpty()) v.opening.configuration = configuration.split(QLatin1Char('\n'));

    if ((q = select(QStringLiteral("SELECT kind, title, value FROM visit_texts WHERE visit_id = ?"
                                   " ORDER BY kind, position"),
                    {id})))
        while (q->next())
            (q->value(0).toInt() == kPassport ? v.opening.passport : v.opening.identification)
                .push_back({q->value(1).toString(), q->value(2).toString()});

    if ((q = select(
             QStringLiteral("SELECT r.id, r.read_at, f.code, f.flags, f.text FROM fault_reads r"
                            " LEFT JOIN faults f ON f.read_id = r.id WHERE r.visit_id = ?"
                            " ORDER BY r.id, f.position"),
             {id}))) {
        qint64 last = -1;
        while (q->next()) {
            if (q->value(0).toLongLong() != last) {
                last = q->value(0).toLongLong();
                v.faultReads.push_back({timeOf(q->value(1)), {}});
            }
            if (!q->value(2).isNull())
                v.faultReads.back().faults.push_back(
                    {q->value(2).toInt(), q->value(3).toInt(), q->value(4).toString()});
        }
    }
    if ((q = select(QStringLiteral("SELECT read_at, table_no, minimum, maximum, mean_deviation"
                                   " FROM adapt_tables WHERE visit_id = ? ORDER BY id"),
                    {id})))
        while (q->next())
            v.tables.push_back({timeOf(q->value(0)), q->value(1).toInt(), q->value(2).toInt(),
                                q->value(3).toInt(), q->value(4).toDouble()});
    if ((q = select(QStringLiteral("SELECT t.id, t.done_at, t.test_window, t.title, t.plot,"
                                   " f.caption, f.value FROM test_results t"
                                   " LEFT JOIN test_figures f ON f.result_id = t.id"
                                   " WHERE t.visit_id = ? ORDER BY t.id, f.position"),
                    {id}))) {
        qint64 last = -1;
        while (q->next()) {
            if (q->value(0).toLongLong() != last) {
                last = q->value(0).toLongLong();
                v.tests.push_back({timeOf(q->value(1)),
                                   q->value(2).toString(),
                                   q->value(3).toString(),
                                   {},
                                   q->value(4).toByteArray()});
            }
            if (!q->value(5).isNull())
                v.tests.back().figures.push_back({q->value(5).toString(), q->value(6).toString()});
        }
    }
    if ((q = select(QStringLiteral("SELECT made_at, what, variable, value, stored FROM adjustments"
                                   " WHERE visit_id = ? ORDER BY id"),
                    {id})))
        while (q->next())
            v.adjustments.push_back({timeOf(q->value(0)), q->value(1).toString(),
                                     q->value(2).toInt(), q->value(3).toString(),
                                     q->value(4).toInt() != 0});
    if ((q = select(QStringLiteral("SELECT saved_at, kind, path FROM saved_files WHERE visit_id = ?"
                                   " ORDER BY id"),
                    {id})))
        while (q->next())
            v.files.push_back(
                {timeOf(q->value(0)), q->value(1).toString(), q->value(2).toString()});
    if ((q = select(
             QStringLiteral("SELECT written_at, text FROM remarks WHERE visit_id = ? ORDER BY id"),
             {id})))
        while (q->next())
            v.remarks.push_back({timeOf(q->value(0)), q->value(1).toString()});
    return v;
}

} // namespace kvintor::visits
