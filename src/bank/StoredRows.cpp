#include "bank/StoredRows.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <algorithm>
#include <numeric>

#include "bank/EditorQueries.h"
#include "db/DbError.h"

namespace qs {

QByteArray PictureFileBytes(const QString& path) {
    if (path.isEmpty()) return {};
    QFile f(path);
    if (!f.exists() || !f.open(QIODevice::ReadOnly)) return {};
    QByteArray bytes = f.readAll();
    // A zero-length file still counts as a picture that was read.
    if (bytes.isNull()) bytes = QByteArray("");
    return bytes;
}

PictureBytes PictureFiles(const Question& q) {
    PictureBytes bytes;
    for (int slot = 0; slot < kPictureSlots; ++slot)
        bytes[size_t(slot)] = PictureFileBytes(q.picturePaths[size_t(slot)]);
    return bytes;
}

QString UnreadablePicture(const Question& q) {
    for (const QString& path : q.picturePaths)
        if (!path.isEmpty() && !QFileInfo(path).isReadable()) return path;
    return {};
}

QStringList StoredColumnNames() {
    QStringList names;
    for (const QuestionColumn& c : QuestionColumns())
        if (c.kind != QuestionColumn::Kind::CopiedOnly) names << c.name;
    return names;
}

QVector<QVariant> StoredValues(const Question& q, const PictureBytes& pictures) {
    QVector<QVariant> values;
    for (const QuestionColumn& c : QuestionColumns()) {
        switch (c.kind) {
            case QuestionColumn::Kind::Field:
                values << StoredValue(q, QuestionField(c.index));
                break;
            case QuestionColumn::Kind::Picture: {
                const QByteArray& b = pictures[size_t(c.index)];
                values << (b.isNull() ? QVariant(QMetaType::fromType<QByteArray>()) : QVariant(b));
                break;
            }
            case QuestionColumn::Kind::Number:
                values << 0;
                break;
            case QuestionColumn::Kind::CopiedOnly:
                break;
        }
    }
    return values;
}

Question ReadQuestion(const Recordset& rs, PictureBytes* pictures) {
    Question q;
    for (const QuestionColumn& c : QuestionColumns()) {
        if (c.kind == QuestionColumn::Kind::Field) {
            q.field(QuestionField(c.index)) = rs.text(c.name);
        } else if (c.kind == QuestionColumn::Kind::Picture && pictures) {
            const QVariant bytes = rs.field(c.name);
            QByteArray b = bytes.isNull() ? QByteArray() : bytes.toByteArray();
            if (!bytes.isNull() && b.isNull()) b = QByteArray("");
            (*pictures)[size_t(c.index)] = b;
        }
    }
    return q;
}

Statement InsertStatement(Connection& c, const QString& table, const QStringList& columns,
                          const QVector<QVector<QVariant>>& rows, bool returnIds) {
    // One row goes in the plain insert the recordsets use (SQL Server's identity read with
    // scope_identity()), several in one statement.
    Statement s{rows.size() == 1
                    ? c.dialect().insertRow(c.dialect().bracketed(table), columns, returnIds)
                    : InsertRowsStatement(c.dialect(), table, columns, int(rows.size()), returnIds),
                {}};
    for (const auto& row : rows)
        for (int i = 0; i < columns.size(); ++i) s.values << c.bindable(table, columns[i], row[i]);
    return s;
}

QList<qint64> NewIds(const ReadRows& inserted, qsizetype rows) {
    if (inserted.error) throw *inserted.error;
    QList<qint64> ids;
    for (const auto& row : inserted.rows) ids << row.value(0).toLongLong();
    if (ids.size() != rows)
        throw DbError(err::kProviderFailure, QStringLiteral("新题目的编号没有全部返回"));
    std::sort(ids.begin(), ids.end());
    return ids;
}

QList<qint64> InsertRows(Connection& c, const QString& table, const QStringList& columns,
                         const QVector<QVector<QVariant>>& rows, bool returnIds) {
    // As many rows per statement as the server takes bound values.
    const int per = c.dialect().rowsPerInsert(int(columns.size()));
    if (rows.size() > per) {
        QList<qint64> ids;
        for (int from = 0; from < rows.size(); from += per)
            ids += InsertRows(c, table, columns, rows.mid(from, per), returnIds);
        return ids;
    }
    const ReadRows r = c.runInOrder({InsertStatement(c, table, columns, rows, returnIds)})[0];
    if (!returnIds) {
        if (r.error) throw *r.error;
        return {};
    }
    return NewIds(r, rows.size());
}

void UpdateRow(Connection& c, const QString& table, qint64 id, const QStringList& columns,
               const QVector<QVariant>& values) {
    Statement s{QStringLiteral("update ") + c.dialect().bracketed(table) + QStringLiteral(" set ") +
                    columns.join(QStringLiteral(" = ?, ")) + QStringLiteral(" = ? where id = ") +
                    QString::number(id),
                {}};
    for (int i = 0; i < columns.size(); ++i) s.values << c.bindable(table, columns[i], values[i]);
    const ReadRows r = c.runInOrder({s})[0];
    if (r.error) throw *r.error;
}

QList<Statement> RenumberStatements(const SqlDialect& d, const QuestionGroup& g) {
    const QString condition = BankTypeCondition(d, g.bank, g.type);
    // Counted, not taken from the update: a server with NOCOUNT on reports no rows.
    return {{NumberRowsStatement(d, condition), {}}, {CountWhere(d, condition), {}}};
}

std::optional<int> GroupNumber(const QList<ReadRows>& renumbered) {
    for (const ReadRows& r : renumbered)
        if (r.error) throw *r.error;
    const qint64 rows = renumbered.value(1).rows.value(0).value(0).toLongLong();
    if (rows <= 0) return std::nullopt;
    return int(qMin<qint64>(rows, 32767));
}

std::optional<int> RenumberGroup(Connection& c, const QuestionGroup& g) {
    return GroupNumber(c.runInOrder(RenumberStatements(c.dialect(), g)));
}

QString AddedQuestionLogBody(const Question& q, qint64 id) {
    return AddedQuestionLogPrefix(q) + QString::number(id) + QLatin1Char(')');
}

QString AddedQuestionLogPrefix(const Question& q) {
    return QStringLiteral("添加题目【") + q.bank + QStringLiteral("】→") + q.qtype +
           QStringLiteral("→") + q.question + QStringLiteral(" (id:");
}

QVector<QVariant> LogValues(const WriteContext& context, const QString& body) {
    const QDateTime now = context.now.isValid() ? context.now : QDateTime::currentDateTime();
    return {now, StoredText(context.username), body};
}

void WriteLogRows(Connection& server, const WriteContext& context,
                  const QVector<std::pair<const Question*, qint64>>& added) {
    QVector<QVector<QVariant>> values;
    for (const auto& [q, id] : added) values << LogValues(context, AddedQuestionLogBody(*q, id));
    InsertRows(server, QStringLiteral("rizi"), LogColumns(), values, false);
}

namespace {

// The log row's values for a question about to be added, bound as the log table takes them:
// the body's text up to the new id.
QVector<QVariant> BoundLogPrefix(Connection& server, const WriteContext& context,
                                 const Question& q) {
    const QVector<QVariant> values = LogValues(context, AddedQuestionLogPrefix(q));
    QVector<QVariant> bound;
    for (int i = 0; i < values.size(); ++i)
        bound << server.bindable(QStringLiteral("rizi"), LogColumns()[i], values[i]);
    return bound;
}

}  // namespace

std::optional<AddedRow> AddLoggedAndNumbered(Connection& server, const WriteContext& context,
                                             const Question& q, const PictureBytes& pictures,
                                             const QuestionGroup& g) {
    const SqlDialect& d = server.dialect();
    const QString timu = QStringLiteral("timu");
    const QStringList columns = StoredColumnNames();
    if (server.backend() == Backend::SqlServer) {
        // The new id is taken before the log row is inserted (the log table may have an identity
        // of its own); the body's start may be bound as ntext (a long question): cast before it
        // is joined.
        Statement log{QStringLiteral("declare @qs_added bigint; set @qs_added = scope_identity(); "
                                     "insert into rizi (") +
                          LogColumns().join(QStringLiteral(", ")) +
                          QStringLiteral(") values (?, ?, cast(? as nvarchar(max)) + "
                                         "cast(@qs_added as nvarchar(20)) + N')')"),
                      BoundLogPrefix(server, context, q)};
        const QList<ReadRows> done = server.runInOrder(
            QList<Statement>{InsertStatement(server, timu, columns, {StoredValues(q, pictures)}, true),
                             log} +
            RenumberStatements(d, g));
        AddedRow added;
        added.id = NewIds(done[0], 1).value(0);
        if (done[1].error) {
            // The batch ended at the log row: the question stays, numbered on its own.
            added.logged = false;
            added.logError = done[1].error->text();
            added.number = RenumberGroup(server, g);
        } else {
            added.number = GroupNumber(done.mid(2));
        }
        return added;
    }
    if (server.backend() != Backend::PostgreSql) return std::nullopt;
    Statement both{
        QStringLiteral("with added as (insert into timu (") + columns.join(QStringLiteral(", ")) +
            QStringLiteral(") values (") +
            QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")) +
            QStringLiteral(") returning id), logged as (insert into rizi (") +
            LogColumns().join(QStringLiteral(", ")) +
            QStringLiteral(") values (?, ?, cast(? as text) || cast((select id from added) as "
                           "text) || ')')) select id from added"),
        {}};
    const QVector<QVariant> values = StoredValues(q, pictures);
    for (int i = 0; i < columns.size(); ++i)
        both.values << server.bindable(timu, columns[i], values[i]);
    both.values += BoundLogPrefix(server, context, q);
    const QList<Statement> statements =
        QList<Statement>{{d.savepoint(), {}}, both, {d.releaseSavepoint(), {}}} +
        RenumberStatements(d, g);
    const QList<ReadRows> done = server.runInOrder(statements);
    if (done[0].error) throw *done[0].error;
    if (done[1].error) {
        server.execute(d.rollbackToSavepoint());
        return std::nullopt;
    }
    if (done[2].error) throw *done[2].error;
    return AddedRow{NewIds(done[1], 1).value(0), GroupNumber(done.mid(3)), true, {}};
}

QString LooseKey(const Question& q) {
    return q.question.normalized(QString::NormalizationForm_KC).toCaseFolded() + QChar(0) +
           q.answer.normalized(QString::NormalizationForm_KC).toCaseFolded();
}

// The next batch of `candidates` from `next` on (moved past it). Two questions the server might
// take for one never share a batch: the second is then looked up after the first was stored, as
// one by one.
QVector<int> NextBatch(const QVector<Question>& rows, const QVector<int>& candidates, int& next) {
    QVector<int> batch;
    QSet<QString> keys;
    while (next < candidates.size() && batch.size() < QuestionWriter::kBatchRows) {
        const QString key = LooseKey(rows[candidates[next]]);
        if (keys.contains(key)) break;
        keys.insert(key);
        batch << candidates[next++];
    }
    return batch;
}

CopyLookups LookUpCopies(const SqlDialect& d, const QVector<Question>& rows) {
    CopyLookups out;
    out.count = int(rows.size());
    QVector<int> all(rows.size());
    std::iota(all.begin(), all.end(), 0);
    // A row the server takes for two of the questions names only the first of them, so such
    // questions are looked up in separate statements.
    for (int next = 0; next < rows.size();) {
        const QVector<int> run = NextBatch(rows, all, next);
        QStringList lookups;
        // The questions are as stored: only their apostrophes go (none are left after the
        // normalisation, but one read from the server may hold them).
        for (int i : run)
            lookups << DuplicateQuery(d, rows[i].bank, QString(rows[i].question).remove(u'\''),
                                      rows[i].answer);
        const QString sql = DuplicateLookupQuery(d, lookups);
        if (sql.isEmpty())
            throw DbError(err::kProviderFailure,
                          QStringLiteral("无法识别的查询：") + lookups.first());
        out.statements << Statement{sql, {}};
        out.firsts << run.first();
        out.lasts << run.last() + 1;
    }
    return out;
}

QVector<std::optional<ServerCopy>> CopiesFound(const CopyLookups& lookups,
                                               const QList<ReadRows>& results) {
    QVector<std::optional<ServerCopy>> found(lookups.count);
    for (int n = 0; n < lookups.statements.size(); ++n) {
        const ReadRows& r = results.value(n);
        if (r.error) throw *r.error;
        const int from = lookups.firsts[n], to = lookups.lasts[n];
        // The copy added first names the duplicate (rows come in no defined order).
        for (const auto& row : r.rows) {
            const int k = from + row.value(0).toInt();
            const qint64 id = row.value(1).toLongLong();
            if (k < from || k >= to || (found[k] && found[k]->id <= id)) continue;
            found[k] = ServerCopy{id, row.value(2).isNull() ? QString() : row.value(2).toString()};
        }
    }
    return found;
}

QVector<std::optional<ServerCopy>> FindCopies(Connection& server, const QVector<Question>& rows) {
    const CopyLookups lookups = LookUpCopies(server.dialect(), rows);
    return CopiesFound(lookups, server.runInOrder(lookups.statements));
}

}  // namespace qs
