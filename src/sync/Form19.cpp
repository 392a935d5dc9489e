#include "sync/Form19.h"

#include <QCoreApplication>
#include <QEvent>

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Endpoints.h"
#include "sync/ReplicationPass.h"
#include "sync/SyncPasses.h"
#include "sync/UnfinishedPasses.h"
#include "ui_Form19.h"

namespace qs {

namespace {

// Progress repaints at most this often, so painting never slows a pass down.
constexpr int kPaintIntervalMs = 50;

// While a handler runs the window takes no input but the stop button's: other
// clicks and keys aimed at it are dropped, including those that arrived
// during the run and are still queued when it ends.
class InputBlocker : public QObject {
public:
    InputBlocker(QWidget* window, QWidget* allowed) : window_(window), allowed_(allowed) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputBlocker() override {
        QCoreApplication::processEvents();
        QCoreApplication::instance()->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Wheel: {
                auto* w = qobject_cast<QWidget*>(watched);
                if (w && w->window() == window_ && w != allowed_) return true;
                break;
            }
            case QEvent::Close:
                // The window stays open until its handler ends.
                if (watched == window_) {
                    event->ignore();
                    return true;
                }
                break;
            default:
                break;
        }
        return false;
    }

private:
    QWidget* window_;
    QWidget* allowed_;
};

}  // namespace

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
    connect(ui->Command9, &QPushButton::clicked, this, &Form19::Command9_Click);
    connect(ui->Command10, &QPushButton::clicked, this, &Form19::Command10_Click);
    connect(ui->Check1, &QCheckBox::toggled, this, &Form19::Check1_Click);
}

Form19::~Form19() = default;

void Form19::Check1_Click(bool checked) {
    if (checked) sametimu = 0;
}

QString Form19::passKey(const PassPlan& plan) const {
    return plan.progressText + QLatin1Char('|') + ui->Combo1->currentText() + QLatin1Char('|') +
           ui->Combo2->currentText();
}

void Form19::Command9_Click() {
    if (running_) stopRequested_ = true;
}

void Form19::showProgress(const QString& title) {
    setWindowTitle(title);
    keepPainted();
}

void Form19::keepPainted() {
    if (!painted_.isValid() || painted_.elapsed() >= kPaintIntervalMs) {
        ui->ProgressBar1->setRange(0, qMax(1, toWalk_));
        ui->ProgressBar1->setValue(qMin(walked_, qMax(1, toWalk_)));
        // User input too, for the stop button; the blocker drops the rest.
        QCoreApplication::processEvents();
        painted_.restart();
    }
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

void Form19::runHandler(const Work& work, bool writes) {
    if (running_) return;
    running_ = true;
    stopRequested_ = false;
    walked_ = toWalk_ = 0;
    ui->ProgressBar1->setValue(0);
    ui->Command9->setEnabled(true);
    QString failure;
    {
        InputBlocker blocker(this, ui->Command9);
        painted_.invalidate();
        // Read once per run: editing a list only affects the next run.
        const QString leftEndpoint = ui->Combo1->currentText();
        const QString rightEndpoint = ui->Combo2->currentText();
        try {
            Connection left;
            left.open(ServerConnectionString(leftEndpoint), 30, ado::adUseServer);
            Connection right;
            right.open(ServerConnectionString(rightEndpoint), 30, ado::adUseServer);
            work(left, right);
        } catch (const DbError& e) {
            failure =
                !writes
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
    }
    ui->Command9->setEnabled(false);
    running_ = false;
    if (!failure.isEmpty()) platform_.message(this, failure);
}

PassResult Form19::runPass(Connection& source, Connection& target, const PassPlan& plan,
                           int fallbackThreshold) {
    const QString key = passKey(plan);
    ReplicationPass pass(source, target, plan);
    preparePass(pass, plan, &sametimu, fallbackThreshold);
    // Marked before the first row is written, so that whatever ends the pass
    // early (a failure, the stop button, the program killed) leaves the mark.
    UnfinishedPasses unfinished(programFolder_);
    unfinished.mark(key);
    const PassResult result = pass.run();
    // A pass the stop rule ended while rows are missing (or not counted) is
    // finished by its next run, which the mark frees of the stop rule.
    if (!result.interrupted && (!result.stopped || result.missing == 0)) unfinished.clear(key);
    ui->ProgressBar1->setRange(0, qMax(1, result.total));
    ui->ProgressBar1->setValue(result.interrupted ? result.processed : qMax(1, result.total));
    return result;
}

void Form19::preparePass(ReplicationPass& pass, const PassPlan& plan, int* sameRun,
                         int fallbackThreshold) {
    pass.setLimits(limits);
    pass.setProgress([this](const QString& title) { showProgress(title); });
    pass.setWalked([this](int walked, int total) {
        walked_ = walked;
        toWalk_ = total;
    });
    pass.setStopRequest([this] { return stopRequested_; });
    pass.setHeartbeat([this] { keepPainted(); });
    if (plan.questionPass) {
        // The threshold is read afresh after every row; a text that stopped
        // being an integer keeps the one the run started with.
        pass.setStopRule(
            sameRun,
            [this, fallbackThreshold] {
                bool ok = false;
                const int v = ui->Text1->text().trimmed().toInt(&ok);
                return ok ? v : fallbackThreshold;
            },
            UnfinishedPasses(programFolder_).contains(passKey(plan)));
    }
}

void Form19::runQuestionPass(const PassPlan& plan, bool fromLeft) {
    int threshold = 0;
    if (running_ || !readThreshold(&threshold)) return;
    sametimu = 0;
    runHandler([&](Connection& left, Connection& right) {
        if (fromLeft)
            runPass(left, right, plan, threshold);
        else
            runPass(right, left, plan, threshold);
    });
}

void Form19::runBankOrPurchasePass(const PassPlan& plan, bool fromLeft, bool showResult) {
    bool done = false;
    runHandler([&](Connection& left, Connection& right) {
        const PassResult r = fromLeft ? runPass(left, right, plan) : runPass(right, left, plan);
        done = !r.interrupted;
    });
    if (done && showResult) platform_.message(this, windowTitle());
}

void Form19::Command1_Click() {
    bool done = false;
    runHandler([&](Connection& left, Connection& right) {
        int created = 0;
        int overwritten = 0;
        const struct {
            bool fromLeft;
            PassPlan plan;
            int* total;
        } phases[] = {{true, UserCreatePass(SyncDirection::Right), &created},
                      {false, UserCreatePass(SyncDirection::Left), &created},
                      {true, UserOverwritePass(SyncDirection::Right), &overwritten},
                      {false, UserOverwritePass(SyncDirection::Left), &overwritten}};
        for (const auto& p : phases) {
            const PassResult r =
                p.fromLeft ? runPass(left, right, p.plan) : runPass(right, left, p.plan);
            if (r.interrupted) return;
            *p.total += r.count;
        }
        setWindowTitle(UserFinalTitle(created, overwritten));
        done = true;
    });
    if (done) platform_.message(this, windowTitle());
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
