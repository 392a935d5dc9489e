#pragma once

#include <QString>

#include "db/SqlDialect.h"

namespace qs {

// The editor's query texts, one function per query. Values go in as literals
// (' doubled) and names compared with like match only themselves; with the
// SQL Server dialect and plain values each text is the system's own.

// The question already on the server: same bank, question text and answer.
QString DuplicateQuery(const SqlDialect& d, const QString& bank, const QString& question,
                       const QString& answer);
// A question that waits in the local file: added there while the server could not be written,
// its row has no sid (empty or NULL). The condition, and the first such row (its id) of one
// bank, question text and answer.
QString WaitingCondition();
QString WaitingTwinQuery(const SqlDialect& d, const QString& bank, const QString& question,
                         const QString& answer);
// The activity log, opened to append one row.
QString LogQuery(const SqlDialect& d);

// Set-based statements doing the same work in a few round trips.

// "mantype like … and Qtype like …" of one bank and type.
QString BankTypeCondition(const SqlDialect& d, const QString& bank, const QString& type);
// Counts the rows of a condition on timu.
QString CountWhere(const SqlDialect& d, const QString& condition);

// Numbers the rows of `condition` 1, 2, 3 … in id order into id2, held at
// 32767. Only rows whose id2 differs are written, unless `touchEveryRow`.
// `normaliseAnswer` rewrites the answer to the letters A–F it holds, each
// once, in order; `appendSpaceToWhy0` adds one space to the explanation.
struct NumberingChanges {
    bool normaliseAnswer = false;
    // True/false answers written as the words 正确 or 错误 are kept as they are.
    bool keepTrueFalseWords = false;
    bool appendSpaceToWhy0 = false;
};
QString NumberRowsStatement(const SqlDialect& d, const QString& condition,
                            NumberingChanges changes = {});

// The ids of a bank's questions in order, and the deletion of those up to
// and including one id (from `fromId`), so a long deletion shows progress.
QString BankQuestionIdsQuery(const SqlDialect& d, const QString& bank);
QString DeleteBankQuestionsStatement(const SqlDialect& d, const QString& bank, qint64 fromId,
                                     qint64 toId);
QString DeleteBankRowsStatement(const SqlDialect& d, const QString& bank);
// The statistics count a bank's questions by the rule the deletions use, so
// the count says what a deletion would remove.
QString CountBankQuestionsStatement(const SqlDialect& d, const QString& bank);

// Batch import: many questions per round trip.

// The duplicate queries of many questions run as one: rows (k, id, id2), k the index in
// `duplicateQueries` of the first question whose query finds the row. Questions that find the
// same rows share a batch only when they are one question (the batch import keeps them apart).
QString DuplicateLookupQuery(const SqlDialect& d, const QStringList& duplicateQueries);
// Inserts `rows` rows of `columns` (values bound in row order, "?" placeholders). With
// `returnIds`, the statement yields the new rows' ids, one per row; in ascending order they
// belong to the rows in the order given.
QString InsertRowsStatement(const SqlDialect& d, const QString& table, const QStringList& columns,
                            int rows, bool returnIds);
// id and id2 of the questions with these ids.
QString QuestionNumbersQuery(const SqlDialect& d, const QList<qint64>& ids);

}  // namespace qs
