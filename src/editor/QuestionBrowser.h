#pragma once

#include <QStringList>
#include <QWidget>
#include <memory>

#include "bank/QuestionWriter.h"
#include "db/ServerSettings.h"
#include "login/LoginState.h"
#include "platform/Platform.h"
#include "widgets/DatabaseWorker.h"

class QModelIndex;

namespace Ui {
class QuestionBrowser;
}

namespace qs {

class QuestionTable;

// "题目管理": the questions of one bank on the server in a table, filtered by
// type and by a text, sortable by any column. A double click opens the
// question in a question window; several questions can be deleted at once.
// Anyone may look; only administrators change other people's questions.
class QuestionBrowser : public QWidget {
    Q_OBJECT
public:
    QuestionBrowser(LoginState& login, Platform& platform, const QString& programFolder,
                    const ServerSettings& settings, const QString& endpoint,
                    const QStringList& banks, const QString& bank, QWidget* parent = nullptr);
    ~QuestionBrowser() override;

    QuestionTable& table() const { return *table_; }

    // Asks, then deletes the questions from both databases and renumbers
    // their groups; says what happened (done: they were deleted).
    static EditResult deleteQuestions(Platform& platform, QWidget* owner, const WriteContext& place,
                                      const QString& bank, const QVector<qint64>& ids,
                                      const QString& onlyAdder);

private slots:
    void Command1_Click();
    void Combo1_Click();
    void Combo2_Click();
    void Grid1_DblClick(const QModelIndex& index);
    void Command2_Click();
    void Command3_Click();
    void table_PageWanted(int listing, int page, const QVector<qint64>& ids);

private:
    void openQuestion(int row);
    void listFailed(const WorkFailure& failure);
    // Tells the operator what became of a deletion the server did not answer.
    void settlePending();
    void showCount();

    std::unique_ptr<Ui::QuestionBrowser> ui_;
    LoginState& login_;
    Platform& platform_;
    QString programFolder_;
    ServerSettings settings_;
    QString endpoint_;
    QuestionTable* table_;
    DatabaseWorker worker_;
    // A deletion whose outcome on the server was not known, checked before the next listing.
    PendingCheck pending_;
};

}  // namespace qs
