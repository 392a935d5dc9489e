#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <optional>

#include "bank/Submission.h"
#include "db/Connection.h"

namespace qs {

// What became of one question of a batch.
struct BatchRowResult {
    enum class Status { NotRun, Added, Duplicate, Failed };
    Status status = Status::NotRun;
    QString reason;        // why it failed
    QString duplicateId2;  // id2 of the copy the server already holds
    qint64 duplicateId = 0;
    qint64 serverId = 0;
    qint64 localId = 0;
    std::optional<int> number;  // the server's id2 after the numbering
};

struct BatchOutcome {
    QVector<BatchRowResult> rows;
    bool stopped = false;
    QString logError;            // the log rows that could not be written, and why
    QStringList renumberErrors;  // numbering passes that failed
};

// Adds many questions to the server and the local file as the editor's submit adds one: the
// same columns, the duplicate refusal on the server, a log row per question added, and id2
// numbered per bank and type, so the numbers are those the questions would get submitted one
// by one in order. The work goes in batches of a hundred questions, a few statements each; a
// stop is honoured between batches and what was written stays written.
class BatchSubmission {
public:
    static constexpr int kBatchRows = 100;
    // Called after each batch with the questions done so far; false stops the run.
    using Progress = std::function<bool(int done, int total)>;

    BatchSubmission(QString endpoint, QString programFolder);

    // The editor's refusal of a question ("题库不能为空" …), empty when it may be submitted.
    static QString Refusal(const QuestionInput& in);
    // The input as the submit stores it: question and option texts normalised.
    static QuestionInput Normalised(QuestionInput in);
    // The copy of a question the server already holds: the one added first.
    struct ServerCopy {
        qint64 id = 0;
        QString id2;
    };
    // For each (normalised) question, its copy on the server, looked up with the submit's own
    // duplicate query, a hundred questions per round trip.
    static QVector<std::optional<ServerCopy>> FindOnServer(Connection& server,
                                                           const QVector<QuestionInput>& rows);

    BatchOutcome run(const QVector<QuestionInput>& rows, const Progress& progress = {});

    // "批量导入完成：添加 3 道，重复跳过 1 道，失败 1 道" and a line per failure, named by
    // `numbers` (the paper's question numbers).
    static QString SummaryText(const BatchOutcome& outcome, const QVector<int>& numbers);

private:
    QList<qint64> insertRows(Connection& c, const QString& table, const QStringList& columns,
                             const QVector<QVector<QVariant>>& rows, bool returnIds);
    void addBatch(const QVector<QuestionInput>& rows, const QVector<int>& batch, BatchOutcome& out,
                  bool& serverDown);
    void renumber(Connection& c, const QString& bank, const QString& type, const QString& side,
                  BatchOutcome& out);

    QString endpoint_;
    QString programFolder_;
    Connection server_;
    Connection local_;
};

}  // namespace qs
