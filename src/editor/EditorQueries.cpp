#include "editor/EditorQueries.h"

#include <QStringList>

namespace qs {

namespace {

QString timu(const SqlDialect& d) {
    return d.bracketed(QStringLiteral("timu"));
}

}  // namespace

QString DuplicateQuery(const SqlDialect& d, const QString& bank, const QString& question,
                       const QString& answer) {
    return QStringLiteral("select * from ") + timu(d) + QStringLiteral(" where mantype like ") +
           d.likeLiteral(bank) + QStringLiteral(" and QUESTION like ") + d.likeLiteral(question) +
           QStringLiteral(" and answer like ") + d.likeLiteral(answer);
}

QString BankTypeCondition(const SqlDialect& d, const QString& bank, const QString& type) {
    return QStringLiteral("mantype like ") + d.likeLiteral(bank) +
           QStringLiteral(" and Qtype like ") + d.likeLiteral(type);
}

QString SubmitGroupQuery(const SqlDialect& d, const QString& bank, const QString& type) {
    return QStringLiteral("select * from ") + timu(d) + QStringLiteral(" where ") +
           BankTypeCondition(d, bank, type) + QStringLiteral(" order by id");
}

QString RenumberTypeQuery(const SqlDialect& d, const QString& bank, const QString& type) {
    return QStringLiteral("select * from  ") + timu(d) + QStringLiteral(" where mantype like ") +
           d.likeLiteral(bank) + QStringLiteral(" and  Qtype like ") + d.likeLiteral(type) +
           QStringLiteral("   order by id ");
}

QString BankQuestionsQuery(const SqlDialect& d, const QString& bank) {
    return QStringLiteral("select * from ") + timu(d) + QStringLiteral(" where mantype like ") +
           d.likeLiteral(bank) + QStringLiteral(" order by id");
}

QString BankRowsQuery(const SqlDialect& d, const QString& bank) {
    return QStringLiteral("select * from ") + d.bracketed(QStringLiteral("alltype")) +
           QStringLiteral(" where mantype like ") + d.likeLiteral(bank);
}

QString CountQuestionsQuery(const SqlDialect& d, const QString& bank) {
    return QStringLiteral("select * from timu where mantype=") + d.literal(bank) +
           QStringLiteral("  ");
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
    return QStringLiteral("select id from ") + timu(d) + QStringLiteral(" where mantype like ") +
           d.likeLiteral(bank) + QStringLiteral(" order by id");
}

QString DeleteBankQuestionsStatement(const SqlDialect& d, const QString& bank, qint64 fromId,
                                     qint64 toId) {
    return QStringLiteral("delete from ") + timu(d) + QStringLiteral(" where id >= ") +
           QString::number(fromId) + QStringLiteral(" and id <= ") + QString::number(toId) +
           QStringLiteral(" and mantype like ") + d.likeLiteral(bank);
}

QString DeleteBankRowsStatement(const SqlDialect& d, const QString& bank) {
    return QStringLiteral("delete from ") + d.bracketed(QStringLiteral("alltype")) +
           QStringLiteral(" where mantype like ") + d.likeLiteral(bank);
}

QString CountBankQuestionsStatement(const SqlDialect& d, const QString& bank) {
    return QStringLiteral("select count(*) from timu where mantype=") + d.literal(bank);
}

}  // namespace qs
