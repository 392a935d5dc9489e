#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <functional>
#include <memory>

#include "db/ConnectionThread.h"
#include "db/ServerSettings.h"
#include "login/LoginState.h"
#include "platform/Platform.h"
#include "sync/ReplicationPass.h"
#include "sync/SyncQueries.h"

namespace Ui {
class Form19;
}

namespace qs {

class Connection;

// The synchronisation window: copies users, banks, questions and purchase
// records between the server in Combo1 (left) and the one in Combo2 (right).
// Every button runs its passes to the end; the caption and a progress bar show
// how far it got, and "停止" ends it between batches.
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

    bool isRunning() const { return running_; }

private slots:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click();
    void Check1_Click(bool checked);

private:
    using Work = std::function<void(Connection& left, Connection& right)>;
    // Opens the two servers, runs `work`, and reports a failure in a message
    // box (`writes`: whether the work writes, which the report then says).
    void runHandler(const Work& work, bool writes = true);
    // Runs a pass; the caption follows its titles. Question passes keep
    // fallbackThreshold when Text1 stops holding an integer mid-run.
    PassResult runPass(Connection& source, Connection& target, const PassPlan& plan,
                       int fallbackThreshold = 0);
    // The name a pass is remembered by when it ends early: button and servers.
    QString passKey(const PassPlan& plan) const;
    // Sets a pass up as the window runs it: titles, progress, stop button, stop rule.
    void preparePass(ReplicationPass& pass, const PassPlan& plan, int* sameRun,
                     int fallbackThreshold);
    void runQuestionPass(const PassPlan& plan, bool fromLeft);
    void runBankOrPurchasePass(const PassPlan& plan, bool fromLeft, bool showResult);
    void showProgress(const QString& title);
    // Repaints the window and takes the stop button's click, at most every
    // few tens of milliseconds.
    void keepPainted();
    // The stop threshold in Text1, or a message and false when it is no integer.
    bool readThreshold(int* value);

    std::unique_ptr<Ui::Form19> ui;
    LoginState& login_;
    Platform& platform_;
    QString programFolder_;
    bool running_ = false;
    bool stopRequested_ = false;
    QElapsedTimer painted_;
    int walked_ = 0, toWalk_ = 0;
    SpareConnections* spares_ = nullptr;  // while a handler runs
};

}  // namespace qs
