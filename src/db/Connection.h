#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <QVector>
#include <functional>
#include <future>
#include <optional>
#include <utility>

#include "db/DbError.h"
#include "db/Endpoints.h"
#include "db/SqlDialect.h"

struct pg_conn;

namespace qs {

// Cursor locations, types and lock types keep the numbers the windows pass.
namespace ado {
constexpr int adUseServer = 2;
constexpr int adUseClient = 3;
constexpr int adOpenForwardOnly = 0;
constexpr int adOpenKeyset = 1;
constexpr int adOpenDynamic = 2;
constexpr int adOpenStatic = 3;
constexpr int adLockReadOnly = 1;
constexpr int adLockPessimistic = 2;
constexpr int adLockOptimistic = 3;
}  // namespace ado

// Where the server databases are, set once at start from the deployment
// settings (tests set it themselves). The local file is always SQLite.
struct DbEnvironment {
    Backend serverBackend = Backend::SqlServer;
    // Folder that holds one SQLite file per endpoint for the embedded servers.
    QString embeddedServerFolder;
    // How long a write waits for a lock another instance holds (an application lock on the
    // server, the write lock of an SQLite file) before it gives up: the command timeout.
    int lockWaitMs = kServerTimeoutSeconds * 1000;

    static void configure(const DbEnvironment& env);
    static const DbEnvironment& current();
};

// The SQLite file of an embedded server: one file per endpoint under the
// configured folder. Characters a file name cannot hold are written as %XX,
// so two different endpoints never share a file.
QString EmbeddedServerFile(const QString& endpoint);

// Creates an SQLite database file with the tables of schema/sqlite.sql (the
// local file after the operator agreed, or a demo's or a test's servers).
// Connections never create one: a missing file is a failure. Throws DbError.
void CreateDatabaseFile(const QString& file);

// A value ready to bind for a column: NULL carries the column's type, and
// times travel as their wall-clock text except to SQL Server (the embedded
// servers keep them in that form, and Qt's PostgreSQL driver would otherwise
// send a UTC instant, which a column without a time zone stores shifted).
QVariant BindableValue(const QVariant& value, const class QSqlField& column, Backend backend);

// The rows of one select read whole, or the error that ended it.
struct ReadRows {
    QSqlRecord columns;
    QVector<QVector<QVariant>> rows;
    std::optional<DbError> error;
    QString errorCode;  // the server's code for the error (SQLSTATE), when it gave one
};

// One statement and the values bound to its ? marks, in order.
struct Statement {
    QString sql;
    QVector<QVariant> values;
};

// One database connection, opened only from one of the system's two
// connection strings. A handler creates its own and drops it when it ends.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the database the connection string names: the server string
    // ("driver={SQL Server};server=…") on the configured server backend, the
    // local string ("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=…") on the
    // SQLite file. timeoutSeconds 0 means the driver's default. Throws DbError;
    // a missing or empty SQLite file (local or embedded server) is refused
    // naming the file, and so is a server string with keys of its own.
    void open(const QString& connectionString, int timeoutSeconds = 0,
              int cursorLocation = ado::adUseServer);
    void close();
    bool isOpen() const;

    const QString& connectionString() const { return connectionString_; }
    int cursorLocation() const { return cursorLocation_; }
    const SqlDialect& dialect() const { return dialect_; }
    Backend backend() const { return dialect_.backend(); }

    // Runs a statement that returns no rows. Throws DbError (3709 when the
    // connection is not open). No affected-row count is given: SQL Server has
    // none to give when it runs with NOCOUNT on, so counts come from count(*).
    // Every result of the text is read, so that the failure of a later
    // statement of several is seen (FreeTDS reports it to no one else).
    void execute(const QString& sql);
    // Runs a statement and hands it back to be read, under the statement
    // timeout. Throws DbError.
    QSqlQuery run(const QString& sql);
    // A statement prepared to be run (exec()) with bound values, under the
    // statement timeout. Throws DbError.
    QSqlQuery prepared(const QString& sql);
    // From now on every statement run() and execute() send gives up after
    // `seconds` (0: never), as the working connection's commands do. Not for
    // a query that streams rows for longer than that.
    void setStatementTimeout(int seconds);
    // The first column of the first row of a query (NULL when no row).
    QVariant scalar(const QString& sql);
    // Begins a transaction. On SQLite it is a write transaction taken at once (begin
    // immediate), waiting up to the lock wait while another connection writes: throws
    // LockNotGranted when it is not given.
    void beginTransaction();
    // Throws CommitUnknown when the server's answer was lost: SQL Server over the network
    // on any failure, PostgreSQL when the link is gone; on SQLite nothing is unknown.
    void commit();
    void rollback();
    // True between beginTransaction() and commit() or rollback() (on
    // PostgreSQL: while the server holds a transaction open).
    bool inTransaction() const;

    // A statement on this connection, for set-based work the recordset does
    // not cover (prepared statements in a loop). Every statement the program
    // sends is made here, forward-only: on Qt's ODBC driver any other kind asks
    // for a static cursor, which FreeTDS turns into a server cursor that
    // refuses the first-row fetch, so a returned row would never be read.
    // Throws 3709 when not open. What a caller sends through it counts as a
    // possible write.
    QSqlQuery query() const;
    // The same for statements that only read (selects): they do not count as
    // possible writes.
    QSqlQuery readQuery() const;

    // Runs several selects in as few round trips as the backend allows: on
    // PostgreSQL all in one (a pipeline in which each statement stands alone,
    // so one that fails leaves the others), on SQL Server in one batch (those
    // after one that fails in another), on SQLite one after another. Each
    // comes back read whole, with the values Qt's driver gives, or with the
    // error readQuery() would have raised for it.
    QList<ReadRows> readAll(const QStringList& selects);
    // Runs statements in order, stopping at the first that fails, in as few
    // round trips as the backend allows: on PostgreSQL all in one (a pipeline
    // with one sync point: one that fails ends the run, and a transaction it
    // is in refuses what follows), on SQL Server in one batch that ends at the
    // first failure, on SQLite one after another, every result
    // of each read. Each comes back with the rows of its first result that
    // has columns, or with its error; those after a failure with an error
    // saying they did not run. What is not a select counts as a possible write.
    QList<ReadRows> runInOrder(const QList<Statement>& statements);
    // One select read whole. Throws DbError.
    ReadRows readRows(const QString& select);

    // How many statements since the connection opened may have written: every
    // text that is not a select sent through execute() or scalar(), every
    // query() handed out, every transaction begun and every bulk load. When
    // the link breaks before this moves, the server has nothing of the
    // caller's work, and the work can run again on a new connection.
    quint64 possibleWrites() const { return writes_; }
    // True when the link to the server is known to be gone, found out without
    // a round trip: on PostgreSQL what the socket already holds (a server that
    // ended the session has closed it), on SQL Server the driver's own
    // dead-connection flag, for an SQLite file that the file is gone.
    bool linkBroken() const;

    // True when the server takes rows in one bulk load (PostgreSQL's COPY).
    bool canBulkInsert() const;
    // Appends `rows` rows to `table` in one bulk load: value(row, column)
    // gives each value, as BindableValue makes it. One statement: every row is
    // stored or, on any refusal, none. In COPY's binary form where every
    // column and value has one (pictures as their bytes), else its text form.
    // Needs no other statement of this connection left unread. Throws DbError
    // (and kProviderFailure where canBulkInsert() is false).
    void bulkInsert(const QString& table, const QStringList& columns, int rows,
                    const std::function<QVariant(int row, int column)>& value);
    // A bulk load sent from a thread of its own while the caller goes on.
    class BulkLoad {
    public:
        // Waits for the load's end, calling `beat` meanwhile; throws its DbError.
        void finish(const std::function<void()>& beat = {});

    private:
        friend class Connection;
        const Connection* connection_ = nullptr;
        QString sql_;
        // The refusal's message (empty when stored), and whether the text form was sent.
        std::future<std::pair<QByteArray, bool>> error_;
    };
    // bulkInsert(), its rows sent by another thread: `value` is called there
    // and must stay valid, and the connection runs nothing else, until finish().
    BulkLoad startBulkInsert(const QString& table, const QStringList& columns, int rows,
                             std::function<QVariant(int row, int column)> value);

    // The columns of a table (cached for the life of the connection).
    QSqlRecord tableColumns(const QString& table);
    // `value` ready to bind to a column of `table` in a statement sent
    // through runInOrder: BindableValue of it, the column's type read (once
    // per connection) only where the driver needs it for a NULL.
    QVariant bindable(const QString& table, const QString& column, const QVariant& value);

    // The SQL type of each column of a table as PostgreSQL names it, by lower-
    // case name (ctid: tid); empty on the other databases. Cached.
    QHash<QString, QString> columnTypes(const QString& table);

    // The libpq connection behind Qt's PostgreSQL driver, or null.
    pg_conn* postgres() const;

    // Turns a failed Qt SQL call into the DbError the windows expect: 3043
    // when the link to the server broke under it.
    [[noreturn]] void raise(const class QSqlError& error, const QString& what) const;
    // The same for an error known by its number and text.
    [[noreturn]] void raise(int number, QString text, const QString& what) const;

private:
    friend void OpenConnections(const QVector<std::pair<Connection*, QString>>&, int, int);
    QSqlDatabase database() const;
    // The bulk load, sent from this thread or (`elsewhere`) another one.
    BulkLoad loadRows(const QString& table, const QStringList& columns, int rows,
                      std::function<QVariant(int, int)> value, bool elsewhere);
    // One statement through Qt's driver, every result read.
    ReadRows runOne(const Statement& statement);
    // Reads the current result of `q` whole, into `r` when it is the statement's
    // first result with columns.
    static void readResult(QSqlQuery& q, ReadRows& r);
    // What a statement after a failed one comes back with.
    static ReadRows notRun(const QString& sql);
    // SQL Server: the statements in as few batches as its limits allow (2,100
    // parameters a request, a variable declared once a batch), each batch one
    // round trip that ends at the first statement that fails.
    QList<ReadRows> runAsBatches(const QList<Statement>& statements);
    QList<ReadRows> runBatch(const QList<Statement>& statements,
                             const QList<QStringList>& parts);
    void countStatement(const QString& sql);

    QString name_;
    QString sqliteFile_;
    mutable quint64 writes_ = 0;
    QString connectionString_;
    int cursorLocation_ = ado::adUseServer;
    SqlDialect dialect_;
    bool open_ = false;
    bool inTransaction_ = false;
    int statementTimeout_ = 0;
    // PostgreSQL: the statement timeout the session is known to have (-1: not known).
    int sessionTimeout_ = -1;
    void prepareWithTimeout(QSqlQuery& q, const QString& sql) const;
    // Executes `statement` on `q` under the statement timeout (SQL Server
    // takes it statement by statement: the text is prepared then).
    void send(QSqlQuery& q, const Statement& statement) const;
    QHash<QString, QSqlRecord> columns_;
    QHash<QString, QHash<QString, QString>> types_;
    QHash<QString, QHash<QString, unsigned>> typeOids_;
};

// Opens each connection of `connections` on its connection string. On
// PostgreSQL all at once, each login on a thread of its own, the connections
// then handed to the calling thread: across a slow link their round trips
// overlap. Throws the DbError of the first that failed, in the order given
// (the others are left open).
void OpenConnections(const QVector<std::pair<Connection*, QString>>& connections,
                     int timeoutSeconds, int cursorLocation = ado::adUseServer);

}  // namespace qs
