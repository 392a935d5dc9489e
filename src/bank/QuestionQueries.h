#pragma once

#include <QString>
#include <QVector>

#include "db/SqlDialect.h"

namespace qs {

// Query texts of the question window and the question browser, one function
// per query. Values go in as literals; names compared with like match only
// themselves.

// One server question by its identity.
QString QuestionByIdQuery(const SqlDialect& d, qint64 id);
// The local twin of a server question: the rows whose sid holds its id.
QString LocalTwinQuery(const SqlDialect& d, qint64 serverId);

// "id in (1, 2, 3)" on the server; "sid in ('1', '2', '3')" in the local file.
QString IdsCondition(const QVector<qint64>& ids);
QString SidsCondition(const SqlDialect& d, const QVector<qint64>& ids);
// The bank and type of every row of a condition (to renumber their groups).
QString GroupsQuery(const SqlDialect& d, const QString& condition);
// The rows of a condition whose adder is not `adder`.
QString OthersRowsCountQuery(const SqlDialect& d, const QString& condition, const QString& adder);
QString DeleteWhereStatement(const SqlDialect& d, const QString& condition);

// The browser's listing: the ids of one bank's questions, optionally of one
// type and holding a text (literally) in the question, an option or the
// explanation, in the order of one of the listed columns.
enum class BrowseColumn { Id2, Type, Question, Answer, Nandu, Adder, Time, Pictures, Count };
struct BrowseFilter {
    QString bank;
    QString type;    // empty: every type
    QString search;  // empty: every question
    BrowseColumn sortBy = BrowseColumn::Id2;
    bool descending = false;
};
QString BrowseIdsQuery(const SqlDialect& d, const BrowseFilter& filter);
// The shown columns of the listed rows: id, then one per BrowseColumn.
QString BrowseRowsQuery(const SqlDialect& d, const QVector<qint64>& ids);
// How many characters of the question the listing shows.
constexpr int kQuestionStart = 60;

}  // namespace qs
