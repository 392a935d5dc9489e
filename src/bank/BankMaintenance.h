#pragma once

#include <QString>
#include <functional>

#include "db/Connection.h"
#include "db/WorkFailure.h"

namespace qs {

// The bank commands' texts, and the count of a bank's questions on the local file and the
// server (the writer deletes and renumbers banks). Progress texts go to `progress` (the
// window shows them as its caption). A database failure throws WorkFailure.
class BankMaintenance {
public:
    using Progress = std::function<void(const QString& caption)>;

    BankMaintenance(Connection& local, Connection& server, Progress progress);

    // "<bank> 本地库有题目:n 服务器有题目:m" (or 暂无题目); names compared exactly.
    QString countQuestions(const QString& bank);

    static QString deletedBankText(const QString& bank, int deleted);
    static QString deletedQuestionsText(const QString& bank, int deleted);
    // No bank is chosen while the combo shows its prompt or nothing.
    static bool bankChosen(const QString& bankText);
    // "<total>)正在处理:【服务器】<bank> 单选题:<n>"
    static QString renumberCaption(qint64 total, Side side, const QString& bank,
                                   const QString& type, int counter);
    // "共重置题目序号:<total>"
    static QString renumberedText(qint64 total);

private:
    Connection& local_;
    Connection& server_;
    Progress progress_;
};

}  // namespace qs
