#include "bank/StoredRows.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <algorithm>

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
    // One row goes in the plain insert the recordsets use (SQL Server's identity read with
    // scope_identity()), several in one statement.
    const QString sql =
        rows.size() == 1
            ? c.dialect().insertRow(c.dialect().bracketed(table), columns, returnIds)
            : InsertRowsStatement(c.dialect(), table, columns, int(rows.size()), returnIds);
    const QSqlRecord fields = c.tableColumns(table);
    QSqlQuery q = c.query();
    if (!q.prepare(sql)) c.raise(q.lastError(), sql);
    for (const auto& row : rows)
        for (int i = 0; i < columns.size(); ++i)
            q.addBindValue(BindableValue(row[i], fields.field(columns[i]), c.backend()));
    if (!q.exec()) c.raise(q.lastError(), sql);
    QList<qint64> ids;
    if (!returnIds) return ids;
    // SQL Server reports the insert's row count (and any trigger's) before the identities.
    while (!q.isSelect() && q.nextResult()) {
    }
    while (q.next()) ids << q.value(0).toLongLong();
    if (q.lastError().isValid()) c.raise(q.lastError(), sql);
    if (ids.size() != rows.size())
        throw DbError(err::kProviderFailure, QStringLiteral("新题目的编号没有全部返回"));
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::optional<int> RenumberGroup(Connection& c, const QuestionGroup& g) {
    const QString condition = BankTypeCondition(c.dialect(), g.bank, g.type);
    c.execute(NumberRowsStatement(c.dialect(), condition));
    // Counted, not taken from the update: a server with NOCOUNT on reports no rows.
    const qint64 rows = c.scalar(CountWhere(c.dialect(), condition)).toLongLong();
    if (rows <= 0) return std::nullopt;
    return int(qMin<qint64>(rows, 32767));
}

QString AddedQuestionLogBody(const Question& q, qint64 id) {
    return QStringLiteral("添加题目【") + q.bank + QStringLiteral("】→") + q.qtype +
           QStringLiteral("→") + q.question + QStringLiteral(" (id:") + QString::number(id) +
           QLatin1Char(')');
}

void WriteLogRows(Connection& server, const WriteContext& context,
                  const QVector<std::pair<const Question*, qint64>>& added) {
    const QDateTime now = context.now.isValid() ? context.now : QDateTime::currentDateTime();
    QVector<QVector<QVariant>> values;
    for (const auto& [q, id] : added)
        values << QVector<QVariant>{now, StoredText(context.username),
                                    AddedQuestionLogBody(*q, id)};
    InsertRows(server, QStringLiteral("rizi"),
               {QStringLiteral("stime"), QStringLiteral("username"), QStringLiteral("body")},
               values, false);
}

QString LooseKey(const Question& q) {
    return q.question.normalized(QString::NormalizationForm_KC).toCaseFolded() + QChar(0) +
           q.answer.normalized(QString::NormalizationForm_KC).toCaseFolded();
}

QVector<std::optional<ServerCopy>> FindCopies(Connection& server, const QVector<Question>& rows) {
    QVector<std::optional<ServerCopy>> found(rows.size());
    for (int from = 0, to = 0; from < rows.size(); from = to) {
        // A row the server takes for two of the questions names only the first of them, so
        // such questions are looked up in separate statements.
        QSet<QString> keys;
        while (to < rows.size() && to - from < QuestionWriter::kBatchRows &&
               !keys.contains(LooseKey(rows[to])))
            keys.insert(LooseKey(rows[to++]));
        QStringList lookups;
        // The questions are as stored: only their apostrophes go (none are left after the
        // normalisation, but one read from the server may hold them).
        for (int i = from; i < to; ++i)
            lookups << DuplicateQuery(server.dialect(), rows[i].bank,
                                      QString(rows[i].question).remove(u'\''), rows[i].answer);
        const QString sql = DuplicateLookupQuery(server.dialect(), lookups);
        if (sql.isEmpty())
            throw DbError(err::kProviderFailure,
                          QStringLiteral("无法识别的查询：") + lookups.first());
        QSqlQuery q = server.query();
        if (!q.exec(sql)) server.raise(q.lastError(), sql);
        // The copy added first names the duplicate (rows come in no defined order).
        while (q.next()) {
            const int k = from + q.value(0).toInt();
            const qint64 id = q.value(1).toLongLong();
            if (k < from || k >= to || (found[k] && found[k]->id <= id)) continue;
            found[k] = ServerCopy{id, q.value(2).isNull() ? QString() : q.value(2).toString()};
        }
        if (q.lastError().isValid()) server.raise(q.lastError(), sql);
    }
    return found;
}

}  // namespace qs
