#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "db/ConnectionThread.h"
#include "db/ServerSettings.h"
#include "login/LoginState.h"
#include "platform/Platform.h"
#include "sync/ReplicationPass.h"
#include "sync/SyncQueries.h"
#include "widgets/DatabaseWorker.h"

namespace Ui {
class Form19;
}

namespace qs {

class Connection;

// The synchronisation window: copies users, banks, questions and purchase
// records between the server in Combo1 (left) and the one in Combo2 (right).
// Every button runs its passes to the end on the database thread; meanwhile
// the window answers, its caption and progress bar show how far the passes
// got, "停止" ends them between batches, and other input is held.
class Form19 : public QDialog {
    Q_OBJECT

public:
    Form19(LoginState& login, Platform& platform, const ServerSettings& settings,
           QWidget* parent = nullptr);
    // programFolder: where passes that ended early are remembered across runs
    // of the program (empty: for the life of the process).
    Form19(LoginState& login, Platform& platform, const QString& programFolder,
           const ServerSettings& settings, QWidget* parent = nullptr);
    ~Form19() override;

    // Consecutive source questions the current question pass found present.
    int sametimu = 0;

    // How much a pass handles per batch.
    PassLimits limits;

    bool isRunning() const { return worker_.running(); }

private slots:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command10_Click();
    void Check1_Click(bool checked);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // A handler's run on the database thread: the two servers as the lists
    // named them when it began, the threshold Text1 held then (input is held
    // while it runs, so neither changes), and the way back to the window.
    struct Run {
        Run(WorkerContext& c, QString leftAt, QString rightAt, Connection& l, Connection& r,
            int stopAfter)
            : context(c),
              leftEndpoint(std::move(leftAt)),
              rightEndpoint(std::move(rightAt)),
              left(l),
              right(r),
              threshold(stopAfter) {}
        WorkerContext& context;
        QString leftEndpoint, rightEndpoint;
        Connection& left;
        Connection& right;
        int threshold = 0;
        QString title;  // the last one a pass wrote
        int walked = 0, toWalk = 0;
        SpareConnections* spares = nullptr;  // the pass's reading connections
    };
    using Work = std::function<void(Run& run)>;
    // Runs `work` on the database thread with the two servers' kept
    // connections, the window answering meanwhile, and reports a failure in a
    // message box (`writes`: whether the work writes, which the report then says).
    void runHandler(const Work& work, bool writes = true, int threshold = 0);
    // On the database thread: runs a pass; the caption follows its titles.
    PassResult runPass(Run& run, bool fromLeft, const PassPlan& plan);
    // The name a pass is remembered by when it ends early: button and servers.
    static QString passKey(const Run& run, const PassPlan& plan);
    // Sets a pass up as the window runs it: titles, progress, stop button, stop rule.
    void preparePass(Run& run, ReplicationPass& pass, const PassPlan& plan, int* sameRun);
    void runQuestionPass(const PassPlan& plan, bool fromLeft);
    void runBankOrPurchasePass(const PassPlan& plan, bool fromLeft, bool showResult);
    // On the window's thread: a pass's title and how far it walked.
    void showProgress(const QString& title, int walked, int toWalk);
    // The stop threshold in Text1, or a message and false when it is no integer.
    bool readThreshold(int* value);

    std::unique_ptr<Ui::Form19> ui;
    LoginState& login_;
    Platform& platform_;
    QString programFolder_;
    DatabaseWorker worker_;
    // The passes' reading and look-ahead connections, kept between runs (used
    // by the jobs on the database thread only).
    SpareConnections spares_;
};

}  // namespace qs
