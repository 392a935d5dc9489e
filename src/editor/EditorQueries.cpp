#include "editor/EditorQueries.h"

#include <QStringList>

namespace qs {

namespace {

QString timu(const SqlDialect& d) {
    return d.bracketed(QStringLiteral("timu"));
}

QString concat(const SqlDialect& d, const QStringList& parts) {
    return parts.join(d.backend() == Backend::SqlServer ? QStringLiteral(" + ")
                                                        : QStringLiteral(" || "));
}

// True when `letter` occurs in the text expression.
QString contains(const SqlDialect& d, const QString& text, QChar letter) {
    const QString l = QLatin1Char('\'') + letter + QLatin1Char('\'');
    switch (d.backend()) {
        case Backend::SqlServer:
            // A binary comparison: the server's usual collation is width-
            // insensitive and would take a full-width Ａ for A.
            return QStringLiteral("charindex(") + l + QStringLiteral(", ") + text +
                   QStringLiteral(" collate Latin1_General_BIN2) > 0");
        case Backend::PostgreSql:
            return QStringLiteral("strpos(") + text + QStringLiteral(", ") + l +
                   QStringLiteral(") > 0");
        case Backend::Sqlite:
            break;
    }
    return QStringLiteral("instr(") + text + QStringLiteral(", ") + l + QStringLiteral(") > 0");
}

}  // namespace

QString DuplicateQuery(const SqlDialect& d, const QString& bank, const QString& question,
                       const QString& answer) {
    return QStringLiteral("select * from ") + timu(d) + QStringLiteral(" where ") +
           d.matches(QStringLiteral("mantype"), bank) + QStringLiteral(" and ") +
           d.matches(QStringLiteral("QUESTION"), question) + QStringLiteral(" and ") +
           d.matches(QStringLiteral("answer"), answer);
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
    const bool sqlServer = d.backend() == Backend::SqlServer;
    // The old row: an alias on SQL Server, the table itself where the update
    // names its target outside the from clause.
    const QString row = sqlServer ? QStringLiteral("t") : QStringLiteral("timu");
    const QString numbered =
        QStringLiteral(
            "(select id, case when rn > 32767 then 32767 else rn end as n from "
            "(select id, row_number() over (order by id) as rn from ") +
        timu(d) + QStringLiteral(" where ") + condition + QStringLiteral(") x) r");

    QStringList sets{QStringLiteral("id2 = r.n")};
    if (changes.normaliseAnswer) {
        const QString upper =
            QStringLiteral("upper(coalesce(") + row + QStringLiteral(".answer, ''))");
        QStringList letters;
        for (QChar c : QStringLiteral("ABCDEF"))
            letters << QStringLiteral("case when ") + contains(d, upper, c) +
                           QStringLiteral(" then '") + c + QStringLiteral("' else '' end");
        QString normalised = concat(d, letters);
        if (changes.keepTrueFalseWords)
            normalised = QStringLiteral("case when ") + row + QStringLiteral(".answer in (") +
                         d.literal(QStringLiteral("正确")) + QStringLiteral(", ") +
                         d.literal(QStringLiteral("错误")) + QStringLiteral(") then ") + row +
                         QStringLiteral(".answer else ") + normalised + QStringLiteral(" end");
        sets << QStringLiteral("answer = ") + normalised;
    }
    if (changes.appendSpaceToWhy0)
        sets << QStringLiteral("why0 = ") +
                    concat(d, {QStringLiteral("coalesce(") + row + QStringLiteral(".why0, '')"),
                               QStringLiteral("' '")});
    const bool touchEveryRow = changes.normaliseAnswer || changes.appendSpaceToWhy0;
    const QString changed = QStringLiteral("(") + row + QStringLiteral(".id2 is null or ") + row +
                            QStringLiteral(".id2 <> r.n)");

    QString sql;
    if (sqlServer) {
        sql = QStringLiteral("update t set ") + sets.join(QStringLiteral(", ")) +
              QStringLiteral(" from ") + timu(d) + QStringLiteral(" t inner join ") + numbered +
              QStringLiteral(" on t.id = r.id");
        if (!touchEveryRow) sql += QStringLiteral(" where ") + changed;
    } else {
        sql = QStringLiteral("update timu set ") + sets.join(QStringLiteral(", ")) +
              QStringLiteral(" from ") + numbered + QStringLiteral(" where timu.id = r.id");
        if (!touchEveryRow) sql += QStringLiteral(" and ") + changed;
    }
    return sql;
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

}  // namespace qs
