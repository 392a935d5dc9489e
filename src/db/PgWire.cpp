#include "db/PgWire.h"

#include <libpq-fe.h>

#include <QDateTime>
#include <QRegularExpression>
#include <QtEndian>
#include <cstring>

#include "db/Connection.h"
#include "db/DbError.h"

namespace qs {

namespace {

// Type oids (pg_type.h).
enum : unsigned {
    kBool = 16,
    kBytea = 17,
    kName = 19,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kText = 25,
    kFloat4 = 700,
    kFloat8 = 701,
    kUnknown = 705,
    kBpchar = 1042,
    kVarchar = 1043,
    kDate = 1082,
    kTimestamp = 1114,
};

const QDate kEpoch(2000, 1, 1);  // PostgreSQL's day 0

template <class T>
void appendBigEndian(QByteArray& out, T v) {
    char bytes[sizeof(T)];
    qToBigEndian(v, bytes);
    out.append(bytes, sizeof(T));
}

void appendField(QByteArray& out, const char* data, qsizetype size) {
    appendBigEndian<qint32>(out, qint32(size));
    out.append(data, size);
}

// A time stamp as PostgreSQL writes it ("2024-01-01 10:00:00.5004"), to the
// microsecond since its epoch; false for anything else.
bool microseconds(const QVariant& v, qint64* us) {
    QDate date;
    qint64 ofDay = 0;
    if (v.metaType().id() == QMetaType::QDateTime) {
        const QDateTime t = v.toDateTime();
        date = t.date();
        ofDay = qint64(t.time().msecsSinceStartOfDay()) * 1000;
    } else {
        static const QRegularExpression re(QStringLiteral(
            "^(\\d{4})-(\\d{2})-(\\d{2})(?: (\\d{2}):(\\d{2}):(\\d{2})(?:\\.(\\d{1,6}))?)?$"));
        const auto m = re.match(v.toString());
        if (!m.hasMatch()) return false;
        date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        const int h = m.captured(4).toInt(), mi = m.captured(5).toInt(), s = m.captured(6).toInt();
        if (h > 23 || mi > 59 || s > 59) return false;
        ofDay = ((h * 60 + mi) * 60 + s) * qint64(1000000) +
                m.captured(7).leftJustified(6, u'0').toLongLong();
    }
    if (!date.isValid()) return false;
    *us = kEpoch.daysTo(date) * qint64(86400000000) + ofDay;
    return true;
}

}  // namespace

bool HasBinaryCopyForm(unsigned oid) {
    switch (oid) {
        case kBool:
        case kBytea:
        case kName:
        case kInt8:
        case kInt2:
        case kInt4:
        case kText:
        case kFloat4:
        case kFloat8:
        case kBpchar:
        case kVarchar:
        case kDate:
        case kTimestamp:
            return true;
        default:
            return false;
    }
}

bool AppendBinaryCopyValue(QByteArray& out, const QVariant& v, unsigned oid) {
    if (v.isNull()) {
        appendBigEndian<qint32>(out, -1);
        return true;
    }
    const int type = v.metaType().id();
    switch (oid) {
        case kBytea: {
            if (type != QMetaType::QByteArray) return false;
            const QByteArray b = v.toByteArray();
            appendField(out, b.constData(), b.size());
            return true;
        }
        case kText:
        case kVarchar:
        case kBpchar:
        case kName: {
            if (type == QMetaType::QByteArray) return false;
            const QByteArray b = v.toString().toUtf8();
            appendField(out, b.constData(), b.size());
            return true;
        }
        case kInt2:
        case kInt4:
        case kInt8: {
            if (type == QMetaType::Double || type == QMetaType::QByteArray) return false;
            bool ok = false;
            const qint64 n = v.toString().trimmed().toLongLong(&ok);
            if (!ok) return false;
            if (oid == kInt8) {
                appendBigEndian<qint32>(out, 8);
                appendBigEndian<qint64>(out, n);
            } else if (oid == kInt4) {
                if (n < INT32_MIN || n > INT32_MAX) return false;
                appendBigEndian<qint32>(out, 4);
                appendBigEndian<qint32>(out, qint32(n));
            } else {
                if (n < INT16_MIN || n > INT16_MAX) return false;
                appendBigEndian<qint32>(out, 2);
                appendBigEndian<qint16>(out, qint16(n));
            }
            return true;
        }
        case kFloat4:
        case kFloat8: {
            bool ok = false;
            const double d = v.toString().trimmed().toDouble(&ok);
            if (!ok) return false;
            if (oid == kFloat8) {
                quint64 bits;
                std::memcpy(&bits, &d, sizeof bits);
                appendBigEndian<qint32>(out, 8);
                appendBigEndian<quint64>(out, bits);
            } else {
                const float f = float(d);
                quint32 bits;
                std::memcpy(&bits, &f, sizeof bits);
                appendBigEndian<qint32>(out, 4);
                appendBigEndian<quint32>(out, bits);
            }
            return true;
        }
        case kBool: {
            const QString t = v.toString().trimmed().toLower();
            const bool yes = t == u"t" || t == u"true" || t == u"1";
            if (!yes && t != u"f" && t != u"false" && t != u"0") return false;
            appendBigEndian<qint32>(out, 1);
            out.append(char(yes ? 1 : 0));
            return true;
        }
        case kTimestamp: {
            qint64 us = 0;
            if (!microseconds(v, &us)) return false;
            appendBigEndian<qint32>(out, 8);
            appendBigEndian<qint64>(out, us);
            return true;
        }
        case kDate: {
            qint64 us = 0;
            if (!microseconds(v, &us) || us % qint64(86400000000) != 0) return false;
            appendBigEndian<qint32>(out, 4);
            appendBigEndian<qint32>(out, qint32(us / qint64(86400000000)));
            return true;
        }
        default:
            return false;
    }
}

PgBinaryRows::PgBinaryRows(Connection& connection, const QString& sql,
                           const QVector<unsigned>& types)
    : connection_(connection), sql_(sql), types_(types), pg_(connection.postgres()) {
    if (!pg_) fail("binary rows need PostgreSQL");
    const QByteArray text = "copy (" + sql.toUtf8() + ") to stdout with (format binary)";
    if (!PQsendQuery(pg_, text.constData())) fail(PQerrorMessage(pg_));
    PGresult* r = PQgetResult(pg_);
    const bool copying = r && PQresultStatus(r) == PGRES_COPY_OUT;
    const QByteArray message(r ? PQresultErrorMessage(r) : PQerrorMessage(pg_));
    PQclear(r);
    if (!copying) fail(message.isEmpty() ? QByteArray("COPY refused") : message);
    copying_ = true;
    cancel_ = PQgetCancel(pg_);
}

PgBinaryRows::~PgBinaryRows() {
    if (!done_ && pg_) {
        cancel();
        drain();
    }
    if (cancel_) PQfreeCancel(cancel_);
}

void PgBinaryRows::cancel() {
    char error[256];
    if (cancel_) PQcancel(cancel_, error, sizeof error);
}

QByteArray PgBinaryRows::drain() {
    done_ = true;
    if (!pg_) return {};
    // The rows left, then the copy's results (while a copy runs, libpq would
    // hand out the same "copying" result for ever).
    QByteArray error;
    if (copying_) {
        char* buffer = nullptr;
        int length = 0;
        while ((length = PQgetCopyData(pg_, &buffer, 0)) >= 0) PQfreemem(buffer);
        if (length == -2) error = PQerrorMessage(pg_);
        copying_ = false;
    }
    while (PGresult* r = PQgetResult(pg_)) {
        const ExecStatusType status = PQresultStatus(r);
        if (status != PGRES_COMMAND_OK && error.isEmpty()) error = PQresultErrorMessage(r);
        PQclear(r);
        if (status == PGRES_COPY_OUT || status == PGRES_COPY_IN) break;
    }
    return error;
}

void PgBinaryRows::fail(const QByteArray& message) {
    if (!done_) drain();
    done_ = true;
    connection_.raise(
        pg_ && PQstatus(pg_) != CONNECTION_OK ? err::kDiskOrNetwork : err::kProviderFailure,
        QString::fromUtf8(message).trimmed(), sql_);
}

bool PgBinaryRows::next(QVector<QVariant>& row) {
    if (done_) return false;
    char* buffer = nullptr;
    const int length = PQgetCopyData(pg_, &buffer, 0);
    if (length < 0) {
        copying_ = false;
        // The end, or the error that ended the copy.
        QByteArray error = length == -2 ? QByteArray(PQerrorMessage(pg_)) : QByteArray();
        const QByteArray result = drain();
        if (error.isEmpty()) error = result;
        if (!error.isEmpty()) fail(error);
        return false;
    }
    struct Free {
        char* p;
        ~Free() { PQfreemem(p); }
    } owned{buffer};
    const char* p = buffer;
    const char* end = buffer + length;
    auto take = [&](qsizetype n) {
        if (end - p < n) fail("a row of the binary copy is cut short");
        const char* at = p;
        p += n;
        return at;
    };
    if (header_) {
        // Signature, flags, then the header extension's length and bytes.
        take(15);
        take(qFromBigEndian<qint32>(take(4)));
        header_ = false;
        if (p == end) return next(row);  // the header alone
    }
    const int n = qFromBigEndian<qint16>(take(2));
    if (n < 0) return next(row);  // the trailer: the end follows
    if (n != types_.size()) fail("the binary copy's rows do not have the columns asked for");
    row.resize(n);
    for (int i = 0; i < n; ++i) {
        const unsigned oid = types_[i];
        const int size = qFromBigEndian<qint32>(take(4));
        if (size < 0) {
            row[i] = oid == kBytea ? QVariant(QMetaType::fromType<QByteArray>())
                                   : QVariant(QMetaType::fromType<QString>());
            continue;
        }
        const char* v = take(size);
        switch (oid) {
            case kBytea:
                row[i] = QByteArray(v, size);
                break;
            case kBool:
                row[i] = size > 0 && v[0] != 0;
                break;
            case kInt2:
                row[i] = int(qFromBigEndian<qint16>(v));
                break;
            case kInt4:
                row[i] = int(qFromBigEndian<qint32>(v));
                break;
            case kInt8:
                row[i] = qlonglong(qFromBigEndian<qint64>(v));
                break;
            case kFloat4: {
                const quint32 bits = qFromBigEndian<quint32>(v);
                float f;
                std::memcpy(&f, &bits, sizeof f);
                row[i] = double(f);
                break;
            }
            case kFloat8: {
                const quint64 bits = qFromBigEndian<quint64>(v);
                double d;
                std::memcpy(&d, &bits, sizeof d);
                row[i] = d;
                break;
            }
            case kText:
            case kVarchar:
            case kBpchar:
            case kName:
                row[i] = QString::fromUtf8(v, size);
                break;
            default:
                fail("a column of type " + QByteArray::number(oid) + " cannot be read in binary");
        }
    }
    return true;
}

unsigned PgTypeOf(QMetaType metaType) {
    return metaType.id() == QMetaType::QByteArray ? kBytea : kText;
}

}  // namespace qs
