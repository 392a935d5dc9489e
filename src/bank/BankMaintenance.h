#pragma once

#include <QString>
#include <functional>

#include "bank/WorkFailure.h"
#include "db/Connection.h"

namespace qs {

// Deletes and counts the questions of one bank on the local file and the
// server. Progress texts go to `progress` (the window shows them as its
// caption). A database failure throws WorkFailure; what was deleted before it
// stays deleted.
class BankMaintenance {
public:
    using Progress = std::function<void(const QString& caption)>;

    BankMaintenance(Connection& local, Connection& server, Progress progress);

    // The bank's questions, local file first; returns how many the server lost.
    int deleteQuestions(const QString& bank);
    // The questions and the bank rows, local file first; the server's count.
    int deleteBankAndQuestions(const QString& bank);
    // "<bank> 本地库有题目:n 服务器有题目:m" (or 暂无题目); names compared exactly.
    QString countQuestions(const QString& bank);

    static QString deletedBankText(const QString& bank, int deleted);
    static QString deletedQuestionsText(const QString& bank, int deleted);
    // No bank is chosen while the combo shows its prompt or nothing.
    static bool bankChosen(const QString& bankText);

private:
    int deleteQuestionsOn(Connection& c, Side side, const QString& bank);
    void deleteBankRowsOn(Connection& c, Side side, const QString& bank);

    Connection& local_;
    Connection& server_;
    Progress progress_;
};

}  // namespace qs
