#include "login/LoginQueries.h"

namespace qs {

QString BankCountQuery() {
    return QStringLiteral("select * from alltype");
}

QString ServerStatusQuery() {
    return QStringLiteral("select * from conf");
}

QString BankListQuery() {
    return QStringLiteral("select * from alltype order by mantype desc ");
}

QString AccountQuery(const SqlDialect& dialect, const QString& username) {
    return QStringLiteral("select * from users where username=") + dialect.literal(username) +
           QStringLiteral(" ");
}

}  // namespace qs
