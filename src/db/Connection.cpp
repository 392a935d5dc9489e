#include "db/Connection.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QSqlField>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <clocale>
#include <cstring>

#include "db/DbError.h"
#include "db/Endpoints.h"
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

QString embeddedFileFor(const QString& endpoint) {
    QString safe;
    for (QChar c : endpoint) {
        const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                        (c >= u'0' && c <= u'9') || c == u'.' || c == u',' || c == u'-' ||
                        c == u'_';
        safe += ok ? c : QLatin1Char('_');
    }
    if (safe.isEmpty()) safe = QStringLiteral("_");
    QString folder = env().embeddedServerFolder;
    if (folder.isEmpty()) folder = QDir::currentPath() + QStringLiteral("/servers");
    return folder + QLatin1Char('/') + safe + QStringLiteral(".sqlite");
}

}  // namespace

QVariant BindableValue(const QVariant& value, const QSqlField& column, Backend backend) {
    if (value.isNull()) return QVariant(column.metaType());
    if (backend != Backend::SqlServer && value.metaType().id() == QMetaType::QDateTime) {
        const QDateTime t = value.toDateTime();
        return t.toString(t.time().msec() ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")
                                          : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    return value;
}

void DbEnvironment::configure(const DbEnvironment& e) { env() = e; }
const DbEnvironment& DbEnvironment::current() { return env(); }

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
    columns_.clear();
}

bool Connection::isOpen() const { return open_; }

void Connection::open(const QString& connectionString, int timeoutSeconds, int cursorLocation) {
    close();
    connectionString_ = connectionString;
    cursorLocation_ = cursorLocation;
    const auto parts = parseConnectionString(connectionString);
    const bool local = parts.contains(QStringLiteral("provider"));

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
                sqliteFile = embeddedFileFor(endpoint);
                QDir().mkpath(QFileInfo(sqliteFile).absolutePath());
                db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
                break;
        }
    }

    bool created = false;
    if (!sqliteFile.isEmpty()) {
        const QFileInfo fi(sqliteFile);
        if (!fi.absoluteDir().exists())
            throw DbError(err::kProviderFailure,
                          QStringLiteral("找不到数据库文件所在的文件夹：") + fi.absolutePath());
        created = !fi.exists();
        db.setDatabaseName(sqliteFile);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    }
    if (!db.isValid())
        throw DbError(err::kProviderFailure, QStringLiteral("数据库驱动不可用：") + db.driverName());
    if (!db.open()) {
        const QString text = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
        if (created) QFile::remove(sqliteFile);
        throw DbError(err::kProviderFailure, text);
    }
    open_ = true;
    if (created) {
        try {
            for (const QString& statement : SchemaStatements(Backend::Sqlite)) execute(statement);
        } catch (const DbError&) {
            close();
            QFile::remove(sqliteFile);
            throw;
        }
    }
}

QSqlDatabase Connection::database() const {
    if (!open_)
        throw DbError(err::kConnectionUnusable,
                      QStringLiteral("连接无法用于执行此操作。在此上下文中它可能已被关闭或无效。"));
    return QSqlDatabase::database(name_, false);
}

QSqlQuery Connection::query() const {
    QSqlQuery q(database());
    q.setForwardOnly(true);
    return q;
}

void Connection::raise(const QSqlError& error, const QString& what) const {
    const int number =
        error.type() == QSqlError::ConnectionError ? err::kDiskOrNetwork : err::kProviderFailure;
    QString text = error.text();
    if (!what.isEmpty()) text += QStringLiteral(" [") + what.left(300) + QLatin1Char(']');
    throw DbError(number, text);
}

QSqlRecord Connection::tableColumns(const QString& table) {
    const QString key = table.toLower();
    auto it = columns_.constFind(key);
    if (it != columns_.constEnd()) return *it;
    QSqlRecord rec = database().record(key);
    if (rec.isEmpty()) {
        // Some drivers only answer for the name as the catalogue spells it.
        QSqlQuery q = query();
        if (q.exec(QStringLiteral("select * from ") + key + QStringLiteral(" where 1=0")))
            rec = q.record();
    }
    if (rec.isEmpty())
        throw DbError(err::kProviderFailure, QStringLiteral("找不到数据表 ") + table);
    columns_.insert(key, rec);
    return rec;
}

void Connection::execute(const QString& sql) {
    QSqlQuery q = query();
    if (!q.exec(sql)) raise(q.lastError(), sql);
}

QVariant Connection::scalar(const QString& sql) {
    QSqlQuery q = query();
    if (!q.exec(sql)) raise(q.lastError(), sql);
    QVariant v;
    if (q.next()) v = q.value(0);
    while (q.next()) {
    }
    return v;
}

void Connection::beginTransaction() {
    QSqlDatabase db = database();
    if (!db.transaction()) raise(db.lastError(), QStringLiteral("begin transaction"));
}

void Connection::commit() {
    QSqlDatabase db = database();
    if (!db.commit()) raise(db.lastError(), QStringLiteral("commit"));
}

void Connection::rollback() {
    QSqlDatabase db = database();
    db.rollback();
}

}  // namespace qs
