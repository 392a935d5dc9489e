#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <optional>

#include "bank/GroupLocks.h"
#include "bank/QuestionWriter.h"
#include "db/Recordset.h"

namespace qs {

// How the writer stores a question's row, from the column table of the question core: every
// insert, update and load goes through these.

// The bytes of a picture file; null when there is no path or no readable file (a zero-length
// file gives empty, not null, bytes).
QByteArray PictureFileBytes(const QString& path);
PictureBytes PictureFiles(const Question& q);
// The first picture path whose file cannot be read; empty when every one can.
QString UnreadablePicture(const Question& q);

// The columns a question's row is written with: every field and picture, and id2.
QStringList StoredColumnNames();
// Their values, id2 0 (numbered in the same transaction).
QVector<QVariant> StoredValues(const Question& q, const PictureBytes& pictures);
// The question and pictures of the current row of a recordset.
Question ReadQuestion(const Recordset& rs, PictureBytes* pictures);

// Inserts `rows` rows of `columns`, in as few statements as the server takes
// (SqlDialect::rowsPerInsert); with `returnIds` the new rows' ids, in the rows' order.
QList<qint64> InsertRows(Connection& c, const QString& table, const QStringList& columns,
                         const QVector<QVector<QVariant>>& rows, bool returnIds);
// The same as a statement to send with others, and the ids its result holds (throws its error).
Statement InsertStatement(Connection& c, const QString& table, const QStringList& columns,
                          const QVector<QVector<QVariant>>& rows, bool returnIds);
QList<qint64> NewIds(const ReadRows& inserted, qsizetype rows);
// Writes `columns` of the row `id` of `table`.
void UpdateRow(Connection& c, const QString& table, qint64 id, const QStringList& columns,
               const QVector<QVariant>& values);
// Numbers a group 1, 2, 3 … in id order; the number of its last row (nullopt: no rows).
std::optional<int> RenumberGroup(Connection& c, const QuestionGroup& g);
// The same as statements to send with others, and the number their results give (throws the
// first error).
QList<Statement> RenumberStatements(const SqlDialect& d, const QuestionGroup& g);
std::optional<int> GroupNumber(const QList<ReadRows>& renumbered);
// The activity log's text for a question added to the server with identity `id`: the prefix,
// the id, ")".
QString AddedQuestionLogBody(const Question& q, qint64 id);
QString AddedQuestionLogPrefix(const Question& q);
// The log's columns, and their values for one row.
inline QStringList LogColumns() {
    return {QStringLiteral("stime"), QStringLiteral("username"), QStringLiteral("body")};
}
QVector<QVariant> LogValues(const WriteContext& context, const QString& body);
// Writes one log row per (question, id) to the server's activity log.
void WriteLogRows(Connection& server, const WriteContext& context,
                  const QVector<std::pair<const Question*, qint64>>& added);
// One question added to the server inside the group's transaction, with its log row, and the
// group numbered, in one round trip where the server allows it (PostgreSQL: one statement
// writes both rows; SQL Server: one batch, the log row taking the new id from
// scope_identity()). nullopt on SQLite, and on PostgreSQL when the server refused that
// statement (the transaction is then as it was): the caller takes the steps one by one, as the
// log row may fail alone. On SQL Server a refused log row is reported in the result, the
// question kept and the group numbered all the same.
struct AddedRow {
    qint64 id = 0;
    std::optional<int> number;
    bool logged = true;
    QString logError;
};
std::optional<AddedRow> AddLoggedAndNumbered(Connection& server, const WriteContext& context,
                                             const Question& q, const PictureBytes& pictures,
                                             const QuestionGroup& g);
// Two questions the server might take for one (width and letter case aside) share this key.
QString LooseKey(const Question& q);
// The next batch of `candidates` (indexes into `rows`) from `next` on, `next` moved past it:
// up to a hundred questions, no two of which the server might take for one.
QVector<int> NextBatch(const QVector<Question>& rows, const QVector<int>& candidates, int& next);
// For each question, the copy the server holds, a hundred questions per statement, every
// statement in one round trip where the server allows.
QVector<std::optional<ServerCopy>> FindCopies(Connection& server, const QVector<Question>& rows);
// The same in two halves, to send the lookups with other statements: the statements (each for
// the questions from firsts[n] to before lasts[n]), and what their results found.
struct CopyLookups {
    QList<Statement> statements;
    QVector<int> firsts, lasts;
    int count = 0;
};
CopyLookups LookUpCopies(const SqlDialect& d, const QVector<Question>& rows);
QVector<std::optional<ServerCopy>> CopiesFound(const CopyLookups& lookups,
                                               const QList<ReadRows>& results);

}  // namespace qs
