#include "sync/Form19.h"

#include <QCoreApplication>
#include <QEvent>

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Endpoints.h"
#include "sync/ReplicationPass.h"
#include "sync/SyncPasses.h"
#include "ui_Form19.h"

namespace qs {

namespace {

// Progress repaints at most this often, so painting never slows a pass down.
constexpr int kPaintIntervalMs = 50;

// While a handler runs the window takes no input: clicks and keys aimed at it
// are dropped, including those that arrived during the run and are still
// queued when it ends.
class InputBlocker : public QObject {
public:
    explicit InputBlocker(QWidget* window) : window_(window) {
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
                if (w && w->window() == window_) return true;
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
};

}  // namespace

Form19::Form19(LoginState& login, Platform& platform, const ServerSettings& settings,
               QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::Form19>()), login_(login), platform_(platform) {
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
    connect(ui->Check1, &QCheckBox::toggled, this, &Form19::Check1_Click);
}

Form19::~Form19() = default;

void Form19::Check1_Click(bool checked) {
    if (checked) sametimu = 0;
}

void Form19::showProgress(const QString& title) {
    setWindowTitle(title);
    if (!painted_.isValid() || painted_.elapsed() >= kPaintIntervalMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
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

void Form19::runHandler(const Work& work) {
    if (running_) return;
    running_ = true;
    QString failure;
    {
        InputBlocker blocker(this);
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
                QStringLiteral("同步出错，已中止(错误 %1)：%2\n已经写入的数据保留，可以重新同步。")
                    .arg(e.number())
                    .arg(e.text());
        }
    }
    running_ = false;
    if (!failure.isEmpty()) platform_.message(this, failure);
}

void Form19::runPass(Connection& source, Connection& target, const PassPlan& plan,
                     int fallbackThreshold) {
    ReplicationPass pass(source, target, plan);
    pass.setProgress([this](const QString& title) { showProgress(title); });
    if (plan.questionPass) {
        // The threshold is read afresh after every lookup; a text that stopped
        // being an integer keeps the one the run started with.
        pass.setStopRule(&sametimu, [this, fallbackThreshold] {
            bool ok = false;
            const int v = ui->Text1->text().trimmed().toInt(&ok);
            return ok ? v : fallbackThreshold;
        });
    }
    pass.run();
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
        if (fromLeft)
            runPass(left, right, plan);
        else
            runPass(right, left, plan);
        done = true;
    });
    if (done && showResult) platform_.message(this, windowTitle());
}

void Form19::Command1_Click() {
    bool done = false;
    runHandler([&](Connection& left, Connection& right) {
        int created = 0;
        int overwritten = 0;
        auto phase = [&](Connection& source, Connection& target, const PassPlan& plan) {
            ReplicationPass pass(source, target, plan);
            pass.setProgress([this](const QString& title) { showProgress(title); });
            return pass.run().count;
        };
        created += phase(left, right, UserCreatePass(SyncDirection::Right));
        created += phase(right, left, UserCreatePass(SyncDirection::Left));
        overwritten += phase(left, right, UserOverwritePass(SyncDirection::Right));
        overwritten += phase(right, left, UserOverwritePass(SyncDirection::Left));
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
