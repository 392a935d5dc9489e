#include "db/SqlDialect.h"

#include <QDateTime>

namespace qs {

QString SqlDialect::literal(const QString& value) const {
    QString v = value;
    v.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

QString SqlDialect::likeLiteral(const QString& value) const {
    QString v;
    v.reserve(value.size() + 8);
    bool escaped = false;
    for (QChar c : value) {
        switch (backend_) {
            case Backend::SqlServer:
                if (c == u'%' || c == u'_' || c == u'[') {
                    v += QLatin1Char('[') + c + QLatin1Char(']');
                    continue;
                }
                break;
            case Backend::PostgreSql:
            case Backend::Sqlite:
                if (c == u'%' || c == u'_' || c == u'\\') {
                    v += QLatin1Char('\\');
                    escaped = true;
                }
                break;
        }
        v += c;
    }
    QString text = literal(v);
    // PostgreSQL escapes with a backslash by default; SQLite needs the clause.
    if (escaped && backend_ == Backend::Sqlite) text += QStringLiteral(" ESCAPE '\\'");
    return text;
}

QString SqlDialect::bracketed(const QString& table) const {
    if (backend_ == Backend::PostgreSql) return table;
    return QLatin1Char('[') + table + QLatin1Char(']');
}

QString SqlDialect::valueLiteral(const QVariant& value) const {
    if (value.isNull()) return QStringLiteral("null");
    switch (value.metaType().id()) {
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
            return value.toString();
        case QMetaType::Double:
        case QMetaType::Float:
            return QString::number(value.toDouble(), 'g', 17);
        case QMetaType::QDateTime: {
            const QDateTime t = value.toDateTime();
            return literal(t.toString(backend_ == Backend::SqlServer
                                          ? QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")
                                          : QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
        }
        case QMetaType::QByteArray: {
            const QString hex = QString::fromLatin1(value.toByteArray().toHex());
            switch (backend_) {
                case Backend::SqlServer:
                    return QStringLiteral("0x") + hex;
                case Backend::PostgreSql:
                    return QStringLiteral("'\\x") + hex + QStringLiteral("'::bytea");
                case Backend::Sqlite:
                    return QStringLiteral("X'") + hex + QLatin1Char('\'');
            }
            break;
        }
        default:
            break;
    }
    return literal(value.toString());
}

QString SqlDialect::rowAddress() const {
    switch (backend_) {
        case Backend::PostgreSql:
            return QStringLiteral("ctid");
        case Backend::Sqlite:
            return QStringLiteral("rowid");
        case Backend::SqlServer:
            break;
    }
    return {};
}

}  // namespace qs
