#include "support/SqlServerStandIn.h"

#include <sqlite3.h>

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlDriverCreator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QStringEncoder>
#include <atomic>

#include "db/Connection.h"
#include "db/Schema.h"
#include "support/SqlServerRules.h"

// The translation from T-SQL to SQLite, kept to what the program sends:
//  - N'…' is '…'; a literal without N, in a code-page-936 database, first
//    loses what code page 936 cannot hold ('?');
//  - comparisons (=, <>, <, >, in) take the collation qs_ci, and like is
//    T-SQL's, both as SQL Server compares (support/SqlServerRules.h);
//  - + joins texts (||), except beside a number, where it adds (and a text
//    that is no number is refused, error 245); || itself is refused, as
//    SQL Server 2012-2022 refuse it;
//  - (values …) as v(a, b) is a select of the values' column1, column2 …;
//  - an update through a CTE that joins (with c as (select …, row_number()
//    over (… order by o) as n from t a join … ) update c set x = e where w)
//    sets the rows of t the CTE reaches, by their rowid; rows that tie in
//    the window's order are taken in rowid order;
//  - select top n … is … limit n (outermost select only); an update of the
//    first row through "with c as (select top (1) * from t where …) update c"
//    updates that row of t by its rowid;
//  - declare @t table (…) is a temporary table "@t", declare @v int one of one column read
//    where @v is named; execute @v = sp_getapplock … stores 0 (granted) in it; insert … output
//    inserted.c into @t … runs with `returning c` and its rows go into "@t";
//    output without into is `returning` (refused when the table has a trigger);
//  - update a set … from t a inner join x r on … [where …] is
//    update t as a set … from x r where … [and …];
//  - functions: charindex(a, b) is qs_charindex (instr(b, a) under a binary
//    collation), cast(x as int) refuses a text that is no number, cast(x as
//    nvarchar(n)) cuts x to n characters (30 without n), scope_identity() is
//    last_insert_rowid() (which, like scope_identity, ignores rows a trigger
//    inserted), getdate(), isnull, len, datalength, substring, left map to
//    their SQLite forms; a few are the same in both; any other is refused;
//  - collate *_BIN* is binary, other collations nocase; cast types map to
//    SQLite's (nvarchar… text, varbinary blob, int integer);
//  - set nocount on is dropped; set @v = e stores e in @v; save transaction x
//    and rollback transaction x are SQLite's savepoint x and rollback to x;
//  - if @@error <> 0 return ends the batch when the statement before failed;
//  - answer and why0 are ntext, as in a database upsized from Access: used
//    with an operator, in (…), order by, distinct or a function other than
//    cast, the statement is refused as SQL Server refuses it;
//  - refused as SQL Server refuses them, with its error numbers: limit,
//    more than 2,100 parameters, more than 1,000 rows in one insert's values,
//    a value longer than an nvarchar(n) column (triggers of the file).
// Anything else is passed on as written and SQLite judges it.

namespace qs::test {

namespace {

struct Recorded {
    QString sql;
    bool forwardOnly = false;
};

// The program's statements arrive on its database thread while the test reads
// them on its own.
struct State {
    QMutex mutex;  // a pass reads its source on a thread of its own
    QList<Recorded> recorded;
    int sent = 0;
    QSet<QString> parsedClean;  // statements the grammar check passed before
    std::atomic<bool> codePage936 = false;
};

State& state() {
    static State s;
    return s;
}

QAtomicInt counter;

struct Refusal {
    QString text;
    int number = 102;  // SQL Server's error number: syntax unless said
};

// --- Tokens ---------------------------------------------------------------

struct Token {
    enum Kind { Space, Word, Bracketed, String, Number, Param, Symbol } kind;
    QString text;  // a string's value, quotes removed and '' undone
    bool national = false;
    bool is(const char* word) const {
        return kind == Word && text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool sym(const char* s) const { return kind == Symbol && text == QLatin1String(s); }
};
using Tokens = QVector<Token>;

bool wordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$';
}

Tokens tokenize(const QString& s) {
    Tokens out;
    int i = 0;
    const int n = s.size();
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            while (i < n && s[i].isSpace()) ++i;
            out.push_back({Token::Space, QStringLiteral(" ")});
        } else if (c == u'\'' || ((c == u'N' || c == u'n') && i + 1 < n && s[i + 1] == u'\'')) {
            const bool national = c != u'\'';
            i += national ? 2 : 1;
            QString v;
            while (i < n) {
                if (s[i] == u'\'') {
                    if (i + 1 < n && s[i + 1] == u'\'') {
                        v += u'\'';
                        i += 2;
                        continue;
                    }
                    break;
                }
                v += s[i++];
            }
            if (i >= n) throw Refusal{QStringLiteral("Unclosed quotation mark")};
            ++i;
            out.push_back({Token::String, v, national});
        } else if (c == u'[') {
            const int end = s.indexOf(u']', i);
            if (end < 0) throw Refusal{QStringLiteral("Unclosed bracket")};
            out.push_back({Token::Bracketed, s.mid(i, end - i + 1)});
            i = end + 1;
        } else if (c.isDigit()) {
            const int start = i;
            while (i < n && (s[i].isDigit() || s[i] == u'.')) ++i;
            out.push_back({Token::Number, s.mid(start, i - start)});
        } else if (wordChar(c)) {
            const int start = i;
            while (i < n && wordChar(s[i])) ++i;
            out.push_back({Token::Word, s.mid(start, i - start)});
        } else if (c == u'?') {
            out.push_back({Token::Param, QStringLiteral("?")});
            ++i;
        } else {
            static const QStringList pairs = {QStringLiteral("||"), QStringLiteral("<>"),
                                              QStringLiteral(">="), QStringLiteral("<="),
                                              QStringLiteral("!=")};
            const QString two = s.mid(i, 2);
            const bool pair = pairs.contains(two);
            out.push_back({Token::Symbol, pair ? two : QString(c)});
            i += pair ? 2 : 1;
        }
    }
    return out;
}

// Index of the next non-space token at or after i (size() when none).
int skip(const Tokens& t, int i, int end) {
    while (i < end && t[i].kind == Token::Space) ++i;
    return i;
}

int previous(const Tokens& t, int i) {
    --i;
    while (i >= 0 && t[i].kind == Token::Space) --i;
    return i;
}

// Index of the parenthesis closing the one at `open`.
int closing(const Tokens& t, int open, int end) {
    int depth = 0;
    for (int i = open; i < end; ++i) {
        if (t[i].sym("("))
            ++depth;
        else if (t[i].sym(")") && --depth == 0)
            return i;
    }
    throw Refusal{QStringLiteral("Incorrect syntax: unbalanced parentheses")};
}

// The first top-level word `word` in [from, end), or -1.
int findWord(const Tokens& t, int from, int end, const char* word) {
    int depth = 0;
    for (int i = from; i < end; ++i) {
        if (t[i].sym("("))
            ++depth;
        else if (t[i].sym(")"))
            --depth;
        else if (depth == 0 && t[i].is(word))
            return i;
    }
    return -1;
}

QString quoted(const QString& v) {
    QString q = v;
    q.replace(u'\'', QStringLiteral("''"));
    return u'\'' + q + u'\'';
}

QString degraded(const QString& v) {
    QString out;
    for (QChar c : v) {
        QStringEncoder gbk("GBK", QStringConverter::Flag::Stateless);
        const QByteArray b = gbk.encode(QString(c));
        out += gbk.hasError() || b.isEmpty() || c.isSurrogate() ? u'?' : c;
    }
    return out;
}

QString sqliteType(const QString& type) {
    const QString t = type.toLower();
    if (t.contains(u"char") || t.contains(u"text")) return QStringLiteral("text");
    if (t.contains(u"binary")) return QStringLiteral("blob");
    if (t.contains(u"int")) return QStringLiteral("integer");
    return t;
}

// --- Statements -----------------------------------------------------------

// What a statement gives the client: nothing (declare, set), a row count
// (insert, update, delete: a result of its own unless the batch says set
// nocount on, so Qt sees no rows until it moves on to the next result) or rows.
enum class Gives { Nothing, Count, Rows };

struct Step {
    QString sql;
    QString into;  // table variable receiving the rows of an output clause
    int params = 0;
    Gives gives = Gives::Nothing;
    bool returnIfFailed = false;  // if @@error <> 0 return
};

class Translator {
public:
    Translator(QSqlDatabase db, bool codePage936) : db_(db), cp936_(codePage936) {}

    bool nocount = false;  // the batch said set nocount on

    QVector<Step> batch(const QString& sql) {
        const Tokens t = tokenize(sql);
        QVector<Step> steps;
        int start = 0, depth = 0;
        for (int i = 0; i <= t.size(); ++i) {
            if (i < t.size()) {
                if (t[i].sym("("))
                    ++depth;
                else if (t[i].sym(")"))
                    --depth;
                if (!(depth == 0 && t[i].sym(";"))) continue;
            }
            const Tokens s = t.mid(start, i - start);
            start = i + 1;
            if (skip(s, 0, s.size()) == s.size()) continue;
            steps += statement(s);
        }
        return steps;
    }

private:
    QVector<Step> statement(Tokens t) {
        const int first = skip(t, 0, t.size());
        if ((t[first].is("save") || t[first].is("rollback")) &&
            t[skip(t, first + 1, t.size())].is("transaction")) {
            const QString name = t[skip(t, skip(t, first + 1, t.size()) + 1, t.size())].text;
            return {{(t[first].is("save") ? QStringLiteral("savepoint ")
                                          : QStringLiteral("rollback to ")) +
                         name,
                     {}}};
        }
        if (t[first].is("set") && t[skip(t, first + 1, t.size())].text.startsWith(u'@')) {
            // set @v = e: the variable's one row.
            const int var = skip(t, first + 1, t.size());
            const int eq = skip(t, var + 1, t.size());
            const QString name = QStringLiteral("temp.\"") + t[var].text + u'"';
            return {{QStringLiteral("delete from ") + name, {}},
                    {QStringLiteral("insert into ") + name + QStringLiteral(" values (") +
                         expression(t, eq + 1, int(t.size()), 0) + u')',
                     {}, params(t)}};
        }
        if (t[first].is("set")) {
            nocount = t[skip(t, first + 1, t.size())].is("nocount") &&
                      t[skip(t, skip(t, first + 1, t.size()) + 1, t.size())].is("on");
            return {};
        }
        if (t[first].is("if")) {
            QString words;
            for (int i = first; i < t.size(); ++i)
                if (t[i].kind != Token::Space) words += t[i].text.toLower();
            if (words != u"if@@error<>0return") throw Refusal{QStringLiteral("if: ") + words, 156};
            Step check;
            check.returnIfFailed = true;
            return {check};
        }
        const int second = skip(t, first + 1, t.size());
        const int third = skip(t, second + 1, t.size());
        if (t[first].is("declare") && !t[third].is("table")) {
            // A scalar variable: a temporary table of one column, read where it is named.
            scalars_ << t[second].text.toLower();
            const QString name = u'"' + t[second].text + u'"';
            return {{QStringLiteral("drop table if exists temp.") + name, {}},
                    {QStringLiteral("create temp table ") + name + QStringLiteral(" (v)"), {}}};
        }
        if (t[first].is("execute") && t[third].sym("=") &&
            t[skip(t, third + 1, t.size())].is("sp_getapplock")) {
            // One file behind one driver: every application lock is granted (0).
            return {{QStringLiteral("insert into temp.\"") + t[second].text +
                         QStringLiteral("\" values (0)"),
                     {}}};
        }
        if (t[first].is("declare")) {
            const int var = skip(t, first + 1, t.size());
            const int open = skip(t, skip(t, var + 1, t.size()) + 1, t.size());
            QString columns;
            for (int i = open; i < t.size(); ++i)
                columns += t[i].kind == Token::Word     ? sqliteType(t[i].text)
                           : t[i].kind == Token::Symbol ? t[i].text
                                                        : QString(u' ');
            columns.replace(QRegularExpression(QStringLiteral("\\(\\s*(max|\\d+)\\s*\\)")),
                            QString());
            const QString name = u'"' + t[var].text + u'"';
            return {{QStringLiteral("drop table if exists temp.") + name, {}},
                    {QStringLiteral("create temp table ") + name + u' ' + columns, {}}};
        }
        t = valuesTables(t);
        if (t[first].is("insert")) checkInsertRows(t, first);
        limit_.clear();
        returning_.clear();
        into_.clear();
        if (t[first].is("with")) {
            const QString joined = updateThroughJoin(t, first);
            if (!joined.isEmpty())
                return {{joined, {}, params(t), nocount ? Gives::Nothing : Gives::Count}};
            t = updateFirst(t, first);
        }
        update_ = t[first].is("update");
        if (update_) t = updateFrom(t, first);
        limit_.clear();
        returning_.clear();
        into_.clear();
        QString sql = expression(t, 0, t.size(), 0);
        if (!returning_.isEmpty()) sql += QStringLiteral(" returning ") + returning_;
        if (!limit_.isEmpty()) sql += QStringLiteral(" limit ") + limit_;
        const bool query = t[first].is("select") || t[first].is("with");
        const Gives gives = query || (!returning_.isEmpty() && into_.isEmpty()) ? Gives::Rows
                            : nocount                                           ? Gives::Nothing
                                                                                : Gives::Count;
        return {{sql, into_, params(t), gives}};
    }

    static int params(const Tokens& t) {
        return int(std::count_if(t.begin(), t.end(),
                                 [](const Token& k) { return k.kind == Token::Param; }));
    }

    static Token word(const QString& w) { return Token{Token::Word, w}; }

    // (values (…), (…)) [as] v(a, b) → (select column1 as a, column2 as b
    // from (values (…), (…))) as v
    Tokens valuesTables(const Tokens& t) {
        Tokens out;
        for (int i = 0; i < t.size(); ++i) {
            const int v = skip(t, i + 1, t.size());
            if (!t[i].sym("(") || v >= t.size() || !t[v].is("values")) {
                out << t[i];
                continue;
            }
            const int close = closing(t, i, t.size());
            int alias = skip(t, close + 1, t.size());
            if (alias < t.size() && t[alias].is("as")) alias = skip(t, alias + 1, t.size());
            const int open = skip(t, alias + 1, t.size());
            if (alias >= t.size() || open >= t.size() || !t[open].sym("(")) {
                out << t[i];
                continue;
            }
            const int end = closing(t, open, t.size());
            QStringList columns;
            int n = 0;
            for (int j = open + 1; j < end; ++j)
                if (t[j].kind == Token::Word)
                    columns << QStringLiteral("column%1 as ").arg(++n) + t[j].text;
            const Token space{Token::Space, QStringLiteral(" ")};
            out << Token{Token::Symbol, QStringLiteral("(")}
                << word(QStringLiteral("select ") + columns.join(QStringLiteral(", "))) << space
                << word(QStringLiteral("from")) << space;
            out += valuesTables(t.mid(i, close - i + 1));
            out << Token{Token::Symbol, QStringLiteral(")")}
                << Token{Token::Space, QStringLiteral(" ")} << word(QStringLiteral("as"))
                << Token{Token::Space, QStringLiteral(" ")} << t[alias];
            i = end;
        }
        return out;
    }

    // SQL Server takes at most 1,000 rows in one insert's values list.
    void checkInsertRows(const Tokens& t, int first) {
        const int values = findWord(t, first, t.size(), "values");
        if (values < 0) return;
        int rows = 0;
        for (int i = skip(t, values + 1, t.size()); i < t.size(); i = skip(t, i + 1, t.size())) {
            if (!t[i].sym("(")) break;
            ++rows;
            i = skip(t, closing(t, i, t.size()) + 1, t.size());
            if (i >= t.size() || !t[i].sym(",")) break;
        }
        if (rows > 1000)
            throw Refusal{QStringLiteral("The number of row value expressions in the INSERT "
                                         "statement exceeds the maximum allowed number of 1000 "
                                         "row values."),
                          10738};
    }

    // with c as (select L from T a … join … [over (… order by o)]) update c
    // set x = e, … [where w]
    //   → with c as (select a.rowid as qs_rowid, L …) update T set (x, …) =
    //     (select e, … from c where c.qs_rowid = T.rowid [and (w)])
    //     where rowid in (select qs_rowid from c [where w])
    // Empty when the statement is not of this form.
    QString updateThroughJoin(const Tokens& t, int first) {
        const int name = skip(t, first + 1, t.size());
        const int as = skip(t, name + 1, t.size());
        const int open = skip(t, as + 1, t.size());
        if (open >= t.size() || !t[open].sym("(")) return {};
        const int close = closing(t, open, t.size());
        const int select = skip(t, open + 1, close);
        const int from = findWord(t, select, close, "from");
        const int update = skip(t, close + 1, t.size());
        if (!t[select].is("select") || from < 0 || findWord(t, from, close, "join") < 0 ||
            update >= t.size() || !t[update].is("update"))
            return {};
        const int table = skip(t, from + 1, close);
        const int alias = skip(t, table + 1, close);
        Tokens body = t.mid(open + 1, close - open - 1);
        // The window's ties in rowid order, as a heap is read.
        for (int i = 0; i < body.size(); ++i) {
            if (!body[i].is("over")) continue;
            const int o = skip(body, i + 1, body.size());
            const int c = closing(body, o, body.size());
            if (findWord(body, o + 1, c, "order") >= 0)
                body.insert(c,
                            word(QStringLiteral(", ") + t[alias].text + QStringLiteral(".rowid")));
        }
        body[select - open - 1] =
            word(QStringLiteral("select ") + t[alias].text + QStringLiteral(".rowid as qs_rowid,"));
        const int set = skip(t, skip(t, update + 1, t.size()) + 1, t.size());
        const int where = findWord(t, set, t.size(), "where");
        const int end = where < 0 ? t.size() : where;
        QStringList columns, values;
        for (int i = set + 1, start = set + 1; i <= end; ++i) {
            if (i < end && !t[i].sym(",")) continue;
            int eq = start;
            while (eq < i && !t[eq].sym("=")) ++eq;
            if (eq == i) return {};
            columns << expression(t, start, eq, 1).trimmed();
            values << expression(t, eq + 1, i, 1).trimmed();
            start = i + 1;
        }
        const QString cte = t[name].text, base = t[table].text;
        const QString condition =
            where < 0 ? QString()
                      : QStringLiteral("(") + expression(t, where + 1, t.size(), 1) + u')';
        return QStringLiteral("with ") + cte + QStringLiteral(" as (") +
               expression(body, 0, body.size(), 1) + QStringLiteral(") update ") + base +
               QStringLiteral(" set (") + columns.join(QStringLiteral(", ")) +
               QStringLiteral(") = (select ") + values.join(QStringLiteral(", ")) +
               QStringLiteral(" from ") + cte + QStringLiteral(" where ") + cte +
               QStringLiteral(".qs_rowid = ") + base + QStringLiteral(".rowid") +
               (condition.isEmpty() ? QString() : QStringLiteral(" and ") + condition) +
               QStringLiteral(") where rowid in (select qs_rowid from ") + cte +
               (condition.isEmpty() ? QString() : QStringLiteral(" where ") + condition) +
               QLatin1Char(')');
    }

    // with c as (select top (1) * from t where w) update c set …
    //   → update t set … where rowid = (select rowid from t where w limit 1)
    // (the first row of the lookup, as SQL Server's updatable top (1) takes it)
    Tokens updateFirst(const Tokens& t, int first) {
        const int name = skip(t, first + 1, t.size());
        const int open = skip(t, skip(t, name + 1, t.size()) + 1, t.size());
        if (!t[open].sym("(")) return t;
        const int close = closing(t, open, t.size());
        const int top = skip(t, skip(t, open + 1, close) + 1, close);
        const int table = skip(t, findWord(t, open + 1, close, "from") + 1, close);
        const int where = findWord(t, open + 1, close, "where");
        const int update = skip(t, close + 1, t.size());
        const int set = skip(t, skip(t, update + 1, t.size()) + 1, t.size());
        if (!t[top].is("top") || where < 0 || !t[update].is("update") || !t[set].is("set"))
            return t;
        const Token space{Token::Space, QStringLiteral(" ")};
        Tokens out;
        out << word(QStringLiteral("update")) << space << t[table] << space;
        out += t.mid(set);
        out << space << word(QStringLiteral("where rowid = (select rowid from")) << space
            << t[table] << space;
        out += t.mid(where, close - where);
        // Rows that tie in the order come in rowid order, as a heap is read.
        if (findWord(t, where, close, "order") >= 0) out << word(QStringLiteral(", rowid"));
        out << space << word(QStringLiteral("limit 1)"));
        return out;
    }

    // update a set … from t a inner join x r on c [where w]
    //   → update t as a set … from x r where c [and (w)]
    Tokens updateFrom(const Tokens& t, int first) {
        const int alias = skip(t, first + 1, t.size());
        const int set = skip(t, alias + 1, t.size());
        const int from = findWord(t, set, t.size(), "from");
        const int join = findWord(t, set, t.size(), "join");
        if (from < 0 || join < 0) return t;
        const int table = skip(t, from + 1, t.size());
        const int on = findWord(t, join, t.size(), "on");
        const int where = findWord(t, on, t.size(), "where");
        const int end = where < 0 ? t.size() : where;
        const Token space{Token::Space, QStringLiteral(" ")};
        Tokens out;
        out << word(QStringLiteral("update")) << space << t[table] << space
            << word(QStringLiteral("as")) << space << t[alias] << space;
        out += t.mid(set, from - set);
        out << word(QStringLiteral("from")) << space;
        out += t.mid(join + 1, on - join - 1);
        out << word(QStringLiteral("where")) << space << Token{Token::Symbol, QStringLiteral("(")};
        out += t.mid(on + 1, end - on - 1);
        out << Token{Token::Symbol, QStringLiteral(")")};
        if (where >= 0) {
            out << space << word(QStringLiteral("and")) << space
                << Token{Token::Symbol, QStringLiteral("(")};
            out += t.mid(where + 1);
            out << Token{Token::Symbol, QStringLiteral(")")};
        }
        return out;
    }

    QString expression(const Tokens& t, int from, int end, int depth) {
        static const QSet<QString> keywords = {
            QStringLiteral("in"),    QStringLiteral("exists"), QStringLiteral("values"),
            QStringLiteral("over"),  QStringLiteral("as"),     QStringLiteral("and"),
            QStringLiteral("or"),    QStringLiteral("not"),    QStringLiteral("on"),
            QStringLiteral("from"),  QStringLiteral("join"),   QStringLiteral("when"),
            QStringLiteral("then"),  QStringLiteral("else"),   QStringLiteral("select"),
            QStringLiteral("where"), QStringLiteral("union"),  QStringLiteral("all"),
            QStringLiteral("end"),   QStringLiteral("like"),   QStringLiteral("is"),
            QStringLiteral("null")};
        QString out;
        for (int i = from; i < end; ++i) {
            const Token& k = t[i];
            if (k.sym("(")) ++depth;
            if (k.sym(")")) --depth;
            switch (k.kind) {
                case Token::Space:
                    out += u' ';
                    continue;
                case Token::String: {
                    // SQL Server takes LIKE patterns of 8,000 bytes (4,000 nvarchar characters).
                    const int p = previous(t, i);
                    if (p >= 0 && t[p].is("like") && k.text.size() > 4000)
                        throw Refusal{QStringLiteral("String or binary data would be truncated."),
                                      8152};
                    out += quoted(!k.national && cp936_ ? degraded(k.text) : k.text);
                    continue;
                }
                case Token::Symbol:
                    out += symbol(t, i, end, depth);
                    continue;
                case Token::Word:
                    break;
                default:
                    out += k.text;
                    continue;
            }
            const QString lower = k.text.toLower();
            const int next = skip(t, i + 1, end);
            const int prev = previous(t, i);
            if (lower == u"top") {
                if (depth > 0) throw Refusal{QStringLiteral("top in a subquery is not modelled")};
                int n = next;
                if (t[n].sym("(")) n = skip(t, n + 1, end);
                limit_ = t[n].text;
                i = n;
                if (t[skip(t, i + 1, end)].sym(")")) i = skip(t, i + 1, end);
                continue;
            }
            if (lower == u"collate") {
                out += t[next].text.contains(QStringLiteral("_BIN"), Qt::CaseInsensitive)
                           ? QStringLiteral("collate binary")
                           : QStringLiteral("collate qs_ci");
                i = next;
                continue;
            }
            if (lower == u"limit")
                throw Refusal{QStringLiteral("Incorrect syntax near '%1'.")
                                  .arg(next < end ? t[next].text : k.text)};
            // in (…) compares as = does; "not in" takes the collation before its not.
            if (lower == u"in" || (lower == u"not" && next < end && t[next].is("in"))) {
                out += prev >= 0 && t[prev].is("not") ? k.text
                                                      : QStringLiteral("collate qs_ci ") + k.text;
                continue;
            }
            if (lower == u"order" && next < end && t[next].is("by")) checkNtextOrder(t, next, end);
            if (lower == u"distinct") checkNtextDistinct(t, i, end);
            if (lower == u"output") {
                i = output(t, i, end);
                continue;
            }
            if (k.text.startsWith(u'@')) {
                if (scalars_.contains(lower))
                    out +=
                        QStringLiteral("(select v from temp.\"") + k.text + QStringLiteral("\")");
                else
                    out += u'"' + k.text + u'"';
                continue;
            }
            if ((lower == u"answer" || lower == u"why0") && !(next < end && t[next].sym("(")))
                checkNtext(t, i, end, depth);
            if (prev >= 0 && t[prev].is("as") && depth > 0) {
                out += sqliteType(k.text);
                if (next < end && t[next].sym("(")) i = closing(t, next, end);
                continue;
            }
            const bool call =
                next < end && t[next].sym("(") && !keywords.contains(lower) &&
                !(prev >= 0 && (t[prev].is("into") || t[prev].is("table") || t[prev].is("from") ||
                                t[prev].is("join") || t[prev].is("update")));
            if (!call) {
                out += k.text;
                continue;
            }
            const int close = closing(t, next, end);
            const int after = skip(t, close + 1, end);
            calls_.push_back(
                {lower, (prev >= 0 && isOperator(t[prev])) ||
                            (after < end && (isOperator(t[after]) || t[after].is("in")))});
            QStringList args;
            int argStart = next + 1, d = 0;
            for (int j = next + 1; j <= close; ++j) {
                if (t[j].sym("("))
                    ++d;
                else if (t[j].sym(")") && j != close)
                    --d;
                else if ((d == 0 && t[j].sym(",")) || j == close) {
                    args << expression(t, argStart, j, depth + 1).trimmed();
                    argStart = j + 1;
                }
            }
            if (args.size() == 1 && args[0].isEmpty()) args.clear();
            out += function(lower, k.text, args, t, next, close, depth);
            calls_.pop_back();
            i = close;
        }
        return out;
    }

    QString function(const QString& name, const QString& written, const QStringList& a,
                     const Tokens& t, int open, int close, int depth) {
        static const QSet<QString> same = {
            QStringLiteral("upper"),     QStringLiteral("lower"), QStringLiteral("coalesce"),
            QStringLiteral("count"),     QStringLiteral("max"),   QStringLiteral("min"),
            QStringLiteral("sum"),       QStringLiteral("avg"),   QStringLiteral("abs"),
            QStringLiteral("replace"),   QStringLiteral("ltrim"), QStringLiteral("rtrim"),
            QStringLiteral("row_number")};
        auto call = [](const QString& f, const QStringList& args) -> QString {
            return f + u'(' + args.join(QStringLiteral(", ")) + u')';
        };
        if (name == u"cast") return cast(t, open, close, depth);
        if (same.contains(name)) return call(name, a);
        // charindex follows the collation: binary only where one is named.
        if (name == u"charindex" && a.size() == 2)
            return a.join(u' ').contains(QStringLiteral("collate binary"))
                       ? call(QStringLiteral("instr"), {a[1], a[0]})
                       : call(QStringLiteral("qs_charindex"), a);
        if (name == u"scope_identity" && a.isEmpty()) return QStringLiteral("last_insert_rowid()");
        if (name == u"getdate" && a.isEmpty()) return QStringLiteral("datetime('now','localtime')");
        if (name == u"isnull" && a.size() == 2) return call(QStringLiteral("ifnull"), a);
        if (name == u"len" && a.size() == 1)
            return QStringLiteral("length(rtrim(") + a[0] + QStringLiteral("))");
        if (name == u"datalength" && a.size() == 1)
            return QStringLiteral("length(cast(") + a[0] + QStringLiteral(" as blob))");
        if (name == u"substring" && a.size() == 3) return call(QStringLiteral("substr"), a);
        if (name == u"left" && a.size() == 2)
            return call(QStringLiteral("substr"), {a[0], QStringLiteral("1"), a[1]});
        throw Refusal{u'\'' + written +
                      QStringLiteral("' is not a recognized built-in function name.")};
    }

    // cast(x as t): a text cut to nvarchar(n)'s n characters (30 when no n is
    // given), a conversion to int that refuses a text that is no number.
    QString cast(const Tokens& t, int open, int close, int depth) {
        const int as = findWord(t, open + 1, close, "as");
        if (as < 0) throw Refusal{QStringLiteral("Incorrect syntax near ')'.")};
        const QString x = expression(t, open + 1, as, depth + 1);
        const int type = skip(t, as + 1, close);
        const QString name = t[type].text.toLower();
        const int paren = skip(t, type + 1, close);
        const QString length = paren < close && t[paren].sym("(")
                                   ? t[skip(t, paren + 1, close)].text.toLower()
                                   : QString();
        if (name == u"int" || name == u"bigint" || name == u"smallint")
            return QStringLiteral("qs_int(") + x + u')';
        if (name.endsWith(u"char") && length != u"max")
            return QStringLiteral("substr(cast(") + x + QStringLiteral(" as text), 1, ") +
                   (length.isEmpty() ? QStringLiteral("30") : length) + u')';
        return QStringLiteral("cast(") + x + QStringLiteral(" as ") + sqliteType(name) + u')';
    }

    // A symbol: comparisons take SQL Server's collation (an update's set
    // assignments are none); + joins texts, or adds beside a number.
    QString symbol(const Tokens& t, int i, int end, int depth) const {
        const QString& s = t[i].text;
        if (s == u"||") throw Refusal{QStringLiteral("Incorrect syntax near '|'.")};
        static const QStringList comparisons = {
            QStringLiteral("="), QStringLiteral("<>"), QStringLiteral("!="), QStringLiteral("<"),
            QStringLiteral(">"), QStringLiteral("<="), QStringLiteral(">=")};
        if (comparisons.contains(s))
            return assignment(t, i, depth) ? s : QStringLiteral(" collate qs_ci ") + s;
        if (s != u"+") return s;
        const int p = previous(t, i), n = skip(t, i + 1, end);
        const bool numeric =
            (p >= 0 && t[p].kind == Token::Number) || (n < end && t[n].kind == Token::Number);
        if (!numeric) return QStringLiteral("||");
        static const QRegularExpression number(QStringLiteral("^\\s*[+-]?\\d+\\s*$"));
        for (int o : {p, n})
            if (o >= 0 && o < end && t[o].kind == Token::String &&
                !number.match(t[o].text).hasMatch())
                throw Refusal{QStringLiteral("Conversion failed when converting the nvarchar value "
                                             "'%1' to data type int.")
                                  .arg(t[o].text),
                              245};
        return s;
    }

    // "set a = …, t.b = …" of an update.
    bool assignment(const Tokens& t, int i, int depth) const {
        if (!update_ || depth > 0) return false;
        int p = previous(t, i);
        if (p >= 2 && t[p - 1].sym(".")) p = previous(t, p - 1);
        const int q = previous(t, p);
        return p >= 0 && q >= 0 && (t[q].is("set") || t[q].sym(","));
    }

    // output inserted.c [, inserted.c …] [into @t]: returns the last token used.
    int output(const Tokens& t, int i, int end) {
        QStringList columns;
        int j = skip(t, i + 1, end);
        while (j + 2 < end && t[j].is("inserted") && t[j + 1].sym(".")) {
            columns << t[j + 2].text;
            j = skip(t, j + 3, end);
            if (j < end && t[j].sym(","))
                j = skip(t, j + 1, end);
            else
                break;
        }
        if (columns.isEmpty()) throw Refusal{QStringLiteral("Incorrect syntax near 'output'.")};
        returning_ = columns.join(QStringLiteral(", "));
        if (j < end && t[j].is("into")) {
            const int var = skip(t, j + 1, end);
            into_ = t[var].text;
            return var;
        }
        // Without into: refused when the insert's table has a trigger.
        const int into = findWord(t, 0, i, "into");
        QString table = into < 0 ? QString() : t[skip(t, into + 1, end)].text;
        table.remove(u'[').remove(u']');
        QSqlQuery q(db_);
        q.exec(QStringLiteral("select count(*) from sqlite_master where type = 'trigger' and "
                              "name not like 'qs_width%' and tbl_name = '") +
               table + u'\'');
        if (q.next() && q.value(0).toInt() > 0)
            throw Refusal{QStringLiteral("The target table '") + table +
                          QStringLiteral("' of the DML statement cannot have any enabled triggers "
                                         "if the statement contains an OUTPUT clause without "
                                         "INTO clause.")};
        return j - 1;
    }

    QSqlDatabase db_;
    bool cp936_;
    // answer and why0 are ntext in the field layout: SQL Server takes them in
    // like, is null, a select or insert list, an update's set target and
    // cast/datalength, and refuses them to operators, in (…) and other
    // functions (coalesce and isnull pass them on to what encloses them).
    static bool isOperator(const Token& k) {
        static const QStringList ops = {
            QStringLiteral("+"), QStringLiteral("="), QStringLiteral("<>"), QStringLiteral("!="),
            QStringLiteral("<"), QStringLiteral(">"), QStringLiteral("<="), QStringLiteral(">=")};
        return k.kind == Token::Symbol && ops.contains(k.text);
    }
    void checkNtext(const Tokens& t, int i, int end, int depth) const {
        const int start = i >= 2 && t[i - 1].sym(".") ? i - 2 : i;
        const int p = previous(t, start), n = skip(t, i + 1, end);
        const bool setTarget = update_ && depth == 0 && p >= 0 &&
                               (t[p].is("set") || t[p].sym(",")) && n < end && t[n].sym("=");
        const Refusal compared{
            QStringLiteral("The data types ntext and nvarchar are incompatible in the equal to "
                           "operator."),
            402};
        if (!setTarget &&
            ((p >= 0 && isOperator(t[p])) || (n < end && (isOperator(t[n]) || t[n].is("in")))))
            throw compared;
        for (auto c = calls_.crbegin(); c != calls_.crend(); ++c) {
            if (c->name == u"cast" || c->name == u"convert" || c->name == u"datalength") return;
            if (c->operand) throw compared;
            if (c->name != u"coalesce" && c->name != u"isnull")
                throw Refusal{QStringLiteral("Argument data type ntext is invalid for argument 1 "
                                             "of %1 function.")
                                  .arg(c->name),
                              8116};
        }
    }

    static bool ntext(const Token& k) { return k.is("answer") || k.is("why0"); }
    // order by an ntext column.
    static void checkNtextOrder(const Tokens& t, int by, int end) {
        for (int i = skip(t, by + 1, end), depth = 0; i < end && depth >= 0; ++i) {
            if (t[i].sym("(")) ++depth;
            if (t[i].sym(")")) --depth;
            const int p = previous(t, i);
            if (depth == 0 && ntext(t[i]) && (t[p].is("by") || t[p].sym(",") || t[p].sym(".")))
                throw Refusal{QStringLiteral("The text, ntext, and image data types cannot be "
                                             "compared or sorted, except when using IS NULL or "
                                             "LIKE operator."),
                              306};
        }
    }
    // select distinct of an ntext column (named, or by * from timu).
    static void checkNtextDistinct(const Tokens& t, int distinct, int end) {
        const int from = findWord(t, distinct, end, "from");
        const int stop = from < 0 ? end : from;
        bool star = false, named = false;
        for (int i = distinct + 1; i < stop; ++i) {
            star = star || t[i].sym("*");
            named = named || ntext(t[i]);
        }
        if (named ||
            (star && from >= 0 &&
             t[skip(t, from + 1, end)].text.contains(QStringLiteral("timu"), Qt::CaseInsensitive)))
            throw Refusal{QStringLiteral("The ntext data type cannot be selected as DISTINCT "
                                         "because it is not comparable."),
                          421};
    }

    struct Call {
        QString name;
        bool operand;  // an operator or in (…) next to the call
    };
    QVector<Call> calls_;
    QSet<QString> scalars_;  // declared scalar variables, lower case
    bool update_ = false;
    QString limit_, returning_, into_;
};

// --- Driver ---------------------------------------------------------------

// Named as the embedded servers name theirs, so that a test opening the
// endpoint on the embedded backend sees the same file.
QString fileFor(const QString& endpoint) {
    return EmbeddedServerFile(endpoint);
}

class StandInDriver;

class StandInResult : public QSqlResult {
public:
    explicit StandInResult(const StandInDriver* driver);
    ~StandInResult() override;

protected:
    bool reset(const QString& sql) override {
        setQuery(sql);
        return run(sql, {});
    }
    bool prepare(const QString& sql) override {
        setQuery(sql);
        return true;
    }
    bool exec() override { return run(lastQuery(), boundValues()); }
    bool fetch(int i) override;
    bool nextResult() override {
        release();
        if (!results_.isEmpty()) results_.removeFirst();
        return serve();
    }
    bool fetchFirst() override { return fetch(0); }
    bool fetchLast() override { return fetch(int(rows_.size()) - 1); }
    QVariant data(int i) override { return rows_.value(at()).value(i); }
    bool isNull(int i) override { return data(i).isNull(); }
    int size() override { return -1; }
    int numRowsAffected() override { return -1; }
    QSqlRecord record() const override { return record_; }
    QVariant lastInsertId() const override { return {}; }
    void detachFromResultSet() override { release(); }

private:
    struct Result {
        bool rows = false;
        QVector<QVector<QVariant>> values;
        QSqlRecord record;
        QSqlError error;  // a later statement of the batch failed here
    };
    bool run(const QString& sql, const QVariantList& values);
    bool serve();
    bool fail(const QString& text, const QString& code);
    QSqlError refusal(const QString& text, const QString& code) const;
    void release();
    StandInDriver* driver() const;

    QList<Result> results_;  // the first is being read
    QVector<QVector<QVariant>> rows_;
    QSqlRecord record_;
};

class StandInDriver : public QSqlDriver {
public:
    bool hasFeature(DriverFeature f) const override {
        switch (f) {
            case Transactions:
            case BLOB:
            case PreparedQueries:
            case PositionalPlaceholders:
            case MultipleResultSets:
                return true;
            default:
                return false;
        }
    }
    bool open(const QString& db, const QString&, const QString&, const QString&, int,
              const QString&) override {
        QString endpoint;
        for (const QString& part : db.split(u';')) {
            if (part.trimmed().startsWith(QStringLiteral("server="), Qt::CaseInsensitive))
                endpoint = part.trimmed().mid(7);
        }
        // Nobody answers on 127.0.0.1 port 1.
        if (endpoint.isEmpty() || endpoint == u"127.0.0.1,1") {
            setLastError(
                QSqlError(QStringLiteral("[FreeTDS][SQL Server]Unable to connect to data source"),
                          {}, QSqlError::ConnectionError, QStringLiteral("08001")));
            setOpenError(true);
            return false;
        }
        name_ = QStringLiteral("qs-sqlserver-stand-in-%1").arg(counter.fetchAndAddRelaxed(1));
        sqlite_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        sqlite_.setDatabaseName(SqlServerStandIn::prepareFile(endpoint));
        sqlite_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!sqlite_.open()) {
            setLastError(sqlite_.lastError());
            setOpenError(true);
            return false;
        }
        const QVariant handle = sqlite_.driver()->handle();
        if (qstrcmp(handle.typeName(), "sqlite3*") == 0)
            InstallSqlServerRules(*static_cast<sqlite3* const*>(handle.constData()));
        setOpen(true);
        setOpenError(false);
        return true;
    }
    void close() override {
        if (!name_.isEmpty()) {
            sqlite_.close();
            sqlite_ = QSqlDatabase();
            QSqlDatabase::removeDatabase(name_);
            name_.clear();
        }
        setOpen(false);
    }
    ~StandInDriver() override { close(); }
    QSqlResult* createResult() const override { return new StandInResult(this); }
    bool beginTransaction() override { return sqlite_.transaction(); }
    bool commitTransaction() override { return sqlite_.commit(); }
    bool rollbackTransaction() override { return sqlite_.rollback(); }
    QSqlRecord record(const QString& table) const override { return sqlite_.record(table); }
    QStringList tables(QSql::TableType type) const override { return sqlite_.tables(type); }

    QSqlDatabase sqlite_;
    QString name_;
    const StandInResult* busy_ = nullptr;  // a forward-only result with unread rows
};

StandInResult::StandInResult(const StandInDriver* driver) : QSqlResult(driver) {}
StandInResult::~StandInResult() {
    release();
}

StandInDriver* StandInResult::driver() const {
    return const_cast<StandInDriver*>(static_cast<const StandInDriver*>(QSqlResult::driver()));
}

void StandInResult::release() {
    if (driver() && driver()->busy_ == this) driver()->busy_ = nullptr;
}

QSqlError StandInResult::refusal(const QString& text, const QString& code) const {
    // SQL Server's own refusals carry its error number as the native code.
    QString message;
    const int number = SqlServerErrorNumber(text, &message);
    const QString shown = number ? message : text;
    const QString native = number ? QString::number(number) : code;
    qWarning("SQL Server stand-in refused (%s) %s: %s", qPrintable(native), qPrintable(shown),
             qPrintable(lastQuery().simplified().left(300)));
    return QSqlError(QStringLiteral("[FreeTDS][SQL Server]") + shown, {}, QSqlError::StatementError,
                     native);
}

bool StandInResult::fail(const QString& text, const QString& code) {
    setLastError(refusal(text, code));
    return false;
}

bool StandInResult::fetch(int i) {
    if (!isForwardOnly())  // FreeTDS ran it as a server cursor
        return fail(QStringLiteral("Fetch type out of range"), QStringLiteral("HY106"));
    if (i < 0 || i < at() || i >= rows_.size()) {
        if (results_.size() <= 1) release();  // else more results are pending
        return false;
    }
    setAt(i);
    return true;
}

bool StandInResult::run(const QString& sql, const QVariantList& values) {
    release();
    rows_.clear();
    record_ = QSqlRecord();
    setSelect(false);
    setActive(false);
    bool codePage936 = false;
    {
        QMutexLocker lock(&state().mutex);
        state().recorded << Recorded{sql, isForwardOnly()};
        ++state().sent;
        codePage936 = state().codePage936;
    }
    StandInDriver* d = driver();
    if (d->busy_) return fail(QStringLiteral("Invalid cursor state"), QStringLiteral("24000"));
    QVector<Step> steps;
    try {
        steps = Translator(d->sqlite_, codePage936).batch(sql);
    } catch (const Refusal& r) {
        return fail(SqlServerError(r.number, r.text), QStringLiteral("42000"));
    }
    int params = 0;
    for (const Step& s : steps) params += s.params;
    if (params > 2100)
        return fail(SqlServerError(8003, QStringLiteral("The incoming request has too many "
                                                        "parameters. The server supports a "
                                                        "maximum of 2100 parameters. Reduce the "
                                                        "number of parameters and resend the "
                                                        "request.")),
                    {});
    int bound = 0;
    results_.clear();
    bool failed = false;  // the step before failed (what @@error says)
    for (const Step& s : steps) {
        if (s.returnIfFailed) {
            if (failed) break;
            continue;
        }
        failed = false;
        QSqlQuery q(d->sqlite_);
        q.setForwardOnly(true);
        QString failure;
        if (!q.prepare(s.sql)) {
            failure = q.lastError().databaseText() + u' ' + s.sql;
        } else {
            for (int k = s.params; k > 0; --k) q.addBindValue(values.value(bound++));
            if (!q.exec()) failure = q.lastError().databaseText() + u' ' + s.sql;
        }
        if (!failure.isEmpty()) {
            // FreeTDS hands back the first result; a statement that fails
            // after it is reported only to a client that reads on to it.
            // SQL Server goes on with the batch's later statements.
            if (results_.isEmpty()) return fail(failure, {});
            Result r;
            r.error = refusal(failure, {});
            results_ << r;
            failed = true;
            continue;
        }
        QVector<QVector<QVariant>> rows;
        while (q.next()) {
            QVector<QVariant> r(q.record().count());
            for (int c = 0; c < r.size(); ++c) r[c] = q.value(c);
            rows << r;
        }
        if (!s.into.isEmpty()) {
            for (const auto& r : rows) {
                QSqlQuery put(d->sqlite_);
                put.prepare(QStringLiteral("insert into temp.\"") + s.into +
                            QStringLiteral("\" values (?)"));
                put.addBindValue(r.value(0));
                if (!put.exec()) return fail(put.lastError().text(), {});
            }
        } else if (s.gives != Gives::Nothing) {
            results_ << Result{s.gives == Gives::Rows, rows, q.record(), {}};
        }
    }
    setActive(true);
    serve();
    return true;
}

bool StandInResult::serve() {
    rows_.clear();
    record_ = QSqlRecord();
    setAt(QSql::BeforeFirstRow);
    if (results_.isEmpty()) {
        setSelect(false);
        return false;
    }
    const Result& r = results_.first();
    if (r.error.isValid()) {
        setLastError(r.error);
        results_.clear();
        setSelect(false);
        return false;
    }
    setSelect(r.rows);
    rows_ = r.values;
    record_ = r.rows ? r.record : QSqlRecord();
    if ((!rows_.isEmpty() || results_.size() > 1) && isForwardOnly()) driver()->busy_ = this;
    return true;
}

}  // namespace

namespace SqlServerStandIn {

void install() {
    static bool done = false;
    if (done) return;
    done = true;
    QSqlDatabase::registerSqlDriver(QStringLiteral("QODBC"), new QSqlDriverCreator<StandInDriver>);
}

QString prepareFile(const QString& endpoint) {
    const QString path = fileFor(endpoint);
    if (QFileInfo::exists(path)) return path;
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString name = QStringLiteral("qs-sqlserver-stand-in-setup");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) qFatal("cannot create %s", qPrintable(path));
        // The field's layout: an audit trigger on timu (its rows take ids of
        // their own, far from the questions'), and rizi without id.
        QStringList statements = SchemaStatements(Backend::Sqlite);
        statements << QStringLiteral("drop table rizi")
                   << QStringLiteral(
                          "create table rizi (stime DATETIME DEFAULT "
                          "(datetime('now','localtime')), username TEXT, body TEXT)")
                   << QStringLiteral(
                          "create table timu_audit (n INTEGER PRIMARY KEY "
                          "AUTOINCREMENT, timu_id INTEGER)")
                   << QStringLiteral(
                          "insert into sqlite_sequence (name, seq) values "
                          "('timu_audit', 1000)")
                   << QStringLiteral(
                          "create trigger timu_audit_insert after insert on timu "
                          "begin insert into timu_audit (timu_id) values (new.id); end");
        // nvarchar(n) columns refuse a longer value (error 8152).
        const struct {
            const char *table, *column;
            int width;
        } widths[] = {{"users", "username", 255},   {"alltype", "mantype", 255},
                      {"alltype", "username", 255}, {"timu", "mantype", 255},
                      {"timu", "Qtype", 50},        {"buylist", "username", 255},
                      {"buylist", "mantype", 255}};
        const QString refuse =
            SqlServerError(8152, QStringLiteral("String or binary data would be truncated."));
        for (const auto& w : widths)
            for (const char* event : {"insert", "update"})
                statements << QStringLiteral(
                                  "create trigger qs_width_%1_%2_%3 before %3%5 on %1 when "
                                  "length(new.%2) > %4 begin select raise(abort, '%6'); end")
                                  .arg(QLatin1String(w.table), QLatin1String(w.column),
                                       QLatin1String(event), QString::number(w.width),
                                       qstrcmp(event, "update") == 0
                                           ? QStringLiteral(" of ") + QLatin1String(w.column)
                                           : QString(),
                                       refuse);
        for (const QString& s : statements) {
            QSqlQuery q(db);
            if (!q.exec(s)) qFatal("%s: %s", qPrintable(s), qPrintable(q.lastError().text()));
        }
    }
    QSqlDatabase::removeDatabase(name);
    return path;
}

int statementCount() {
    QMutexLocker lock(&state().mutex);
    return state().sent;
}

void setCodePage936(bool on) {
    QMutexLocker lock(&state().mutex);
    state().codePage936 = on;
}

QStringList takeFaults() {
    QStringList faults;
    QStringList toParse;
    QList<Recorded> recorded;
    {
        QMutexLocker lock(&state().mutex);
        recorded.swap(state().recorded);
    }
    for (const Recorded& r : std::as_const(recorded)) {
        const QString shown = QStringLiteral(": ") + r.sql.simplified().left(300);
        if (!r.forwardOnly) faults << QStringLiteral("not forward-only") + shown;
        try {
            const Tokens t = tokenize(r.sql);
            for (int i = 0; i < t.size(); ++i) {
                if (t[i].kind == Token::String && !t[i].national)
                    faults << QStringLiteral("literal without N") + shown;
                if (t[i].is("output")) {
                    const int into = findWord(t, i, t.size(), "into");
                    const int values = findWord(t, i, t.size(), "values");
                    const int dflt = findWord(t, i, t.size(), "default");
                    const int stop =
                        qMin(values < 0 ? t.size() : values, dflt < 0 ? t.size() : dflt);
                    if (into < 0 || into > stop)
                        faults << QStringLiteral("output without into") + shown;
                }
            }
        } catch (const Refusal& e) {
            faults << e.text + shown;
        }
        if (!state().parsedClean.contains(r.sql) && !toParse.contains(r.sql)) toParse << r.sql;
    }
    faults.removeDuplicates();
    if (toParse.isEmpty()) return faults;
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {qEnvironmentVariable("QS_SOURCE_DIR") +
                                                 QStringLiteral("/tests/support/tsql-check.py")});
    p.write(QJsonDocument(QJsonArray::fromStringList(toParse)).toJson(QJsonDocument::Compact));
    p.closeWriteChannel();
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        faults << QStringLiteral("the T-SQL grammar check did not run: ") +
                      QString::fromUtf8(p.readAllStandardError());
        return faults;
    }
    QSet<int> bad;
    for (const QString& line :
         QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts)) {
        const int index = line.section(u'\t', 0, 0).toInt();
        bad << index;
        faults << line.section(u'\t', 1) + QStringLiteral(": ") +
                      toParse.value(index).simplified().left(300);
    }
    for (int i = 0; i < toParse.size(); ++i)
        if (!bad.contains(i)) state().parsedClean << toParse[i];
    return faults;
}

}  // namespace SqlServerStandIn

}  // namespace qs::test
