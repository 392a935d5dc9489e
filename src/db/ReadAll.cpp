// Several selects in one round trip on PostgreSQL: a pipeline on the
// connection behind Qt's driver, the values decoded as the driver decodes
// them.
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

}  // namespace

QList<ReadRows> Connection::readAll(const QStringList& selects) {
    QList<ReadRows> out;
    PGconn* pg = open_ ? PostgresHandle(database()) : nullptr;
    // Qt's driver may still be reading a result of its own: then, and on the
    // other backends, one statement after another.
    const bool pipeline = pg && selects.size() > 1 && PQtransactionStatus(pg) != PQTRANS_ACTIVE &&
                          PQpipelineStatus(pg) == PQ_PIPELINE_OFF && PQenterPipelineMode(pg) == 1;
    if (!pipeline) {
        for (const QString& sql : selects) {
            ReadRows r;
            try {
                QSqlQuery q = readQuery();
                if (!q.exec(sql)) raise(q.lastError(), sql);
                r.columns = q.record();
                while (q.next()) {
                    QVector<QVariant> values(r.columns.count());
                    for (int c = 0; c < values.size(); ++c) values[c] = q.value(c);
                    r.rows.push_back(std::move(values));
                }
                if (q.lastError().isValid()) raise(q.lastError(), sql);
            } catch (const DbError& e) {
                r = ReadRows{{}, {}, e};
            }
            out << r;
        }
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
    auto failure = [&](const QByteArray& message, const QString& sql) {
        const bool broken = PQstatus(pg) != CONNECTION_OK;
        try {
            raise(broken ? err::kDiskOrNetwork : err::kProviderFailure,
                  QString::fromUtf8(message).trimmed(), sql);
        } catch (const DbError& e) {
            return ReadRows{{}, {}, e};
        }
        return ReadRows{};
    };
    for (const QString& sql : selects) {
        if (!sent || PQstatus(pg) != CONNECTION_OK) {
            out << failure(PQerrorMessage(pg), sql);
            continue;
        }
        ReadRows r = failure("no result", sql);
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
            if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK)
                r = rowsOf(res);
            else if (status != PGRES_PIPELINE_SYNC)
                r = failure(PQresultErrorMessage(res), sql);
            PQclear(res);
            if (status == PGRES_PIPELINE_SYNC) break;
        }
        out << r;
    }
    PQexitPipelineMode(pg);
    return out;
}

}  // namespace qs
