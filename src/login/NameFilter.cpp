#include "login/NameFilter.h"

namespace qs {

const QStringList& FilteredNameTexts() {
    static const QStringList texts = {
        QStringLiteral("‘"),  QStringLiteral("’"),  QStringLiteral("“"),  QStringLiteral("”"),
        QStringLiteral("\""), QStringLiteral(","),  QStringLiteral("，"), QStringLiteral(":"),
        QStringLiteral("~"),  QStringLiteral("!"),  QStringLiteral("#"),  QStringLiteral("￥"),
        QStringLiteral("$"),  QStringLiteral("%"),  QStringLiteral("^"),  QStringLiteral("&"),
        QStringLiteral("*"),  QStringLiteral("("),  QStringLiteral(")"),  QStringLiteral("="),
        QStringLiteral("+"),  QStringLiteral("\\"), QStringLiteral("/"),  QStringLiteral("?"),
        QStringLiteral("？"), QStringLiteral("["),  QStringLiteral("{"),  QStringLiteral("｛"),
        QStringLiteral("]"),  QStringLiteral("}"),  QStringLiteral(";"),  QStringLiteral(">"),
        QStringLiteral("<"),  QStringLiteral("《"), QStringLiteral("》"), QStringLiteral("\r\n"),
        QStringLiteral("`")};
    return texts;
}

QString FilterUserName(const QString& text) {
    QString current = text;
    for (;;) {
        const QString before = current;
        for (const QString& t : FilteredNameTexts()) current.remove(t);
        if (current == before) return current;
    }
}

}  // namespace qs
