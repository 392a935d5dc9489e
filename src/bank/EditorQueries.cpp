#include "bank/EditorQueries.h"

#include <QStringList>

namespace qs {

namespace {

QString timu(const SqlDialect& d) {
    return d.bracketed(QStringLiteral("timu"));
}

// The rows of one bank, question text and answer.
QString SameQuestion(const SqlDialect& d, const QString& bank, const QString& question,
                     const QString& answer) {
    return d.matches(QStringLiteral("mantype"), bank) + QStringLiteral(" and ") +
           d.matches(QStringLiteral("QUESTION"), question) + QStringLiteral(" and ") +
           d.matches(QStringLiteral("answer"), answer);
}

}  // namespace

QString DuplicateQuery(const SqlDialect& d, const QString& bank, const QString& question,
                       const QString& answer) {
    return QStringLiteral("select * from ") + timu(d) + QStringLiteral(" where ") +
           SameQuestion(d, bank, question, answer);
}

QString WaitingCondition() {
    return QStringLiteral("(sid is null or sid = '')");
}

QString WaitingTwinQuery(const SqlDialect& d, const QString& bank, const QString& question,
                         const QString& answer) {
    return QStringLiteral("select min(id) from ") + timu(d) + QStringLiteral(" where ") +
           SameQuestion(d, bank, question, answer) + QStringLiteral(" and ") + WaitingCondition();
}

QString BankTypeCondition(const SqlDialect& d, const QString& bank, const QString& type) {
    return d.matches(QStringLiteral("mantype"), bank) + QStringLiteral(" and ") +
           d.matches(QStringLiteral("Qtype"), type);
}

QString LogQuery(const SqlDialect& d) {
    return QStringLiteral("select * from ") + d.bracketed(QStringLiteral("rizi")) +
           QStringLiteral("  ");
}

QString CountWhere(const SqlDialect& d, const QString& condition) {
    return QStringLiteral("select count(*) from ") + timu(d) + QStringLiteral(" where ") +
           condition;
}

QString NumberRowsStatement(const SqlDialect& d, const QString& condition,
                            NumberingChanges changes) {
    const QString numbered =
        QStringLiteral(
            "(select id, case when rn > 32767 then 32767 else rn end as n from "
            "(select id, row_number() over (order by id) as rn from ") +
        timu(d) + QStringLiteral(" where ") + condition + QStringLiteral(") x) r");
    // The old row's texts, as values every function and comparison takes
    // whatever the column's type.
    const QString answer = d.asText(QStringLiteral("t.answer"));
    const QString why0 = d.asText(QStringLiteral("t.why0"));
    const QString empty = d.literal(QString());

    QStringList sets{QStringLiteral("id2 = r.n")};
    if (changes.normaliseAnswer) {
        const QString upper = QStringLiteral("upper(coalesce(") + answer + QStringLiteral(", ") +
                              empty + QStringLiteral("))");
        QStringList letters;
        for (QChar c : QStringLiteral("ABCDEF"))
            letters << QStringLiteral("case when ") + d.holdsLetter(upper, c) +
                           QStringLiteral(" then ") + d.literal(c) + QStringLiteral(" else ") +
                           empty + QStringLiteral(" end");
        QString normalised = d.concat(letters);
        if (changes.keepTrueFalseWords)
            normalised = QStringLiteral("case when ") + answer + QStringLiteral(" in (") +
                         d.literal(QStringLiteral("正确")) + QStringLiteral(", ") +
                         d.literal(QStringLiteral("错误")) + QStringLiteral(") then ") + answer +
                         QStringLiteral(" else ") + normalised + QStringLiteral(" end");
        sets << QStringLiteral("answer = ") + normalised;
    }
    if (changes.appendSpaceToWhy0)
        sets << QStringLiteral("why0 = ") +
                    d.concat({QStringLiteral("coalesce(") + why0 + QStringLiteral(", ") + empty +
                                  QLatin1Char(')'),
                              d.literal(QStringLiteral(" "))});
    const bool touchEveryRow = changes.normaliseAnswer || changes.appendSpaceToWhy0;
    return d.updateJoined(
        timu(d), QStringLiteral("t"), sets, numbered, QStringLiteral("t.id = r.id"),
        touchEveryRow ? QString() : QStringLiteral("(t.id2 is null or t.id2 <> r.n)"));
}

QString BankQuestionIdsQuery(const SqlDialect& d, const QString& bank) {
    return QStringLiteral("select id from ") + timu(d) + QStringLiteral(" where ") +
           d.matches(QStringLiteral("mantype"), bank) + QStringLiteral(" order by id");
}

QString DeleteBankQuestionsStatement(const SqlDialect& d, const QString& bank, qint64 fromId,
                                     qint64 toId) {
    return QStringLiteral("delete from ") + timu(d) + QStringLiteral(" where id >= ") +
           QString::number(fromId) + QStringLiteral(" and id <= ") + QString::number(toId) +
           QStringLiteral(" and ") + d.matches(QStringLiteral("mantype"), bank);
}

QString DeleteBankRowsStatement(const SqlDialect& d, const QString& bank) {
    return QStringLiteral("delete from ") + d.bracketed(QStringLiteral("alltype")) +
           QStringLiteral(" where ") + d.matches(QStringLiteral("mantype"), bank);
}

QString CountBankQuestionsStatement(const SqlDialect& d, const QString& bank) {
    return QStringLiteral("select count(*) from timu where ") +
           d.matches(QStringLiteral("mantype"), bank);
}

QString DuplicateLookupQuery(const SqlDialect& d, const QStringList& duplicateQueries) {
    // One pass over the table tries every question's own condition: a row matches question k
    // exactly when k's duplicate query would return it.
    const QString prefix = QStringLiteral("select * from ") + timu(d) + QStringLiteral(" where ");
    QStringList conditions, cases;
    for (int k = 0; k < duplicateQueries.size(); ++k) {
        const QString& q = duplicateQueries[k];
        if (!q.startsWith(prefix)) return QString();
        const QString condition = QLatin1Char('(') + q.mid(prefix.size()) + QLatin1Char(')');
        conditions << condition;
        cases << QStringLiteral("when ") + condition + QStringLiteral(" then %1").arg(k);
    }
    return QStringLiteral("select case ") + cases.join(QLatin1Char(' ')) +
           QStringLiteral(" end as k, id, id2 from ") + timu(d) + QStringLiteral(" where ") +
           conditions.join(QStringLiteral(" or "));
}

QString InsertRowsStatement(const SqlDialect& d, const QString& table, const QStringList& columns,
                            int rows, bool returnIds) {
    const QString marks =
        QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", "));
    const QString names = columns.join(QStringLiteral(", "));
    QStringList values;
    if (d.backend() == Backend::SqlServer && returnIds) {
        // An output clause without "into" is refused on a table with a trigger; the order by
        // makes the identities follow the rows' order.
        for (int r = 0; r < rows; ++r)
            values << QStringLiteral("(%1, ").arg(r) + marks + QLatin1Char(')');
        return QStringLiteral("set nocount on; declare @ids table (id bigint); insert into ") +
               d.bracketed(table) + QStringLiteral(" (") + names +
               QStringLiteral(") output inserted.id into @ids select ") + names +
               QStringLiteral(" from (values ") + values.join(QStringLiteral(", ")) +
               QStringLiteral(") v (qs_row, ") + names +
               QStringLiteral(") order by qs_row; select id from @ids order by id");
    }
    for (int r = 0; r < rows; ++r) values << QLatin1Char('(') + marks + QLatin1Char(')');
    QString sql = QStringLiteral("insert into ") + d.bracketed(table) + QStringLiteral(" (") +
                  names + QStringLiteral(") values ") + values.join(QStringLiteral(", "));
    if (returnIds) sql += QStringLiteral(" returning id");
    return sql;
}

QString QuestionNumbersQuery(const SqlDialect& d, const QList<qint64>& ids) {
    QStringList list;
    for (qint64 id : ids) list << QString::number(id);
    return QStringLiteral("select id, id2 from ") + timu(d) + QStringLiteral(" where id in (") +
           list.join(QStringLiteral(", ")) + QLatin1Char(')');
}

}  // namespace qs
