#pragma once

// Question rows for the editor's database tests and benchmarks: bulk groups
// made by the database itself, single rows, and reads of whole columns.

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include "db/Connection.h"
#include "db/DbError.h"

namespace qs::test {

// `count` questions of one bank and type, id2 `id2`, texts "<prefix>1" …,
// answers `answer`, explanations NULL, and every `pictureEvery`th row a
// 10 kB question picture; made by one statement.
inline void AddQuestionGroup(Connection& c, const QString& bank, const QString& type, int count,
                             const QString& answer = QStringLiteral("A"),
                             const QString& prefix = QStringLiteral("题"), int id2 = 0,
                             int pictureEvery = 0) {
    const SqlDialect& d = c.dialect();
    const QString cols = QStringLiteral(
        "insert into timu (mantype, Qtype, id2, QUESTION, answer, nandu, SA, SB, SC, SD, adder, "
        "QJPG) ");
    const bool pg = c.backend() == Backend::PostgreSql;
    const QString n = pg ? QStringLiteral("g") : QStringLiteral("x");
    const QString picture = pictureEvery <= 0
                                ? QStringLiteral(", null")
                                : QStringLiteral(", case when ") + n + QStringLiteral(" % ") +
                                      QString::number(pictureEvery) + QStringLiteral(" = 0 then ") +
                                      (pg ? QStringLiteral("decode(repeat('ab', 10000), 'hex')")
                                          : QStringLiteral("zeroblob(10000)")) +
                                      QStringLiteral(" end");
    const QString values = d.literal(bank) + QStringLiteral(", ") + d.literal(type) +
                           QStringLiteral(", ") + QString::number(id2) + QStringLiteral(", ");
    const QString tail = QStringLiteral(", ") + d.literal(answer) +
                         QStringLiteral(", '普通', '选项一', '选项二', '选项三', '选项四', 'sa'") +
                         picture;
    if (pg) {
        c.execute(cols + QStringLiteral("select ") + values + d.literal(prefix) +
                  QStringLiteral(" || g") + tail + QStringLiteral(" from generate_series(1, ") +
                  QString::number(count) + QStringLiteral(") g"));
    } else {
        c.execute(QStringLiteral("with recursive g(x) as (select 1 union all select x + 1 from g "
                                 "where x < ") +
                  QString::number(count) + QStringLiteral(") ") + cols + QStringLiteral("select ") +
                  values + d.literal(prefix) + QStringLiteral(" || x") + tail +
                  QStringLiteral(" from g"));
    }
}

// One question; returns its id.
inline qint64 AddQuestion(Connection& c, const QString& bank, const QString& type,
                          const QString& question, const QVariant& answer = QStringLiteral("A"),
                          const QVariant& why0 = QVariant(), int id2 = 0) {
    QSqlQuery q = c.query();
    const bool pg = c.backend() == Backend::PostgreSql;
    q.prepare(QStringLiteral("insert into timu (mantype, Qtype, QUESTION, answer, why0, id2) "
                             "values (?, ?, ?, ?, ?, ?)") +
              (pg ? QStringLiteral(" returning id") : QString()));
    q.addBindValue(bank);
    q.addBindValue(type);
    q.addBindValue(question);
    q.addBindValue(answer.isNull() ? QVariant(QMetaType::fromType<QString>()) : answer);
    q.addBindValue(why0.isNull() ? QVariant(QMetaType::fromType<QString>()) : why0);
    q.addBindValue(id2);
    if (!q.exec()) c.raise(q.lastError(), q.lastQuery());
    if (pg && q.next()) return q.value(0).toLongLong();
    return q.lastInsertId().toLongLong();
}

inline void AddBank(Connection& c, const QString& bank) {
    c.execute(QStringLiteral("insert into alltype (mantype) values (") + c.dialect().literal(bank) +
              QLatin1Char(')'));
}

// The values a query selects, as texts ("<null>" for NULL): of its first column
// from every row, or (`row`) of every column from its first row.
inline QStringList Column(Connection& c, const QString& sql, bool row = false) {
    QSqlQuery q = c.query();
    if (!q.exec(sql)) c.raise(q.lastError(), sql);
    auto text = [](const QVariant& v) {
        return v.isNull() ? QStringLiteral("<null>") : v.toString();
    };
    QStringList out;
    if (row && q.next())
        for (int i = 0; i < q.record().count(); ++i) out << text(q.value(i));
    while (!row && q.next()) out << text(q.value(0));
    return out;
}

// The named columns of the first timu row `where` selects.
inline QStringList Row(Connection& c, const QString& where, const QStringList& columns) {
    return Column(c,
                  QStringLiteral("select ") + columns.join(QStringLiteral(", ")) +
                      QStringLiteral(" from timu where ") + where,
                  true);
}

inline qint64 Count(Connection& c, const QString& where) {
    return c.scalar(QStringLiteral("select count(*) from timu where ") + where).toLongLong();
}

}  // namespace qs::test
