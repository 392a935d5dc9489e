// "提交": the question in the window, checked, added to the server and the local file.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include "bank/BankMaintenance.h"
#include "bank/Renumbering.h"
#include "bank/Submission.h"
#include "bank/WorkFailure.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Endpoints.h"
#include "editor/Form11.h"
#include "ui_Form11.h"
#include "widgets/WindowColours.h"

namespace qs {

namespace {

const QString kAny = QStringLiteral("任意");
// How often a long command lets the window repaint its caption.
constexpr qint64 kPaintIntervalMs = 50;
constexpr quint32 kLightBlue = 0xFFC0C0;
constexpr quint32 kBlue = 0xFF0000;

}  // namespace

bool Form11::questionComplete() {
    if (ui_->Combo1->currentText().isEmpty()) {
        platform_.message(this, QStringLiteral("题库不能为空"));
        return false;
    }
    if (ui_->timu->text().isEmpty()) {
        platform_.message(this, QStringLiteral("题目不能为空"));
        return false;
    }
    if (ui_->answer->text().isEmpty()) {
        platform_.message(this, QStringLiteral("答案不能为空"));
        return false;
    }
    if (ui_->SA->text().isEmpty()) {
        if (platform_.message(this,
                              QStringLiteral("选项A不能为空，是否全部设置成“如图..”的样子？"
                                             "不清楚就默认点【是】"),
                              QStringLiteral("选项为空值，是否自动设置成如图.."),
                              Buttons::YesNo) != Answer::Yes)
            return false;
        Label23_Click();
    }
    if (!ui_->Check4->isChecked() && !ui_->Check5->isChecked() && ui_->SB->text().isEmpty()) {
        platform_.message(this, QStringLiteral("选项B不能为空"));
        return false;
    }
    return true;
}

bool Form11::readQuestion(QuestionInput& full) {
    // Pictures: only ticked ones with a path; the question's path is
    // rewritten first and shown as it is looked up.
    const struct {
        QCheckBox* check;
        QLineEdit* path;
    } pictures[kPictureSlots] = {{ui_->timu1, ui_->timu2}, {ui_->AJPG1, ui_->AJPG2},
                                 {ui_->BJPG1, ui_->BJPG2}, {ui_->CJPG1, ui_->CJPG2},
                                 {ui_->DJPG1, ui_->DJPG2}, {ui_->EJPG1, ui_->EJPG2},
                                 {ui_->FJPG1, ui_->FJPG2}, {ui_->why1, ui_->why2}};
    for (int slot = 0; slot < kPictureSlots; ++slot) {
        const auto& p = pictures[slot];
        if (!p.check->isChecked() || p.path->text().isEmpty()) continue;
        if (slot == kQuestionPicture) p.path->setText(QuestionPicturePath(p.path->text()));
        full.picturePaths[size_t(slot)] = p.path->text();
        // A ticked picture whose file is gone would be stored without it while
        // the operator believes it is there: stop before anything is written.
        if (!QFileInfo(p.path->text()).isReadable()) {
            platform_.message(this,
                              QStringLiteral("图片文件无法读取：") + p.path->text() +
                                  QStringLiteral("\r\n请重新截屏，或取消勾选“图片”后再提交。"));
            return false;
        }
    }
    full.adder = ui_->adder->text();
    const QCheckBox* types[] = {ui_->Check1, ui_->Check2, ui_->Check3, ui_->Check4, ui_->Check5};
    for (int i = 0; i < 5; ++i)
        if (types[i]->isChecked()) full.qtype = QuestionTypes()[i];
    full.nandu = ui_->nandu->text();
    full.why0 = ui_->why0->text();
    QLineEdit* const options[] = {ui_->SA, ui_->SB, ui_->SC, ui_->SD, ui_->SE, ui_->SF};
    for (int i = 0; i < 6; ++i) {
        if (i >= 2 && options[i]->text().isEmpty()) continue;
        options[i]->setText(NormaliseOptionText(options[i]->text()));
        full.options[size_t(i)] = options[i]->text();
    }
    return true;
}

void Form11::Command1_Click() {
    resetOptionLabelColours();
    // A question window stays on the server its question is on.
    if (!editing_) chooseDownload();
    const QString explanation = ui_->why0->text();
    if (!explanation.isEmpty() && explanation != QStringLiteral("--")) why0save = explanation;

    if (!questionComplete()) return;
    if (editing_) {
        saveQuestion();
        return;
    }
    if (!endpointUsable()) return;

    setCommandButtons(false);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    // The operator sees the question text as it is stored.
    ui_->timu->setText(NormaliseQuestionText(ui_->timu->text()));

    QuestionInput in;
    in.endpoint = download;
    in.programFolder = programFolder_;
    in.bank = ui_->Combo1->currentText();
    in.question = ui_->timu->text();
    in.answer = ui_->answer->text();
    Submission submission(in);
    submission.open();

    if (const int error = submission.connectionError(); error != 0) {
        if (platform_.message(
                this,
                QStringLiteral("服务器连接出错，错误码:") + QString::number(error) +
                    QStringLiteral("，建议更换服务器重试...是否中止操作？可以换服务器重新提交，"
                                   "选【否】强制继续提交数据，但可能会出错卡死。"),
                QStringLiteral("是否更换服务器再重试?"), Buttons::YesNo) == Answer::Yes) {
            setCommandButtons(true);
            return;
        }
    }
    if (submission.duplicateFound()) {
        platform_.message(this, QStringLiteral("此题已经存在！【服务器】序号是") +
                                    submission.duplicateId2() +
                                    QStringLiteral("，不要重复添加。。。。"));
        Label21_Click();
        restoreCommandButtons();
        return;
    }

    QuestionInput& full = submission.input();
    if (!readQuestion(full)) {
        restoreCommandButtons();
        return;
    }
    full.username = login_.username;
    full.now = platform_.now();

    const SubmitOutcome out = submission.add();
    if (out.local.added) login_.sid = QString::number(out.local.id);
    // "改上道" edits only the question added last, and only where the server has it.
    if (out.server.added || out.local.added) {
        lastEndpoint_ = download;
        lastId_ = out.server.added ? out.server.id : 0;
    }

    timubak = ui_->timu->text();
    sabak = ui_->SA->text();
    sbbak = ui_->SB->text();
    scbak = ui_->SC->text();
    sdbak = ui_->SD->text();
    sebak = ui_->SE->text();
    sfbak = ui_->SF->text();
    why0bak = ui_->why0->text();
    if (out.server.number) id2bak = QString::number(*out.server.number);

    const QString result = Submission::resultText(out, ui_->timu->text());
    platform_.beep();
    setWindowTitle(result);
    platform_.message(this, result);

    // A question that reached neither database stays in the window for another try.
    if (out.server.added || out.local.added) {
        for (QCheckBox* c : {ui_->timu1, ui_->AJPG1, ui_->BJPG1, ui_->CJPG1, ui_->DJPG1, ui_->EJPG1,
                             ui_->FJPG1, ui_->why1})
            c->setChecked(false);
        ui_->why2->setText(QString());
        ui_->timu->setText(QString());
        if (ui_->answer->text() != kAny) ui_->answer->setText(QString());
        ui_->nandu->setText(QStringLiteral("普通"));
        if (!ui_->Check3->isChecked()) {
            ui_->SA->setText(QString());
            ui_->SB->setText(QString());
        }
        for (QLineEdit* e : {ui_->SC, ui_->SD, ui_->SE, ui_->SF}) e->setText(QString());
        ui_->why0->setText(QStringLiteral("-"));
    }
    restoreCommandButtons();
}

}  // namespace qs
