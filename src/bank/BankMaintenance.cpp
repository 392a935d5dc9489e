#include "bank/BankMaintenance.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVector>

#include "bank/EditorQueries.h"

namespace qs {

namespace {

// Rows deleted per statement: few round trips, yet the caption moves.
constexpr int kDeleteChunk = 1000;

}  // namespace

BankMaintenance::BankMaintenance(Connection& local, Connection& server, Progress progress)
    : local_(local), server_(server), progress_(std::move(progress)) {}

bool BankMaintenance::bankChosen(const QString& bankText) {
    return !bankText.isEmpty() && !bankText.contains(QStringLiteral("选择"));
}

QString BankMaintenance::deletedBankText(const QString& bank, int deleted) {
    return QStringLiteral("题库【") + bank + QStringLiteral("】及所有题目删除成功，共") +
           QString::number(deleted);
}

QString BankMaintenance::deletedQuestionsText(const QString& bank, int deleted) {
    return QStringLiteral("题库【") + bank + QStringLiteral("】所有题目删除成功，共") +
           QString::number(deleted);
}

int BankMaintenance::deleteQuestionsOn(Connection& c, Side side, const QString& bank) {
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
            if (progress_) progress_(QString::number(deleted) + total);
        }
        return deleted;
    } catch (const DbError& e) {
        throw WorkFailure(side, e);
    }
}

void BankMaintenance::deleteBankRowsOn(Connection& c, Side side, const QString& bank) {
    try {
        c.execute(DeleteBankRowsStatement(c.dialect(), bank));
    } catch (const DbError& e) {
        throw WorkFailure(side, e);
    }
}

int BankMaintenance::deleteQuestions(const QString& bank) {
    deleteQuestionsOn(local_, Side::Local, bank);
    return deleteQuestionsOn(server_, Side::Server, bank);
}

int BankMaintenance::deleteBankAndQuestions(const QString& bank) {
    deleteQuestionsOn(local_, Side::Local, bank);
    deleteBankRowsOn(local_, Side::Local, bank);
    const int deleted = deleteQuestionsOn(server_, Side::Server, bank);
    deleteBankRowsOn(server_, Side::Server, bank);
    return deleted;
}

QString BankMaintenance::countQuestions(const QString& bank) {
    auto count = [&](Connection& c, Side side) {
        try {
            return c.scalar(CountBankQuestionsStatement(c.dialect(), bank)).toLongLong();
        } catch (const DbError& e) {
            throw WorkFailure(side, e);
        }
    };
    const qint64 local = count(local_, Side::Local);
    QString text = bank + (local == 0 ? QStringLiteral(" 本地库暂无题目")
                                      : QStringLiteral(" 本地库有题目:") + QString::number(local));
    if (progress_) progress_(text);
    const qint64 server = count(server_, Side::Server);
    text += server == 0 ? QStringLiteral(" 服务器暂无题目")
                        : QStringLiteral(" 服务器有题目:") + QString::number(server);
    if (progress_) progress_(text);
    return text;
}

}  // namespace qs
