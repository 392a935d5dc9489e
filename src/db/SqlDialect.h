#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

namespace qs {

enum class Backend { SqlServer, PostgreSql, Sqlite };

// Everything that differs between the databases' SQL lives here; query texts
// are built from these pieces so the rest of the program is dialect-free.
class SqlDialect {
public:
    explicit SqlDialect(Backend backend = Backend::SqlServer) : backend_(backend) {}
    Backend backend() const { return backend_; }

    // A value as an SQL string literal: between single quotes, ' doubled, and
    // a Unicode literal N'…' on SQL Server.
    QString literal(const QString& value) const;
    // A value as a LIKE pattern that matches only itself: the literal with the
    // dialect's wildcards escaped (plus an ESCAPE clause where one is needed).
    // For a value without ', %, _, [ (and \ on PostgreSQL and SQLite) the text
    // is exactly the literal of the value.
    QString likeLiteral(const QString& value) const;
    // "<column> like <likeLiteral(value)>": the column holds exactly the value,
    // as the database's like compares (case-insensitively where it does so).
    // A value too long for the database's like patterns (likeFits) is compared
    // with equalsAsMatched instead.
    QString matches(const QString& column, const QString& value) const;
    // Whether the value's LIKE pattern is within the database's limit (SQLite:
    // 50,000 bytes, SQL Server: 8,000 bytes; PostgreSQL has none). This one
    // rule decides every lookup: a longer value is compared with "=".
    bool likeFits(const QString& value) const;
    // Two texts compared as matches() compares a value too long for LIKE:
    // "=" with like's case rule, and on SQL Server equal byte lengths too
    // (its "=" ignores trailing blanks, which LIKE does not). The expressions
    // must not be ntext: wrap a column in asText().
    QString equalsAsMatched(const QString& a, const QString& b) const;
    // The form in which values find each other through matches(), where the
    // program can tell without asking the database: PostgreSQL's LIKE without
    // wildcards is plain equality, SQLite's folds ASCII letters only. None on
    // SQL Server, whose collation only the server knows.
    std::optional<QString> matchForm(const QString& value) const;
    // A LIKE pattern that matches every text holding the value literally. A
    // pattern over the database's limit would be refused: it is then made of
    // the longest start of the value that fits, which finds every text that
    // holds the value and some that hold only that start.
    QString likeContaining(const QString& value) const;
    // The literal of the value's LIKE pattern without any ESCAPE clause, for a
    // column of a derived table that likeColumn() then compares with.
    QString patternLiteral(const QString& value) const;
    // "<column> like <pattern>" for a pattern held by an expression.
    QString likeColumn(const QString& column, const QString& pattern) const;
    // How a join compares a column with a key value held by a derived table's
    // column (made with joinKeyLiteral): PostgreSQL, whose LIKE without
    // wildcards is plain equality, compares with "=" (so the join can hash);
    // the others with LIKE and the value's pattern.
    QString joinKeyLiteral(const QString& value) const;
    QString joinMatches(const QString& column, const QString& key) const;
    // True when an earlier row's value `a` (a value literal's column) would be
    // found by a lookup of a later row whose value literal and pattern
    // literal (NULL when the value is NULL or too long for LIKE) are `b`, `bPattern`.
    QString entryMatches(const QString& a, const QString& b, const QString& bPattern) const;
    // A table name as the system writes it in brackets, e.g. [timu].
    QString bracketed(const QString& table) const;

    // Any value as an SQL literal of its own kind: null, a number, a time at
    // its full precision, bytes, or a text literal. The server converts it to
    // the column's type as it would a bound value.
    QString valueLiteral(const QVariant& value) const;
    // The expression that names one row of a table without a key (empty on
    // SQL Server, where a row is reached as the first row of its lookup).
    QString rowAddress() const;
    // Texts joined into one: + on SQL Server, || elsewhere.
    QString concat(const QStringList& parts) const;
    // A text column as a value that string functions, + and comparisons take:
    // SQL Server refuses them on text and ntext columns (a database moved over
    // from an older engine often has them), so it is cast to nvarchar(max).
    QString asText(const QString& column) const;
    // True when `letter` occurs in the text expression, compared code point by
    // code point (SQL Server's usual collation would take a full-width Ａ for A).
    QString holdsLetter(const QString& text, QChar letter) const;
    // A NULL of the text columns' type, for a column of a derived table.
    QString nullText() const;
    // The update of `table`, named `alias` in `sets` and `where`, from the
    // rows of a derived table `joined` (with its own alias) that match `on`.
    QString updateJoined(const QString& table, const QString& alias, const QStringList& sets,
                         const QString& joined, const QString& on, const QString& where) const;

    // A derived table `alias` of the given rows (each row's literals in
    // `names` order), e.g. (values (…), (…)) as v(k, c0).
    QString valuesTable(const QStringList& rows, const QString& alias,
                        const QStringList& names) const;
    // PostgreSQL only: the same of numbered rows of texts, made of one array
    // per column (a long values list costs the server many times more to
    // parse): alias(names[0] = numbers[i], names[1 + c] = texts[c][i]).
    QString arraysTable(const QStringList& numbers, const QVector<QStringList>& texts,
                        const QString& alias, const QStringList& names) const;
    // One statement that sets `columns` of the rows of `table` named by
    // `address` (a column, or rowAddress()): each of `rows` holds the
    // address's literal, then the new values' literals in `columns` order.
    // `types` (PostgreSQL, which takes a values list's literals for text):
    // the SQL types of the address and the columns, given to the first row.
    QString updateRows(const QString& table, const QString& address, const QStringList& columns,
                       const QVector<QStringList>& rows, const QStringList& types = {}) const;

    // The insert of one row into `table`, its columns bound in order (none:
    // the defaults). With `returningId` the statement's first result row holds
    // the new identity `id`; on SQL Server it is read with scope_identity() in
    // the same batch, since `output` without `into` is refused on a table with
    // a trigger, and a trigger's own inserts do not change what it reads.
    QString insertRow(const QString& table, const QStringList& columns, bool returningId) const;
    // How many rows one multi-row insert takes when each row binds `boundPerRow`
    // values: SQL Server refuses a request of more than 2,100 parameters (error
    // 8003; a few are kept for the driver's own) and a values list of more than
    // 1,000 rows; the others take 500 rows of at most 30,000 values in all.
    int rowsPerInsert(int boundPerRow) const;

    // The statements that take the application lock `key` for the rest of the open transaction,
    // shared or exclusive, waiting at most `waitMs`. SQL Server: the last statement's one value
    // is sp_getapplock's answer, negative when not granted; PostgreSQL fails with a lock
    // timeout instead. None on SQLite, whose write transaction is the lock.
    QStringList applicationLock(const QByteArray& key, bool shared, int waitMs) const;
    // A savepoint, and going back to it: what a step wrote before its failing statement is
    // undone, and a PostgreSQL transaction stays usable. SQL Server has no release (empty).
    // Empty on SQLite, where a step is one statement and a failed statement undoes itself.
    QString savepoint() const;
    QString releaseSavepoint() const;
    QString rollbackToSavepoint() const;

private:
    QString likePattern(const QString& value, bool anywhere) const;
    QString escapedPattern(const QString& value, bool anywhere, bool* escaped) const;
    // Whether the database takes a LIKE pattern this long.
    bool patternFits(const QString& pattern) const;
    Backend backend_;
};

// Calls visit(position, character, depth) for each character of a statement
// outside its quoted parts ('…', "…", and with `bracketed`, T-SQL's […]): the
// statement's own syntax, with the depth of parentheses it stands in.
template <class Visit>
void ForEachUnquoted(const QString& sql, bool bracketed, Visit visit) {
    QChar quote;
    int depth = 0;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'[' && bracketed) {
            quote = u']';
        } else {
            if (c == u')') --depth;
            visit(i, c, depth);
            if (c == u'(') ++depth;
        }
    }
}

}  // namespace qs
