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
// Numbers a group 1, 2, 3 … in id order; the number of its last row (nullopt: no rows).
std::optional<int> RenumberGroup(Connection& c, const QuestionGroup& g);
// The activity log's text for a question added to the server with identity `id`.
QString AddedQuestionLogBody(const Question& q, qint64 id);
// Writes one log row per (question, id) to the server's activity log.
void WriteLogRows(Connection& server, const WriteContext& context,
                  const QVector<std::pair<const Question*, qint64>>& added);
// Two questions the server might take for one (width and letter case aside) share this key.
QString LooseKey(const Question& q);
// For each question, the copy the server holds, a hundred questions per round trip.
QVector<std::optional<ServerCopy>> FindCopies(Connection& server, const QVector<Question>& rows);

}  // namespace qs
