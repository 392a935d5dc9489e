#include "db/Connection.h"

#include <dlfcn.h>
#include <libpq-fe.h>

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlResult>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <clocale>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

#include "db/ConnectionThread.h"
#include "db/DbError.h"
#include "db/Endpoints.h"
#include "db/PgWire.h"
#include "db/PostgresHandle.h"
#include "db/Schema.h"

namespace qs {

namespace {

DbEnvironment& env() {
    static DbEnvironment e;
    return e;
}

QAtomicInt connectionCounter;

// FreeTDS needs a fixed protocol version (with "auto" a silent server makes it
// loop for ever after the login timeout) and, since Qt's ODBC driver talks to
// it in the narrow charset, a UTF-8 locale for Chinese text to travel intact.
void prepareOdbcProcess() {
    static bool done = false;
    if (done) return;
    done = true;
    if (qgetenv("TDSVER").isEmpty()) qputenv("TDSVER", "7.4");
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    if (!current || (!std::strstr(current, "UTF-8") && !std::strstr(current, "utf8")))
        std::setlocale(LC_CTYPE, "C.UTF-8");
}

// key=value pairs of a connection string, keys lower case.
QHash<QString, QString> parseConnectionString(const QString& cs) {
    QHash<QString, QString> out;
    const QStringList parts = cs.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& p : parts) {
        const int eq = p.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        out.insert(p.left(eq).trimmed().toLower(), p.mid(eq + 1).trimmed());
    }
    return out;
}

}  // namespace

QString EmbeddedServerFile(const QString& endpoint) {
    // Letters, digits and ".,-_" as they are, every other character as the
    // %XX of its UTF-8 bytes.
    QString safe = QString::fromLatin1(QUrl::toPercentEncoding(endpoint, ",", "~"));
    if (safe.isEmpty()) safe = QStringLiteral("_");
    QString folder = env().embeddedServerFolder;
    if (folder.isEmpty()) folder = QDir::currentPath() + QStringLiteral("/servers");
    return folder + QLatin1Char('/') + safe + QStringLiteral(".sqlite");
}

void CreateDatabaseFile(const QString& file) {
    const QFileInfo fi(file);
    if (fi.exists() && fi.size() > 0)
        throw DbError(err::kProviderFailure, QStringLiteral("数据库文件已存在：") + file);
    QDir().mkpath(fi.absolutePath());
    const QString name =
        QStringLiteral("qs-create-%1").arg(connectionCounter.fetchAndAddRelaxed(1));
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (!db.open()) {
            failure = db.lastError().text();
        } else {
            QSqlQuery q(db);
            for (const QString& statement : SchemaStatements(Backend::Sqlite)) {
                if (!q.exec(statement)) {
                    failure = q.lastError().text();
                    break;
                }
            }
            q = QSqlQuery();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!failure.isEmpty()) {
        QFile::remove(file);
        throw DbError(err::kProviderFailure, QStringLiteral("无法创建数据库文件 ") + file +
                                                 QStringLiteral("：") + failure);
    }
}

QVariant BindableValue(const QVariant& value, const QSqlField& column, Backend backend) {
    if (value.isNull()) return QVariant(column.metaType());
    if (backend != Backend::SqlServer && value.metaType().id() == QMetaType::QDateTime) {
        const QDateTime t = value.toDateTime();
        return t.toString(t.time().msec() ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")
                                          : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    return value;
}

void DbEnvironment::configure(const DbEnvironment& e) {
    env() = e;
}
const DbEnvironment& DbEnvironment::current() {
    return env();
}

Connection::Connection()
    : name_(QStringLiteral("qs-connection-%1").arg(connectionCounter.fetchAndAddRelaxed(1))) {}

Connection::~Connection() {
    close();
}

void Connection::close() {
    if (QSqlDatabase::contains(name_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            if (db.isOpen()) db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    open_ = false;
    sessionTimeout_ = -1;
    inTransaction_ = false;
    sqliteFile_.clear();
    columns_.clear();
    types_.clear();
    typeOids_.clear();
}

bool Connection::isOpen() const {
    return open_;
}

void Connection::open(const QString& connectionString, int timeoutSeconds, int cursorLocation) {
    close();
    connectionString_ = connectionString;
    cursorLocation_ = cursorLocation;
    const auto parts = parseConnectionString(connectionString);
    // Which database a string names is decided by how it starts; a server
    // string carries exactly the system's keys, so a typed endpoint cannot
    // smuggle in a provider or a file of its own.
    const bool local =
        connectionString.startsWith(QStringLiteral("provider="), Qt::CaseInsensitive);
    if (!local) {
        static const QStringList serverKeys = {QStringLiteral("driver"), QStringLiteral("server"),
                                               QStringLiteral("uid"), QStringLiteral("pwd"),
                                               QStringLiteral("database")};
        QStringList keys = parts.keys();
        keys.sort();
        QStringList expected = serverKeys;
        expected.sort();
        const QString endpoint = parts.value(QStringLiteral("server"));
        QString problem = EndpointProblem(endpoint);
        if (problem.isEmpty() &&
            (keys != expected || connectionString.count(u';') != serverKeys.size() - 1))
            problem = QStringLiteral("连接字符串无效：") + connectionString;
        if (problem.isEmpty() &&
            !connectionString.startsWith(QStringLiteral("driver="), Qt::CaseInsensitive))
            problem = QStringLiteral("连接字符串无效：") + connectionString;
        if (!problem.isEmpty()) throw DbError(err::kProviderFailure, problem);
    }

    QSqlDatabase db;
    QString sqliteFile;
    if (local) {
        dialect_ = SqlDialect(Backend::Sqlite);
        QString path = parts.value(QStringLiteral("data source"));
        // The system writes the program folder and the file name with a
        // backslash between them.
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
        sqliteFile = path;
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    } else {
        const QString endpoint = parts.value(QStringLiteral("server"));
        dialect_ = SqlDialect(env().serverBackend);
        switch (env().serverBackend) {
            case Backend::SqlServer: {
                prepareOdbcProcess();
                db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name_);
                db.setDatabaseName(connectionString);
                if (timeoutSeconds > 0)
                    db.setConnectOptions(
                        QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(timeoutSeconds));
                break;
            }
            case Backend::PostgreSql: {
                const HostPort hp = SplitEndpoint(endpoint);
                db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
                db.setHostName(hp.host);
                if (hp.port > 0) db.setPort(hp.port);
                db.setUserName(parts.value(QStringLiteral("uid")));
                db.setPassword(parts.value(QStringLiteral("pwd")));
                db.setDatabaseName(parts.value(QStringLiteral("database")));
                if (timeoutSeconds > 0)
                    db.setConnectOptions(
                        QStringLiteral("connect_timeout=%1").arg(qMax(2, timeoutSeconds)));
                break;
            }
            case Backend::Sqlite:
                sqliteFile = EmbeddedServerFile(endpoint);
                // An endpoint without a server behind it is unreachable, as
                // it would be on the network.
                if (!QFileInfo(sqliteFile).isFile() || QFileInfo(sqliteFile).size() == 0)
                    throw DbError(err::kProviderFailure,
                                  QStringLiteral("服务器 ") + endpoint +
                                      QStringLiteral(" 不存在或无法连接（没有数据库文件 ") +
                                      sqliteFile + QStringLiteral("）"));
                db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
                break;
        }
    }

    if (!sqliteFile.isEmpty()) {
        const QFileInfo fi(sqliteFile);
        // SQLite would silently make an empty database of a missing or empty
        // file, and the operator would then count and delete in nothing.
        if (local && (!fi.isFile() || fi.size() == 0)) {
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name_);
            throw DbError(err::kProviderFailure,
                          (fi.exists() ? QStringLiteral("本地数据库文件是空的：")
                                       : QStringLiteral("找不到本地数据库文件：")) +
                              fi.absoluteFilePath());
        }
        db.setDatabaseName(sqliteFile);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(env().lockWaitMs));
        sqliteFile_ = QFileInfo(sqliteFile).absoluteFilePath();
    }
    if (!db.isValid())
        throw DbError(err::kProviderFailure,
                      QStringLiteral("数据库驱动不可用：") + db.driverName());
    if (!db.open()) {
        const QString text = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
        throw DbError(err::kProviderFailure, text);
    }
    open_ = true;
}

void OpenConnections(const QVector<std::pair<Connection*, QString>>& connections,
                     int timeoutSeconds, int cursorLocation) {
    // PostgreSQL's logins overlap; the others open one after another.
    if (env().serverBackend != Backend::PostgreSql) {
        for (const auto& [c, s] : connections) c->open(s, timeoutSeconds, cursorLocation);
        return;
    }
    QThread* caller = QThread::currentThread();
    std::vector<std::exception_ptr> failures(size_t(connections.size()));
    auto open = [&](qsizetype i) {
        try {
            Connection& c = *connections[i].first;
            c.open(connections[i].second, timeoutSeconds, cursorLocation);
            // A connection belongs to the thread of its driver.
            if (QThread::currentThread() != caller) c.database().driver()->moveToThread(caller);
        } catch (...) {
            failures[size_t(i)] = std::current_exception();
        }
    };
    std::vector<std::unique_ptr<QThread>> threads;
    for (qsizetype i = 1; i < connections.size(); ++i) {
        threads.emplace_back(QThread::create(open, i));
        threads.back()->start();
    }
    if (!connections.isEmpty()) open(0);
    for (auto& t : threads) t->wait();
    for (const std::exception_ptr& f : failures)
        if (f) std::rethrow_exception(f);
}

QSqlDatabase Connection::database() const {
    if (!open_)
        throw DbError(err::kConnectionUnusable,
                      QStringLiteral("连接无法用于执行此操作。在此上下文中它可能已被关闭或无效。"));
    return QSqlDatabase::database(name_, false);
}

QSqlQuery Connection::query() const {
    QSqlQuery q = readQuery();
    ++writes_;
    return q;
}

QSqlQuery Connection::readQuery() const {
    QSqlQuery q(database());
    q.setForwardOnly(true);
    return q;
}

void Connection::countStatement(const QString& sql) {
    if (!sql.trimmed().startsWith(QStringLiteral("select"), Qt::CaseInsensitive)) ++writes_;
    if (sql.contains(QStringLiteral("statement_timeout"), Qt::CaseInsensitive)) sessionTimeout_ = -1;
}

void Connection::raise(const QSqlError& error, const QString& what) const {
    raise(error.type() == QSqlError::ConnectionError || linkBroken() ? err::kDiskOrNetwork
                                                                     : err::kProviderFailure,
          error.text(), what);
}

void Connection::raise(int number, QString text, const QString& what) const {
    if (!what.isEmpty()) text += QStringLiteral(" [") + what.left(300) + QLatin1Char(']');
    throw DbError(number, text);
}

PGconn* PostgresHandle(const QSqlDatabase& db) {
    if (!db.isOpen() || !db.driver()) return nullptr;
    const QVariant h = db.driver()->handle();
    if (!h.isValid() ||
        (qstrcmp(h.typeName(), "PGconn*") != 0 && qstrcmp(h.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn* const*>(h.constData());
}

namespace {

// Appends one value in COPY's text form: \N for NULL, bytea as \\x and hex,
// and the four characters the format reserves escaped.
void appendCopyValue(QByteArray& out, const QVariant& v) {
    if (v.isNull()) {
        out += "\\N";
        return;
    }
    switch (v.metaType().id()) {
        case QMetaType::QByteArray:
            out += "\\\\x";
            out += v.toByteArray().toHex();
            return;
        case QMetaType::Bool:
            out += v.toBool() ? 't' : 'f';
            return;
        default:
            break;
    }
    const QByteArray text = v.toString().toUtf8();
    qsizetype plain = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char* escaped = nullptr;
        switch (text[i]) {
            case '\\':
                escaped = "\\\\";
                break;
            case '\n':
                escaped = "\\n";
                break;
            case '\r':
                escaped = "\\r";
                break;
            case '\t':
                escaped = "\\t";
                break;
            default:
                continue;
        }
        out.append(text.constData() + plain, i - plain);
        out += escaped;
        plain = i + 1;
    }
    out.append(text.constData() + plain, text.size() - plain);
}

// Sends one COPY of `rows` rows and reads its results; the error message of a
// refusal or a broken link, empty when every row was stored. With `oids` (the
// columns' types) in binary form, else in text form.
QByteArray copyRows(PGconn* pg, const QByteArray& sql, int rows, int columns,
                    const std::function<QVariant(int, int)>& value, const QVector<unsigned>& oids) {
    // Reads every result left; the first error message, if any.
    auto finish = [pg](QByteArray error) {
        while (PGresult* r = PQgetResult(pg)) {
            const ExecStatusType status = PQresultStatus(r);
            if (status != PGRES_COMMAND_OK && status != PGRES_COPY_IN && error.isEmpty())
                error = PQresultErrorMessage(r);
            PQclear(r);
            // Still taking rows: end the load as refused (a link that cannot
            // even take that leaves nothing more to read).
            if (status == PGRES_COPY_IN && PQputCopyEnd(pg, "cancelled") != 1) break;
        }
        if (error.isEmpty() && PQstatus(pg) != CONNECTION_OK) error = PQerrorMessage(pg);
        return error;
    };
    if (!PQsendQuery(pg, sql.constData())) return finish(PQerrorMessage(pg));
    PGresult* start = PQgetResult(pg);
    if (!start || PQresultStatus(start) != PGRES_COPY_IN) {
        QByteArray error = start ? PQresultErrorMessage(start) : PQerrorMessage(pg);
        PQclear(start);
        return finish(error.isEmpty() ? QByteArray("COPY refused") : error);
    }
    PQclear(start);
    // Sent in pieces, so that the server stores the first rows while the
    // program still encodes the rest.
    constexpr qsizetype kFlushAt = 64 << 10;
    QByteArray buffer;
    buffer.reserve(kFlushAt + (64 << 10));
    const bool binary = !oids.isEmpty();
    // The binary form's signature, flags and header extension; each row its
    // number of fields, then each field's length and bytes; -1 at the end.
    if (binary) buffer.append("PGCOPY\n\377\r\n\0\0\0\0\0\0\0\0\0", 19);
    bool sent = true;
    for (int r = 0; r < rows && sent; ++r) {
        if (binary) {
            buffer.append(char(columns >> 8)).append(char(columns & 0xff));
            for (int c = 0; c < columns; ++c) {
                if (AppendBinaryCopyValue(buffer, value(r, c), oids[c])) continue;
                // A value without a binary form: the load is ended unstored,
                // for the caller to send it again as text.
                PQputCopyEnd(pg, "no binary form");
                finish({});
                return QByteArrayLiteral("\x01text");
            }
        } else {
            for (int c = 0; c < columns; ++c) {
                if (c) buffer += '\t';
                appendCopyValue(buffer, value(r, c));
            }
            buffer += '\n';
        }
        if (binary && r == rows - 1) buffer.append("\377\377", 2);
        if (buffer.size() >= kFlushAt || r == rows - 1) {
            sent = PQputCopyData(pg, buffer.constData(), int(buffer.size())) == 1;
            buffer.resize(0);
        }
    }
    if (!sent) return finish(PQerrorMessage(pg));
    if (PQputCopyEnd(pg, nullptr) != 1) return finish(PQerrorMessage(pg));
    return finish({});
}

}  // namespace

namespace {

// SQL Server through ODBC: the driver manager's dead-connection flag, asked
// only when the driver manager is already loaded.
bool odbcConnectionDead(const QSqlDatabase& db) {
    const QVariant h = db.driver() ? db.driver()->handle() : QVariant();
    if (!h.isValid() || qstrcmp(h.typeName(), "SQLHANDLE") != 0) return false;
    void* hdbc = *static_cast<void* const*>(h.constData());
    static const auto getAttr = [] {
        using GetConnectAttr = short (*)(void*, int, void*, int, int*);
        void* lib = dlopen("libodbc.so.2", RTLD_NOW | RTLD_NOLOAD);
        return lib ? reinterpret_cast<GetConnectAttr>(dlsym(lib, "SQLGetConnectAttr")) : nullptr;
    }();
    if (!hdbc || !getAttr) return false;
    constexpr int kConnectionDead = 1209;  // SQL_ATTR_CONNECTION_DEAD
    quint32 dead = 0;
    const short rc = getAttr(hdbc, kConnectionDead, &dead, 0, nullptr);
    return (rc == 0 || rc == 1) && dead == 1;  // SQL_SUCCESS(_WITH_INFO), SQL_CD_TRUE
}

}  // namespace

bool Connection::linkBroken() const {
    if (!open_) return false;
    if (!sqliteFile_.isEmpty()) return !QFileInfo::exists(sqliteFile_);
    const QSqlDatabase db = QSqlDatabase::database(name_, false);
    // Qt's PostgreSQL driver reports itself closed once libpq has lost the link.
    if (!db.isOpen()) return true;
    if (PGconn* pg = PostgresHandle(db)) {
        if (PQstatus(pg) != CONNECTION_OK) return true;
        // With no statement in flight, whatever the socket holds is the
        // server's word that it ended the session (a notice, then the end of
        // the stream): reading it turns the status bad. A few reads, since
        // one read stops after the data before the end.
        for (int i = 0; i < 3 && PQtransactionStatus(pg) != PQTRANS_ACTIVE; ++i)
            if (!PQconsumeInput(pg) || PQstatus(pg) != CONNECTION_OK) return true;
        return false;
    }
    return odbcConnectionDead(db);
}

PGconn* Connection::postgres() const {
    return open_ ? PostgresHandle(database()) : nullptr;
}

bool Connection::canBulkInsert() const {
    return open_ && backend() == Backend::PostgreSql && postgres() != nullptr;
}

void Connection::bulkInsert(const QString& table, const QStringList& columns, int rows,
                            const std::function<QVariant(int, int)>& value) {
    // Sent from this thread: `value` may keep the window painted.
    loadRows(table, columns, rows, value, false).finish();
}

Connection::BulkLoad Connection::startBulkInsert(const QString& table, const QStringList& columns,
                                                 int rows,
                                                 std::function<QVariant(int, int)> value) {
    return loadRows(table, columns, rows, std::move(value), true);
}

Connection::BulkLoad Connection::loadRows(const QString& table, const QStringList& columns,
                                          int rows, std::function<QVariant(int, int)> value,
                                          bool elsewhere) {
    PGconn* pg = postgres();
    // The binary form where every column has one (and, as it turns out, every value).
    QVector<unsigned> oids;
    if (pg) {
        columnTypes(table);
        const QHash<QString, unsigned> known = typeOids_.value(table.toLower());
        for (const QString& c : columns) oids << known.value(c.toLower());
        if (!std::all_of(oids.begin(), oids.end(), HasBinaryCopyForm)) oids.clear();
    }
    const QString text = QStringLiteral("copy ") + table + QStringLiteral(" (") +
                         columns.join(QStringLiteral(", ")) + QStringLiteral(") from stdin");
    BulkLoad load;
    load.connection_ = this;
    load.sql_ = oids.isEmpty() ? text : text + QStringLiteral(" with (format binary)");
    if (!pg) raise(err::kProviderFailure, QStringLiteral("bulk load needs PostgreSQL"), load.sql_);
    std::promise<std::pair<QByteArray, bool>> nothing;
    if (rows <= 0) {
        nothing.set_value({});
        load.error_ = nothing.get_future();
        return load;
    }
    ++writes_;
    auto work = [pg, text = text.toUtf8(), sql = load.sql_.toUtf8(), rows, n = int(columns.size()),
                 value = std::move(value), oids]() -> std::pair<QByteArray, bool> {
        // Inside a transaction a refused load would leave the transaction
        // refusing every later statement: a savepoint keeps it usable.
        const bool inTransaction = PQtransactionStatus(pg) == PQTRANS_INTRANS;
        auto command = [pg](const char* statement) {
            PGresult* r = PQexec(pg, statement);
            const QByteArray error = r && PQresultStatus(r) == PGRES_COMMAND_OK
                                         ? QByteArray()
                                         : QByteArray(PQerrorMessage(pg));
            PQclear(r);
            return error;
        };
        if (inTransaction) {
            const QByteArray error = command("savepoint qs_bulk_load");
            if (!error.isEmpty()) return {error, false};
        }
        QByteArray error = copyRows(pg, sql, rows, n, value, oids);
        const bool asText = error == "\x01text";
        if (asText) {
            if (inTransaction) command("rollback to savepoint qs_bulk_load");
            error = copyRows(pg, text, rows, n, value, {});
        }
        if (inTransaction && PQstatus(pg) == CONNECTION_OK)
            command(error.isEmpty() ? "release savepoint qs_bulk_load"
                                    : "rollback to savepoint qs_bulk_load");
        return {error, asText};
    };
    if (elsewhere) {
        load.error_ = std::async(std::launch::async, std::move(work));
    } else {
        nothing.set_value(work());
        load.error_ = nothing.get_future();
    }
    return load;
}

void Connection::BulkLoad::finish(const std::function<void()>& beat) {
    const auto [error, asText] = WaitFor(error_, beat);
    if (error.isEmpty()) return;
    PGconn* pg = connection_->postgres();
    QString sql = sql_;
    if (asText) sql.chop(int(QStringLiteral(" with (format binary)").size()));
    connection_->raise(
        pg && PQstatus(pg) != CONNECTION_OK ? err::kDiskOrNetwork : err::kProviderFailure,
        QString::fromUtf8(error).trimmed(), sql);
}

QSqlRecord Connection::tableColumns(const QString& table) {
    const QString key = table.toLower();
    auto it = columns_.constFind(key);
    if (it != columns_.constEnd()) return *it;
    QSqlRecord rec = database().record(key);
    if (rec.isEmpty()) {
        // Some drivers only answer for the name as the catalogue spells it.
        QSqlQuery q = readQuery();
        if (q.exec(QStringLiteral("select * from ") + key + QStringLiteral(" where 1=0")))
            rec = q.record();
    }
    if (rec.isEmpty())
        throw DbError(err::kProviderFailure, QStringLiteral("找不到数据表 ") + table);
    columns_.insert(key, rec);
    return rec;
}

namespace {

// SQLSetStmtAttr of the ODBC driver manager that Qt's ODBC driver loaded, so
// that the program needs no ODBC headers or link of its own.
using SetStmtAttr = short (*)(void* statement, int attribute, void* value, int length);

SetStmtAttr odbcSetStmtAttr() {
    static const SetStmtAttr f = [] {
        void* lib = dlopen("libodbc.so.2", RTLD_LAZY | RTLD_NOLOAD);
        return lib ? reinterpret_cast<SetStmtAttr>(dlsym(lib, "SQLSetStmtAttr")) : nullptr;
    }();
    return f;
}

// The ODBC statement handle behind a prepared query, or null.
void* odbcStatement(const QSqlQuery& q) {
    const QVariant h = q.result() ? q.result()->handle() : QVariant();
    // Qt 6's ODBC driver names the handle's type by what SQLHANDLE is.
    if (!h.isValid() ||
        (qstrcmp(h.typeName(), "void*") != 0 && qstrcmp(h.typeName(), "SQLHANDLE") != 0))
        return nullptr;
    return *static_cast<void* const*>(h.constData());
}

}  // namespace

void Connection::setStatementTimeout(int seconds) {
    statementTimeout_ = qMax(0, seconds);
    // PostgreSQL keeps it for the session (sent again only when the session may
    // have another: a kept connection's next pass saves the round trip); SQL
    // Server takes it statement by statement (run()); the embedded server waits
    // for no one.
    if (backend() != Backend::PostgreSql || sessionTimeout_ == statementTimeout_) return;
    execute(QStringLiteral("set statement_timeout = %1").arg(statementTimeout_ * 1000));
    // A transaction's rollback would undo it.
    sessionTimeout_ = inTransaction() ? -1 : statementTimeout_;
}

QSqlQuery Connection::prepared(const QString& sql) {
    QSqlQuery q = query();
    prepareWithTimeout(q, sql);
    return q;
}

void Connection::prepareWithTimeout(QSqlQuery& q, const QString& sql) const {
    if (!q.prepare(sql)) raise(q.lastError(), sql);
    if (statementTimeout_ > 0 && backend() == Backend::SqlServer) {
        constexpr int kQueryTimeout = 0;  // SQL_ATTR_QUERY_TIMEOUT
        void* statement = odbcStatement(q);
        if (statement && odbcSetStmtAttr())
            odbcSetStmtAttr()(statement, kQueryTimeout,
                              reinterpret_cast<void*>(qintptr(statementTimeout_)), 0);
    }
}

QSqlQuery Connection::run(const QString& sql) {
    countStatement(sql);
    QSqlQuery q = readQuery();
    send(q, {sql, {}});
    return q;
}

void Connection::send(QSqlQuery& q, const Statement& s) const {
    if (s.values.isEmpty() && (statementTimeout_ == 0 || backend() != Backend::SqlServer)) {
        if (!q.exec(s.sql)) raise(q.lastError(), s.sql);
        return;
    }
    prepareWithTimeout(q, s.sql);
    for (const QVariant& v : s.values) q.addBindValue(v);
    if (!q.exec()) raise(q.lastError(), s.sql);
}

QHash<QString, QString> Connection::columnTypes(const QString& table) {
    if (backend() != Backend::PostgreSql) return {};
    const QString key = table.toLower();
    auto it = types_.constFind(key);
    if (it != types_.constEnd()) return *it;
    const QString sql =
        QStringLiteral(
            "select attname, format_type(atttypid, atttypmod), atttypid::int from "
            "pg_attribute where attrelid = to_regclass(") +
        dialect_.literal(key) +
        QStringLiteral(") and (attnum > 0 or attname = 'ctid') and not attisdropped");
    QSqlQuery q = run(sql);
    QHash<QString, QString> types;
    QHash<QString, unsigned> oids;
    while (q.next()) {
        types.insert(q.value(0).toString().toLower(), q.value(1).toString());
        oids.insert(q.value(0).toString().toLower(), q.value(2).toUInt());
    }
    if (q.lastError().isValid()) raise(q.lastError(), sql);
    types_.insert(key, types);
    typeOids_.insert(key, oids);
    return types;
}

void Connection::execute(const QString& sql) {
    QSqlQuery q = run(sql);
    while (q.nextResult()) {
    }
    if (q.lastError().isValid()) raise(q.lastError(), sql);
}

QVariant Connection::scalar(const QString& sql) {
    QSqlQuery q = run(sql);
    QVariant v;
    if (q.next()) v = q.value(0);
    while (q.next()) {
    }
    return v;
}

void Connection::beginTransaction() {
    QSqlDatabase db = database();
    ++writes_;
    if (backend() == Backend::Sqlite) {
        // Deferred, two writers would both read and then deadlock on their first write.
        QSqlQuery q = query();
        if (q.exec(QStringLiteral("begin immediate"))) {
            inTransaction_ = true;
            return;
        }
        if (q.lastError().nativeErrorCode() == u"5")  // SQLITE_BUSY
            throw LockNotGranted(
                QStringLiteral("数据库正在被另一个程序写入，等了 %1 秒还没有轮到：")
                    .arg((env().lockWaitMs + 999) / 1000) +
                q.lastError().text());
        raise(q.lastError(), QStringLiteral("begin immediate"));
    }
    if (!db.transaction()) raise(db.lastError(), QStringLiteral("begin transaction"));
    inTransaction_ = true;
}

void Connection::commit() {
    QSqlDatabase db = database();
    inTransaction_ = false;
    if (db.commit()) return;
    const QSqlError e = db.lastError();
    // Qt's PostgreSQL driver closes a connection whose link it lost.
    PGconn* pg = PostgresHandle(db);
    const bool linkLost =
        backend() == Backend::PostgreSql && (!db.isOpen() || !pg || PQstatus(pg) != CONNECTION_OK);
    const bool unknown =
        backend() == Backend::SqlServer || e.type() == QSqlError::ConnectionError || linkLost;
    if (unknown) throw CommitUnknown(err::kDiskOrNetwork, e.text());
    raise(e, QStringLiteral("commit"));
}

void Connection::rollback() {
    QSqlDatabase db = database();
    inTransaction_ = false;
    db.rollback();
}

bool Connection::inTransaction() const {
    if (!open_) return false;
    if (PGconn* pg = PostgresHandle(QSqlDatabase::database(name_, false))) {
        const PGTransactionStatusType status = PQtransactionStatus(pg);
        return status == PQTRANS_INTRANS || status == PQTRANS_INERROR;
    }
    return inTransaction_;
}

}  // namespace qs
