#include "sync/Form19.h"

#include <QCloseEvent>

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Endpoints.h"
#include "db/WorkFailure.h"
#include "sync/ReplicationPass.h"
#include "sync/SyncPasses.h"
#include "sync/UnfinishedPasses.h"
#include "ui_Form19.h"

namespace qs {

Form19::Form19(LoginState& login, Platform& platform, const ServerSettings& settings,
               QWidget* parent)
    : Form19(login, platform, QString(), settings, parent) {}

Form19::Form19(LoginState& login, Platform& platform, const QString& programFolder,
               const ServerSettings& settings, QWidget* parent)
    : QDialog(parent),
      ui(std::make_unique<Ui::Form19>()),
      login_(login),
      platform_(platform),
      programFolder_(programFolder) {
    ui->setupUi(this);
    ui->Combo1->addItems(settings.syncEndpoints);
    ui->Combo2->addItems(settings.syncEndpoints);
    if (settings.syncEndpoints.size() > 2) ui->Combo2->setCurrentIndex(2);
    ui->Combo1->setCurrentIndex(-1);
    ui->Combo1->setEditText(login_.ser1);

    connect(ui->Command1, &QPushButton::clicked, this, &Form19::Command1_Click);
    connect(ui->Command2, &QPushButton::clicked, this, &Form19::Command2_Click);
    connect(ui->Command3, &QPushButton::clicked, this, &Form19::Command3_Click);
    connect(ui->Command4, &QPushButton::clicked, this, &Form19::Command4_Click);
    connect(ui->Command5, &QPushButton::clicked, this, &Form19::Command5_Click);
    connect(ui->Command6, &QPushButton::clicked, this, &Form19::Command6_Click);
    connect(ui->Command7, &QPushButton::clicked, this, &Form19::Command7_Click);
    connect(ui->Command8, &QPushButton::clicked, this, &Form19::Command8_Click);
    connect(ui->Command10, &QPushButton::clicked, this, &Form19::Command10_Click);
    connect(ui->Check1, &QCheckBox::toggled, this, &Form19::Check1_Click);
}

Form19::~Form19() = default;

void Form19::Check1_Click(bool checked) {
    if (checked) sametimu = 0;
}

void Form19::closeEvent(QCloseEvent* event) {
    // The window stays open until its handler ends.
    if (worker_.running())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

QString Form19::passKey(const Run& run, const PassPlan& plan) {
    return plan.progressText + QLatin1Char('|') + run.leftEndpoint + QLatin1Char('|') +
           run.rightEndpoint;
}

void Form19::showProgress(const QString& title, int walked, int toWalk) {
    if (!title.isEmpty()) setWindowTitle(title);
    ui->ProgressBar1->setRange(0, qMax(1, toWalk));
    ui->ProgressBar1->setValue(qMin(walked, qMax(1, toWalk)));
}

bool Form19::readThreshold(int* value) {
    bool ok = false;
    const int v = ui->Text1->text().trimmed().toInt(&ok);
    if (!ok) {
        platform_.message(this,
                          QStringLiteral("自动停止的题目数必须是整数，现在是“%1”。请改正后再同步。")
                              .arg(ui->Text1->text()));
        return false;
    }
    *value = v;
    return true;
}

void Form19::runHandler(const Work& work, bool writes, int threshold) {
    if (worker_.running()) return;
    ui->ProgressBar1->setValue(0);
    // Read once per run: editing a list only affects the next run.
    const QString leftEndpoint = ui->Combo1->currentText();
    const QString rightEndpoint = ui->Combo2->currentText();
    QString failure;
    try {
        worker_.run(
            [&](WorkerContext& c) {
                // A network server is read (and a PostgreSQL one looked ahead on) by
                // connections of threads of their own, kept between runs: checked (or
                // opened) while the window's own connections get ready.
                const bool keepLinks = DbEnvironment::current().serverBackend != Backend::Sqlite;
                if (keepLinks)
                    for (const QString& at : {leftEndpoint, rightEndpoint})
                        spares_.prepare(ServerConnectionString(at), kServerTimeoutSeconds);
                const auto open = [&c](const QString& at) -> Connection& {
                    try {
                        return c.server(at);
                    } catch (const WorkFailure& f) {
                        throw f.error();
                    }
                };
                Connection& left = open(leftEndpoint);
                Connection& right = open(rightEndpoint);
                Run run{c, leftEndpoint, rightEndpoint, left, right, threshold};
                // On the embedded server a pass opens its reading link itself.
                run.spares = keepLinks ? &spares_ : nullptr;
                work(run);
            },
            {.stop = ui->Command9,
             .progress = [this](const QString& title, int walked,
                                int toWalk) { showProgress(title, walked, toWalk); },
             .everyCaption = true});
    } catch (const DbError& e) {
        failure = !writes
                      ? QStringLiteral("比对出错，已中止(错误 %1)：%2\n没有写入任何数据。")
                            .arg(e.number())
                            .arg(e.text())
                      : QStringLiteral(
                            "同步出错，已中止(错误 %1)：%2\n已经写入的数据保留。再次点击同一按钮会"
                            "从头核对全部数据，只补齐缺少的，不会重复创建，也不会因为连续相同而"
                            "自动中止。")
                            .arg(e.number())
                            .arg(e.text());
    }
    if (!failure.isEmpty()) platform_.message(this, failure);
}

PassResult Form19::runPass(Run& run, bool fromLeft, const PassPlan& plan) {
    const QString key = passKey(run, plan);
    ReplicationPass pass(fromLeft ? run.left : run.right, fromLeft ? run.right : run.left, plan);
    preparePass(run, pass, plan, &sametimu);
    // Marked before the first row is written, so that whatever ends the pass
    // early (a failure, the stop button, the program killed) leaves the mark.
    UnfinishedPasses unfinished(programFolder_);
    unfinished.mark(key);
    const PassResult result = pass.run();
    // A pass the stop rule ended while rows are missing (or not counted) is
    // finished by its next run, which the mark frees of the stop rule.
    if (!result.interrupted && (!result.stopped || result.missing == 0)) unfinished.clear(key);
    const int toWalk = qMax(1, result.total);
    run.context.progress(run.title, result.interrupted ? result.processed : toWalk, toWalk);
    return result;
}

void Form19::preparePass(Run& run, ReplicationPass& pass, const PassPlan& plan, int* sameRun) {
    pass.setLimits(limits);
    pass.setSpareConnections(run.spares);
    // The callbacks come on the database thread; the window takes every
    // title, and the latest count, at its own pace.
    pass.setProgress([&run](const QString& title) {
        run.title = title;
        run.context.progress(title, run.walked, run.toWalk);
    });
    pass.setWalked([&run](int walked, int toWalk) {
        run.walked = walked;
        run.toWalk = toWalk;
        run.context.progress(run.title, walked, toWalk);
    });
    // Asked between batches, once the window has shown the titles before: a
    // click on 停止 at a row's title ends the pass at the next batch.
    pass.setStopRequest([this, &run] {
        bool stop = false;
        QMetaObject::invokeMethod(
            this, [&run] { return run.context.stopRequested(); }, Qt::BlockingQueuedConnection,
            &stop);
        return stop;
    });
    if (plan.questionPass)
        pass.setStopRule(
            sameRun, [threshold = run.threshold] { return threshold; },
            UnfinishedPasses(programFolder_).contains(passKey(run, plan)));
}

void Form19::runQuestionPass(const PassPlan& plan, bool fromLeft) {
    int threshold = 0;
    if (worker_.running() || !readThreshold(&threshold)) return;
    sametimu = 0;
    runHandler([&](Run& run) { runPass(run, fromLeft, plan); }, true, threshold);
}

void Form19::runBankOrPurchasePass(const PassPlan& plan, bool fromLeft, bool showResult) {
    bool done = false;
    runHandler([&](Run& run) { done = !runPass(run, fromLeft, plan).interrupted; });
    if (done && showResult) platform_.message(this, windowTitle());
}

void Form19::Command1_Click() {
    bool done = false;
    int created = 0;
    int overwritten = 0;
    runHandler([&](Run& run) {
        const struct {
            bool fromLeft;
            PassPlan plan;
            int* total;
        } phases[] = {{true, UserCreatePass(SyncDirection::Right), &created},
                      {false, UserCreatePass(SyncDirection::Left), &created},
                      {true, UserOverwritePass(SyncDirection::Right), &overwritten},
                      {false, UserOverwritePass(SyncDirection::Left), &overwritten}};
        for (const auto& p : phases) {
            const PassResult r = runPass(run, p.fromLeft, p.plan);
            if (r.interrupted) return;
            *p.total += r.count;
        }
        done = true;
    });
    if (!done) return;
    setWindowTitle(UserFinalTitle(created, overwritten));
    platform_.message(this, windowTitle());
}

void Form19::Command2_Click() {
    runBankOrPurchasePass(BankListPass(SyncDirection::Right), true, true);
}

void Form19::Command3_Click() {
    runBankOrPurchasePass(BankListPass(SyncDirection::Left), false, false);
}

void Form19::Command4_Click() {
    runQuestionPass(QuestionPass(SyncDirection::Right), true);
}

void Form19::Command5_Click() {
    runQuestionPass(QuestionPass(SyncDirection::Left), false);
}

void Form19::Command6_Click() {
    runBankOrPurchasePass(PurchasePass(SyncDirection::Left), false, false);
}

void Form19::Command7_Click() {
    runBankOrPurchasePass(PurchasePass(SyncDirection::Right), true, false);
}

void Form19::Command8_Click() {
    runQuestionPass(BankNamePass(), true);
}

}  // namespace qs
