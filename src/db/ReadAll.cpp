// Several statements in one round trip on PostgreSQL: a pipeline on the
// connection behind Qt's driver, the values bound as libpq takes them and
// decoded as the driver decodes them; one statement after another elsewhere.
#include <QDateTime>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>

#include "db/Connection.h"
#include "db/PostgresHandle.h"

namespace qs {

namespace {

// Type numbers of the PostgreSQL catalogue (pg_type.oid).
enum : Oid {
    kBool = 16,
    kBytea = 17,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kOid = 26,
    kFloat4 = 700,
    kFloat8 = 701,
    kDate = 1082,
    kTime = 1083,
    kTimestamp = 1114,
    kTimestampTz = 1184,
    kNumeric = 1700,
};

QMetaType metaTypeOf(Oid type) {
    switch (type) {
        case kBool:
            return QMetaType::fromType<bool>();
        case kBytea:
            return QMetaType::fromType<QByteArray>();
        case kInt8:
            return QMetaType::fromType<qlonglong>();
        case kInt2:
        case kInt4:
            return QMetaType::fromType<int>();
        case kOid:
            return QMetaType::fromType<uint>();
        case kFloat4:
        case kFloat8:
        case kNumeric:
            return QMetaType::fromType<double>();
        case kDate:
            return QMetaType::fromType<QDate>();
        case kTime:
            return QMetaType::fromType<QTime>();
        case kTimestamp:
        case kTimestampTz:
            return QMetaType::fromType<QDateTime>();
        default:
            return QMetaType::fromType<QString>();
    }
}

// The server writes times in ISO style (Qt's driver sets it when it
// connects): a time without zone is the wall-clock time as stored, one with
// a zone is shown in the local zone.
QDateTime timestampOf(QString text, bool withZone) {
    text.replace(u' ', u'T');
    // "+08" as Qt reads offsets: "+08:00".
    const qsizetype sign = withZone ? qMax(text.lastIndexOf(u'+'), text.lastIndexOf(u'-')) : -1;
    if (sign > 10 && text.size() - sign == 3) text += QStringLiteral(":00");
    const QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
    return withZone ? t.toLocalTime() : t;
}

QVariant valueOf(const PGresult* r, int row, int column) {
    const Oid type = PQftype(r, column);
    if (PQgetisnull(r, row, column)) return QVariant(metaTypeOf(type));
    const char* v = PQgetvalue(r, row, column);
    switch (type) {
        case kBool:
            return v[0] == 't';
        case kBytea: {
            size_t length = 0;
            unsigned char* bytes =
                PQunescapeBytea(reinterpret_cast<const unsigned char*>(v), &length);
            const QByteArray out(reinterpret_cast<const char*>(bytes), qsizetype(length));
            PQfreemem(bytes);
            return out;
        }
        case kInt8:
            return QByteArray(v).toLongLong();
        case kInt2:
        case kInt4:
            return QByteArray(v).toInt();
        case kOid:
            return QByteArray(v).toUInt();
        case kFloat4:
        case kFloat8:
        case kNumeric:
            return QByteArray(v).toDouble();
        case kDate:
            return QDate::fromString(QString::fromLatin1(v), Qt::ISODate);
        case kTime:
            return QTime::fromString(QString::fromLatin1(v), Qt::ISODateWithMs);
        case kTimestamp:
        case kTimestampTz:
            return timestampOf(QString::fromLatin1(v), type == kTimestampTz);
        default:
            return QString::fromUtf8(v);
    }
}

ReadRows rowsOf(const PGresult* r) {
    ReadRows out;
    const int columns = PQnfields(r);
    for (int c = 0; c < columns; ++c)
        out.columns.append(QSqlField(QString::fromUtf8(PQfname(r, c)), metaTypeOf(PQftype(r, c))));
    const int rows = PQntuples(r);
    out.rows.reserve(rows);
    for (int row = 0; row < rows; ++row) {
        QVector<QVariant> values(columns);
        for (int c = 0; c < columns; ++c) values[c] = valueOf(r, row, c);
        out.rows.push_back(std::move(values));
    }
    return out;
}

// Takes one result of a statement into `r`: its rows, or what ended it. A
// query of Qt's driver before may have left single-row mode on, which libpq
// keeps for the first statement of a pipeline: its rows then come one result
// each, ended by an empty one. True when the statement succeeded so far.
bool take(ReadRows& r, bool& started, const PGresult* res) {
    const ExecStatusType status = PQresultStatus(res);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK && status != PGRES_SINGLE_TUPLE)
        return false;
    if (!started) {
        r = rowsOf(res);
        started = true;
    } else {
        r.rows += rowsOf(res).rows;
    }
    return true;
}

// A statement that failed, as the other statements' errors are made: 3043
// when the link broke. `res` gives the server's code for it.
ReadRows failedRows(PGconn* pg, const QByteArray& message, const QString& sql,
                    const PGresult* res = nullptr) {
    ReadRows r;
    const bool broken = PQstatus(pg) != CONNECTION_OK;
    QString text = QString::fromUtf8(message).trimmed();
    text += QStringLiteral(" [") + sql.left(300) + QLatin1Char(']');
    r.error = DbError(broken ? err::kDiskOrNetwork : err::kProviderFailure, text);
    if (res) r.errorCode = QString::fromLatin1(PQresultErrorField(res, PG_DIAG_SQLSTATE));
    return r;
}

// The text of a statement for libpq: its ? marks (outside quotes) numbered
// $1, $2 …
QByteArray numberedMarks(const QString& sql) {
    QString out;
    out.reserve(sql.size() + 16);
    qsizetype copied = 0;
    int mark = 0;
    ForEachUnquoted(sql, false, [&](qsizetype i, QChar c, int) {
        if (c != u'?') return;
        out += QStringView(sql).mid(copied, i - copied);
        out += u'$' + QString::number(++mark);
        copied = i + 1;
    });
    out += QStringView(sql).mid(copied);
    return out.toUtf8();
}

// A bound value as libpq takes it: bytes in binary, everything else as the
// text the server reads for the column's type; NULL has no bytes.
struct PgValues {
    QList<QByteArray> data;
    QVector<const char*> values;
    QVector<int> lengths, formats;

    explicit PgValues(const QVector<QVariant>& bound) {
        for (const QVariant& v : bound) {
            QByteArray bytes;
            int format = 0;
            switch (v.metaType().id()) {
                case QMetaType::QByteArray:
                    bytes = v.toByteArray();
                    format = 1;
                    break;
                case QMetaType::Bool:
                    bytes = v.toBool() ? "t" : "f";
                    break;
                case QMetaType::QDateTime:
                    bytes =
                        v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8();
                    break;
                default:
                    bytes = v.toString().toUtf8();
                    break;
            }
            data << (v.isNull() ? QByteArray() : bytes);
            lengths << int(bytes.size());
            formats << format;
        }
        for (int i = 0; i < bound.size(); ++i)
            values << (bound[i].isNull() ? nullptr : data[i].constData());
    }
};

}  // namespace

ReadRows Connection::runOne(const Statement& s) {
    ReadRows r;
    try {
        QSqlQuery q = readQuery();
        auto failed = [&] {
            r.errorCode = q.lastError().nativeErrorCode();
            raise(q.lastError(), s.sql);
        };
        try {
            send(q, s);
        } catch (const DbError&) {
            r.errorCode = q.lastError().nativeErrorCode();
            throw;
        }
        // A batch gives a result per statement (row counts first on SQL Server):
        // every one is read, so that an error of a later one is seen.
        do {
            readResult(q, r);
            if (q.lastError().isValid()) failed();
        } while (q.nextResult());
        if (q.lastError().isValid()) failed();
    } catch (const DbError& e) {
        r.columns = {};
        r.rows.clear();
        r.error = e;
    }
    return r;
}

void Connection::readResult(QSqlQuery& q, ReadRows& r) {
    const bool keep = q.isSelect() && r.columns.isEmpty();
    if (keep) r.columns = q.record();
    while (q.next()) {
        if (!keep) continue;
        QVector<QVariant> values(r.columns.count());
        for (int c = 0; c < values.size(); ++c) values[c] = q.value(c);
        r.rows.push_back(std::move(values));
    }
}

ReadRows Connection::notRun(const QString& sql) {
    ReadRows r;
    r.error = DbError(err::kProviderFailure,
                      QStringLiteral("前面的语句出错，没有执行：") + sql.left(300));
    return r;
}

ReadRows Connection::readRows(const QString& select) {
    ReadRows r = readAll({select})[0];
    if (r.error) throw *r.error;
    return r;
}

QList<ReadRows> Connection::readAll(const QStringList& selects) {
    QList<ReadRows> out;
    for (const QString& sql : selects) countStatement(sql);
    PGconn* pg = open_ ? PostgresHandle(database()) : nullptr;
    // Qt's driver may still be reading a result of its own: then, and on the
    // other backends, one statement after another.
    const bool pipeline = pg && selects.size() > 1 && PQtransactionStatus(pg) != PQTRANS_ACTIVE &&
                          PQpipelineStatus(pg) == PQ_PIPELINE_OFF && PQenterPipelineMode(pg) == 1;
    if (!pipeline && backend() == Backend::SqlServer && selects.size() > 1) {
        // Those after one that failed are sent again, in a batch of their own. A
        // batch that fails before its first statement answered may have failed
        // as a whole (a column missing anywhere stops it being compiled): that
        // statement is asked again alone.
        QList<Statement> left;
        for (const QString& sql : selects) left << Statement{sql, {}};
        while (!left.isEmpty()) {
            const QList<ReadRows> done = runAsBatches(left);
            if (left.size() > 1 && done[0].error) {
                out << runOne(left[0]);
                left = left.mid(1);
                continue;
            }
            qsizetype k = 0;
            while (k < done.size() && (!done[k].error || k == 0 || !done[k - 1].error)) ++k;
            out += done.mid(0, k);
            left = left.mid(k);
        }
        return out;
    }
    if (!pipeline) {
        for (const QString& sql : selects) out << runOne({sql, {}});
        return out;
    }
    // Each statement ends at a sync point of its own, so a failing one ends
    // only itself.
    bool sent = true;
    for (const QString& sql : selects)
        sent = sent &&
               PQsendQueryParams(pg, sql.toUtf8().constData(), 0, nullptr, nullptr, nullptr,
                                 nullptr, 0) == 1 &&
               PQpipelineSync(pg) == 1;
    for (const QString& sql : selects) {
        if (!sent || PQstatus(pg) != CONNECTION_OK) {
            out << failedRows(pg, PQerrorMessage(pg), sql);
            continue;
        }
        ReadRows r = failedRows(pg, "no result", sql);
        bool started = false;
        // The statement's result, a null that ends its results, its sync point.
        int nulls = 0;
        for (;;) {
            PGresult* res = PQgetResult(pg);
            if (!res) {
                if (++nulls > 1 || PQstatus(pg) != CONNECTION_OK) break;
                continue;
            }
            nulls = 0;
            const ExecStatusType status = PQresultStatus(res);
            if (!take(r, started, res) && status != PGRES_PIPELINE_SYNC)
                r = failedRows(pg, PQresultErrorMessage(res), sql, res);
            PQclear(res);
            if (status == PGRES_PIPELINE_SYNC) break;
        }
        out << r;
    }
    PQexitPipelineMode(pg);
    return out;
}

QList<ReadRows> Connection::runInOrder(const QList<Statement>& statements) {
    QList<ReadRows> out;
    for (const Statement& s : statements) countStatement(s.sql);
    PGconn* pg = open_ ? PostgresHandle(database()) : nullptr;
    const bool pipeline = pg && !statements.isEmpty() &&
                          PQtransactionStatus(pg) != PQTRANS_ACTIVE &&
                          PQpipelineStatus(pg) == PQ_PIPELINE_OFF && PQenterPipelineMode(pg) == 1;
    if (!pipeline && backend() == Backend::SqlServer && statements.size() > 1)
        return runAsBatches(statements);
    if (!pipeline) {
        for (const Statement& s : statements)
            out << (out.isEmpty() || !out.last().error ? runOne(s) : notRun(s.sql));
        return out;
    }
    // One sync point after the last: the server skips what follows a failure.
    bool sent = true;
    for (const Statement& s : statements) {
        const PgValues v(s.values);
        sent = sent && PQsendQueryParams(pg, numberedMarks(s.sql).constData(), int(s.values.size()),
                                         nullptr, v.values.constData(), v.lengths.constData(),
                                         v.formats.constData(), 0) == 1;
    }
    sent = sent && PQpipelineSync(pg) == 1;
    bool failed = false;
    for (const Statement& s : statements) {
        if (!sent || PQstatus(pg) != CONNECTION_OK) {
            out << failedRows(pg, PQerrorMessage(pg), s.sql);
            continue;
        }
        ReadRows r = failedRows(pg, "no result", s.sql);
        bool started = false;
        // The statement's results, then a null.
        while (PGresult* res = PQgetResult(pg)) {
            const ExecStatusType status = PQresultStatus(res);
            if (failed || status == PGRES_PIPELINE_ABORTED)
                r = notRun(s.sql);
            else if (!take(r, started, res))
                r = failedRows(pg, PQresultErrorMessage(res), s.sql, res);
            PQclear(res);
        }
        failed = failed || r.error.has_value();
        out << r;
    }
    // The sync point.
    for (int nulls = 0; nulls < 2 && PQstatus(pg) == CONNECTION_OK;) {
        PGresult* res = PQgetResult(pg);
        if (!res) {
            ++nulls;
            continue;
        }
        const bool sync = PQresultStatus(res) == PGRES_PIPELINE_SYNC;
        PQclear(res);
        if (sync) break;
    }
    PQexitPipelineMode(pg);
    return out;
}

QVariant Connection::bindable(const QString& table, const QString& column, const QVariant& value) {
    const bool typedNull = value.isNull() && backend() != Backend::PostgreSql;
    return BindableValue(value, typedNull ? tableColumns(table).field(column) : QSqlField(),
                         backend());
}

}  // namespace qs
