#include "db/Schema.h"

#include <QFile>

namespace qs {

QStringList SchemaStatements(Backend backend) {
    QString name;
    switch (backend) {
        case Backend::SqlServer:
            name = QStringLiteral(":/schema/sqlserver.sql");
            break;
        case Backend::PostgreSql:
            name = QStringLiteral(":/schema/postgresql.sql");
            break;
        case Backend::Sqlite:
            name = QStringLiteral(":/schema/sqlite.sql");
            break;
    }
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList out;
    QString current;
    // Statements end with a ';' at the end of a line; "--" lines are comments.
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QString t = line.trimmed();
        if (t.startsWith(QStringLiteral("--")) || t.isEmpty() || t.compare(u"GO") == 0) continue;
        current += line + QLatin1Char('\n');
        if (t.endsWith(u';')) {
            out << current.trimmed().chopped(1);
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty()) out << current.trimmed();
    return out;
}

}  // namespace qs
