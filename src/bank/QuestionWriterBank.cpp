// A whole bank: "重置题号顺序", "删除选定题库及题目" and "仅删除选定题库的题目".

#include <QSqlError>
#include <QSqlQuery>

#include "bank/BankMaintenance.h"
#include "bank/EditorQueries.h"
#include "bank/QuestionWriter.h"
#include "bank/StoredRows.h"
#include "db/DbError.h"

namespace qs {

namespace {

// Rows deleted per statement: few round trips, yet the caption moves.
constexpr int kDeleteChunk = 1000;

// The server's transaction under the bank's lock, and the local file's: what each database
// finished stays done when the other one fails.
struct BankTransactions {
    std::unique_ptr<WriteTransaction> server;
    std::unique_ptr<WriteTransaction> local;

    BankTransactions(Connection& s, Connection& l, const QString& bank) {
        try {
            server = BeginLockedBank(s, bank);
        } catch (const DbError& e) {
            throw WorkFailure(Side::Server, e);
        }
        try {
            local = std::make_unique<WriteTransaction>(l);
        } catch (const DbError& e) {
            throw WorkFailure(Side::Local, e);
        }
    }
    // Commits the database that did not fail.
    [[noreturn]] void failed(const WorkFailure& f) {
        try {
            (f.side() == Side::Server ? local : server)->commit();
        } catch (const DbError&) {
            // The first failure is the one the operator is told.
        }
        throw f;
    }
    void commit() {
        try {
            server->commit();
        } catch (const CommitUnknown& e) {
            local->commit();
            throw WorkFailure(Side::Server,
                              DbError(e.number(), QStringLiteral("服务器没有回复，不知道服务器是否"
                                                                 "已经完成（") +
                                                      e.text() + QStringLiteral("）")));
        } catch (const DbError& e) {
            throw WorkFailure(Side::Server, e);
        }
        try {
            local->commit();
        } catch (const DbError& e) {
            throw WorkFailure(Side::Local, e);
        }
    }
};

}  // namespace

qint64 QuestionWriter::renumberType(Connection& c, Side side, const QString& bank,
                                    const QString& type, qint64& total, const Progress& progress) {
    try {
        NumberingChanges changes;
        // Fill-in and application questions keep their answers as written.
        changes.normaliseAnswer = !TakesTextAnswer(type);
        // A true/false answer stored as 正确 or 错误 holds no letter: reducing it
        // to letters would erase a valid answer on every renumbering.
        changes.keepTrueFalseWords = type == QuestionTypes()[2];
        changes.appendSpaceToWhy0 = true;
        const QString condition = BankTypeCondition(c.dialect(), bank, type);
        c.execute(NumberRowsStatement(c.dialect(), condition, changes));
        // Counted, not taken from the update: a server with NOCOUNT on reports no rows.
        const qint64 rows = c.scalar(CountWhere(c.dialect(), condition)).toLongLong();
        if (rows > 0) {
            total += rows;
            if (progress)
                progress(BankMaintenance::renumberCaption(total, side, bank, type,
                                                          int(qMin<qint64>(rows, 32767))));
        }
        return rows;
    } catch (const DbError& e) {
        throw WorkFailure(side, e);
    }
}

qint64 QuestionWriter::renumberBank(const QString& bank, const Progress& progress) {
    openBoth();
    BankTransactions tx(*server_, *local_, bank);
    qint64 total = 0;
    // Each type is renumbered on the server and then on the local file before the next type
    // begins; the running total in the caption follows that order.
    try {
        for (const QString& type : QuestionTypes()) {
            renumberType(*server_, Side::Server, bank, type, total, progress);
            renumberType(*local_, Side::Local, bank, type, total, progress);
        }
    } catch (const WorkFailure& f) {
        tx.failed(f);
    }
    tx.commit();
    return total;
}

int QuestionWriter::deleteOn(Connection& c, Side side, const QString& bank, bool withBankRows,
                             const Progress& progress) {
    try {
        const SqlDialect& d = c.dialect();
        QVector<qint64> ids;
        {
            QSqlQuery q = c.query();
            const QString sql = BankQuestionIdsQuery(d, bank);
            if (!q.exec(sql)) c.raise(q.lastError(), sql);
            while (q.next()) ids << q.value(0).toLongLong();
            if (q.lastError().isValid()) c.raise(q.lastError(), sql);
        }
        const QString total = QStringLiteral("/") + QString::number(ids.size());
        int deleted = 0;
        for (qsizetype start = 0; start < ids.size(); start += kDeleteChunk) {
            const qsizetype end = qMin<qsizetype>(start + kDeleteChunk, ids.size()) - 1;
            c.execute(DeleteBankQuestionsStatement(d, bank, ids[start], ids[end]));
            // The rows walked, not the driver's affected-row count (none under NOCOUNT).
            deleted += int(end - start + 1);
            if (progress) progress(QString::number(deleted) + total);
        }
        if (withBankRows) c.execute(DeleteBankRowsStatement(d, bank));
        return deleted;
    } catch (const DbError& e) {
        throw WorkFailure(side, e);
    }
}

int QuestionWriter::deleteBank(const QString& bank, bool withBankRows, const Progress& progress) {
    openBoth();
    BankTransactions tx(*server_, *local_, bank);
    int deleted = 0;
    try {
        deleteOn(*local_, Side::Local, bank, withBankRows, progress);
        deleted = deleteOn(*server_, Side::Server, bank, withBankRows, progress);
    } catch (const WorkFailure& f) {
        tx.failed(f);
    }
    tx.commit();
    return deleted;
}

}  // namespace qs
