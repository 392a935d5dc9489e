#include "support/SqlServerRules.h"

#include <sqlite3.h>

#include <QRegularExpression>

namespace qs::test {

namespace {

// The characters SQL Server's 8,000-byte limits count: nvarchar has two bytes a unit.
constexpr int kMostUnits = 4000;

QChar fold(QChar c) {
    char16_t u = c.unicode();
    if (u >= 0xFF01 && u <= 0xFF5E)  // full-width forms of ASCII
        u = char16_t(u - 0xFEE0);
    else if (u == 0x3000)  // ideographic space
        u = u' ';
    return QChar(u).toCaseFolded();
}

QString folded(QStringView s, bool trimTrailingBlanks) {
    QString out(s.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i) out[i] = fold(s[i]);
    if (trimTrailingBlanks)
        while (out.endsWith(u' ')) out.chop(1);
    return out;
}

QString text(sqlite3_value* v) {
    const void* p = sqlite3_value_text16(v);
    const int bytes = sqlite3_value_bytes16(v);
    return QString::fromUtf16(static_cast<const char16_t*>(p), bytes / 2);
}

void refuse(sqlite3_context* ctx, int number, const QString& message) {
    sqlite3_result_error(ctx, SqlServerError(number, message).toUtf8().constData(), -1);
}

const char16_t* kTruncated = u"String or binary data would be truncated.";

int compare(void*, int n1, const void* s1, int n2, const void* s2) {
    const QString a = folded(QStringView(static_cast<const char16_t*>(s1), n1 / 2), true);
    const QString b = folded(QStringView(static_cast<const char16_t*>(s2), n2 / 2), true);
    return a.compare(b);
}

// T-SQL LIKE: % any run, _ any character, [set] [^set] [a-z], and the
// escape character (when given) taking the next one literally.
bool like(QStringView p, QStringView s, QChar escape, bool escaping) {
    qsizetype i = 0, j = 0;
    while (i < p.size()) {
        const QChar c = p[i];
        if (escaping && c == escape && i + 1 < p.size()) {
            if (j >= s.size() || fold(s[j]) != fold(p[i + 1])) return false;
            i += 2, ++j;
        } else if (c == u'%') {
            while (i < p.size() && p[i] == u'%') ++i;
            if (i == p.size()) return true;
            for (qsizetype k = j; k <= s.size(); ++k)
                if (like(p.mid(i), s.mid(k), escape, escaping)) return true;
            return false;
        } else if (c == u'_') {
            if (j >= s.size()) return false;
            ++i, ++j;
        } else if (c == u'[' && p.indexOf(u']', i + 2) > i) {
            const qsizetype end = p.indexOf(u']', i + 2);
            if (j >= s.size()) return false;
            QStringView set = p.mid(i + 1, end - i - 1);
            const bool negated = set.startsWith(u'^') && set.size() > 1;
            if (negated) set = set.mid(1);
            const QChar ch = fold(s[j]);
            bool in = false;
            for (qsizetype k = 0; k < set.size() && !in; ++k) {
                if (k + 2 < set.size() && set[k + 1] == u'-') {
                    in = fold(set[k]) <= ch && ch <= fold(set[k + 2]);
                    k += 2;
                } else {
                    in = fold(set[k]) == ch;
                }
            }
            if (in == negated) return false;
            i = end + 1, ++j;
        } else {
            if (j >= s.size() || fold(s[j]) != fold(c)) return false;
            ++i, ++j;
        }
    }
    return j == s.size();
}

void likeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const QString pattern = text(argv[0]);
    if (pattern.size() > kMostUnits) return refuse(ctx, 8152, QString::fromUtf16(kTruncated));
    const QString escape = argc > 2 ? text(argv[2]) : QString();
    sqlite3_result_int(ctx, like(pattern, text(argv[1]), escape.isEmpty() ? QChar() : escape[0],
                                 !escape.isEmpty()));
}

void charindexFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const QString find = text(argv[0]);
    if (find.size() > kMostUnits) return refuse(ctx, 8152, QString::fromUtf16(kTruncated));
    sqlite3_result_int64(ctx, folded(text(argv[1]), false).indexOf(folded(find, false)) + 1);
}

void intFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    switch (sqlite3_value_type(argv[0])) {
        case SQLITE_NULL:
            return sqlite3_result_null(ctx);
        case SQLITE_INTEGER:
            return sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
        case SQLITE_FLOAT:
            return sqlite3_result_int64(ctx, qint64(sqlite3_value_double(argv[0])));
        default:
            break;
    }
    const QString given = text(argv[0]);
    static const QRegularExpression number(QStringLiteral("^\\s*[+-]?\\d+\\s*$"));
    bool ok = number.match(given).hasMatch();
    const qint64 v = ok ? given.trimmed().toLongLong(&ok) : 0;
    if (!ok)
        return refuse(ctx, 245,
                      QStringLiteral("Conversion failed when converting the nvarchar value '%1' "
                                     "to data type int.")
                          .arg(given));
    if (v < INT32_MIN || v > INT32_MAX)
        return refuse(ctx, 248,
                      QStringLiteral("The conversion of the nvarchar value '%1' overflowed an "
                                     "int column.")
                          .arg(given));
    sqlite3_result_int64(ctx, v);
}

}  // namespace

QString SqlServerError(int number, const QString& message) {
    return QStringLiteral("qs-error %1: ").arg(number) + message;
}

int SqlServerErrorNumber(const QString& text, QString* message) {
    static const QRegularExpression re(QStringLiteral("qs-error (\\d+): (.*)"),
                                       QRegularExpression::DotMatchesEverythingOption);
    const auto m = re.match(text);
    if (!m.hasMatch()) return 0;
    // SQLite's own words follow the message ("Unable to fetch row" and the like).
    *message = m.captured(2).section(u'\n', 0, 0).trimmed();
    return m.captured(1).toInt();
}

void InstallSqlServerRules(sqlite3* db) {
    const int text = SQLITE_UTF16 | SQLITE_DETERMINISTIC;
    sqlite3_create_collation_v2(db, "qs_ci", SQLITE_UTF16, nullptr, compare, nullptr);
    sqlite3_create_function_v2(db, "like", 2, text, nullptr, likeFunction, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "like", 3, text, nullptr, likeFunction, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "qs_charindex", 2, text, nullptr, charindexFunction, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "qs_int", 1, text, nullptr, intFunction, nullptr, nullptr,
                               nullptr);
}

}  // namespace qs::test
