#include "bank/BankMaintenance.h"

#include "bank/EditorQueries.h"
#include "db/DbError.h"

namespace qs {

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

QString BankMaintenance::renumberCaption(qint64 total, Side side, const QString& bank,
                                         const QString& type, int counter) {
    return QString::number(total) + QStringLiteral(")正在处理:【") + SideName(side) +
           QStringLiteral("】") + bank + QLatin1Char(' ') + type + QLatin1Char(':') +
           QString::number(counter);
}

QString BankMaintenance::renumberedText(qint64 total) {
    return QStringLiteral("共重置题目序号:") + QString::number(total);
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
