#include "bank/QuestionQueries.h"

#include <QStringList>

#include "question/Question.h"

namespace qs {

namespace {

QString timu(const SqlDialect& d) {
    return d.bracketed(QStringLiteral("timu"));
}

// True when a picture column holds bytes; measured without reading them.
QString hasBytes(const SqlDialect& d, const QString& column) {
    switch (d.backend()) {
        case Backend::SqlServer:
            return QStringLiteral("datalength(") + column + QStringLiteral(") > 0");
        case Backend::PostgreSql:
            return QStringLiteral("octet_length(") + column + QStringLiteral(") > 0");
        case Backend::Sqlite:
            break;
    }
    return QStringLiteral("length(") + column + QStringLiteral(") > 0");
}

QString pictureFlag(const SqlDialect& d) {
    QStringList any;
    for (int slot = 0; slot < kPictureSlots; ++slot) any << hasBytes(d, PictureColumn(slot));
    return QStringLiteral("case when ") + any.join(QStringLiteral(" or ")) +
           QStringLiteral(" then 1 else 0 end");
}

// Memo columns may be ntext on SQL Server, which only orders and compares
// through a prefix.
QString textStart(const QString& column, int length) {
    return QStringLiteral("substring(") + column + QStringLiteral(", 1, ") +
           QString::number(length) + QLatin1Char(')');
}

QString sortExpression(const SqlDialect& d, BrowseColumn column) {
    switch (column) {
        case BrowseColumn::Id2:
            return QStringLiteral("id2");
        case BrowseColumn::Type:
            return textStart(QStringLiteral("Qtype"), 20);
        case BrowseColumn::Question:
            return textStart(QStringLiteral("QUESTION"), 200);
        case BrowseColumn::Answer:
            return textStart(QStringLiteral("answer"), 50);
        case BrowseColumn::Nandu:
            return textStart(QStringLiteral("nandu"), 20);
        case BrowseColumn::Adder:
            return textStart(QStringLiteral("adder"), 50);
        case BrowseColumn::Time:
            return QStringLiteral("stime");
        case BrowseColumn::Pictures:
        case BrowseColumn::Count:
            break;
    }
    return pictureFlag(d);
}

}  // namespace

QString QuestionByIdQuery(const SqlDialect& d, qint64 id) {
    return QStringLiteral("select * from ") + timu(d) + QStringLiteral(" where id = ") +
           QString::number(id);
}

QString LocalTwinQuery(const SqlDialect& d, qint64 serverId) {
    return QStringLiteral("select * from ") + timu(d) + QStringLiteral(" where sid like ") +
           d.likeLiteral(QString::number(serverId)) + QStringLiteral(" order by id");
}

QString IdsCondition(const QVector<qint64>& ids) {
    QStringList list;
    for (qint64 id : ids) list << QString::number(id);
    return QStringLiteral("id in (") + list.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QString SidsCondition(const SqlDialect& d, const QVector<qint64>& ids) {
    QStringList list;
    for (qint64 id : ids) list << d.literal(QString::number(id));
    return QStringLiteral("sid in (") + list.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QString GroupsQuery(const SqlDialect& d, const QString& condition) {
    return QStringLiteral("select mantype, Qtype from ") + timu(d) + QStringLiteral(" where ") +
           condition;
}

QString OthersRowsCountQuery(const SqlDialect& d, const QString& condition, const QString& adder) {
    return QStringLiteral("select count(*) from ") + timu(d) + QStringLiteral(" where ") +
           condition + QStringLiteral(" and (adder is null or not ") +
           d.matches(QStringLiteral("adder"), adder) + QStringLiteral(")");
}

QString DeleteWhereStatement(const SqlDialect& d, const QString& condition) {
    return QStringLiteral("delete from ") + timu(d) + QStringLiteral(" where ") + condition;
}

QString BrowseIdsQuery(const SqlDialect& d, const BrowseFilter& f) {
    QString sql = QStringLiteral("select id from ") + timu(d) + QStringLiteral(" where ") +
                  d.matches(QStringLiteral("mantype"), f.bank);
    if (!f.type.isEmpty())
        sql += QStringLiteral(" and ") + d.matches(QStringLiteral("Qtype"), f.type);
    if (!f.search.isEmpty()) {
        const QString pattern = d.likeContaining(f.search);
        // The texts a question shows: its text, its options and its explanation.
        QStringList any;
        for (QuestionField f :
             {QuestionField::Text, QuestionField::OptionA, QuestionField::OptionB,
              QuestionField::OptionC, QuestionField::OptionD, QuestionField::OptionE,
              QuestionField::OptionF, QuestionField::Why0})
            any << FieldColumn(f) + QStringLiteral(" like ") + pattern;
        sql += QStringLiteral(" and (") + any.join(QStringLiteral(" or ")) + QLatin1Char(')');
    }
    const QString direction = f.descending ? QStringLiteral(" desc") : QStringLiteral(" asc");
    return sql + QStringLiteral(" order by ") + sortExpression(d, f.sortBy) + direction +
           QStringLiteral(", id") + direction;
}

QString BrowseRowsQuery(const SqlDialect& d, const QVector<qint64>& ids) {
    return QStringLiteral("select id, id2, Qtype, ") +
           textStart(QStringLiteral("QUESTION"), kQuestionStart) +
           QStringLiteral(", answer, nandu, adder, stime, ") + pictureFlag(d) +
           QStringLiteral(" from ") + timu(d) + QStringLiteral(" where ") + IdsCondition(ids);
}

}  // namespace qs
