// "提交": the question in the window, checked, added to the server and the local file.

#include "bank/QuestionWriter.h"
#include "db/DbError.h"
#include "editor/Form11.h"
#include "ui_Form11.h"

namespace qs {

namespace {

const QString kAny = QStringLiteral("任意");

}  // namespace

bool Form11::questionComplete() {
    Refusal refusal = RefusalOf(question());
    if (refusal == Refusal::NoOptionA) {
        if (platform_.message(this,
                              QStringLiteral("选项A不能为空，是否全部设置成“如图..”的样子？"
                                             "不清楚就默认点【是】"),
                              QStringLiteral("选项为空值，是否自动设置成如图.."),
                              Buttons::YesNo) != Answer::Yes)
            return false;
        Label23_Click();
        refusal = RefusalOf(question());
    }
    if (refusal == Refusal::None) return true;
    platform_.message(this, RefusalText(refusal));
    return false;
}

Question Form11::question() const {
    Question q;
    q.bank = ui_->Combo1->currentText();
    q.question = ui_->timu->text();
    q.answer = ui_->answer->text();
    q.nandu = ui_->nandu->text();
    q.why0 = ui_->why0->text();
    q.adder = ui_->adder->text();
    // A later ticked box overrides an earlier one.
    const QCheckBox* types[] = {ui_->Check1, ui_->Check2, ui_->Check3, ui_->Check4, ui_->Check5};
    for (int i = 0; i < 5; ++i)
        if (types[i]->isChecked()) q.qtype = QuestionTypes()[i];
    const QLineEdit* options[] = {ui_->SA, ui_->SB, ui_->SC, ui_->SD, ui_->SE, ui_->SF};
    for (int i = 0; i < 6; ++i) q.options[size_t(i)] = options[i]->text();
    // Only a ticked picture with a path counts.
    for (int slot = 0; slot < kPictureSlots; ++slot) {
        const PictureSlot s = pictureSlot(slot);
        if (s.check->isChecked()) q.picturePaths[size_t(slot)] = s.path->text();
    }
    return q;
}

bool Form11::showStored(const Question& stored, const QString& unreadablePicture) {
    // The question picture's path is shown as it is looked up.
    if (!stored.picturePaths[kQuestionPicture].isEmpty())
        ui_->timu2->setText(stored.picturePaths[kQuestionPicture]);
    // A ticked picture whose file is gone would be stored without it while the operator
    // believes it is there: stop before anything is written.
    if (!unreadablePicture.isEmpty()) {
        platform_.message(this, QStringLiteral("图片文件无法读取：") + unreadablePicture +
                                    QStringLiteral("\r\n请重新截屏，或取消勾选“图片”后再提交。"));
        return false;
    }
    QLineEdit* const options[] = {ui_->SA, ui_->SB, ui_->SC, ui_->SD, ui_->SE, ui_->SF};
    for (int i = 0; i < 6; ++i) options[i]->setText(stored.options[size_t(i)]);
    return true;
}

WriteContext Form11::writeContext() const {
    return {download, programFolder_, login_.username, platform_.now()};
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
    settlePending();

    // The writer keeps what its check found for the add; both run on the database thread.
    std::optional<QuestionWriter> writer;
    const Question typed = question();
    const WriteContext context = writeContext();
    const AddCheck check = worker_.run([&](WorkerContext& c) {
        writer.emplace(context, c.connections());
        return writer->checkAdd(typed);
    });
    // The operator sees the question text as it is stored.
    ui_->timu->setText(check.stored.question);

    if (check.connectionError != 0) {
        if (platform_.message(
                this,
                QStringLiteral("服务器连接出错，错误码:") + QString::number(check.connectionError) +
                    QStringLiteral("，建议更换服务器重试...是否中止操作？可以换服务器重新提交，"
                                   "选【否】强制继续提交数据，但可能会出错卡死。"),
                QStringLiteral("是否更换服务器再重试?"), Buttons::YesNo) == Answer::Yes) {
            setCommandButtons(true);
            return;
        }
    }
    auto duplicate = [this](const QString& id2) {
        platform_.message(this, QStringLiteral("此题已经存在！【服务器】序号是") + id2 +
                                    QStringLiteral("，不要重复添加。。。。"));
        Label21_Click();
        restoreCommandButtons();
    };
    if (check.duplicate) return duplicate(check.duplicateId2);
    if (!showStored(check.stored, check.unreadablePicture)) {
        restoreCommandButtons();
        return;
    }

    int waiting = -1;
    const SubmitOutcome out = worker_.run([&](WorkerContext& c) {
        const SubmitOutcome added = writer->add();
        waiting = countWaiting(c);
        return added;
    });
    showWaiting(waiting);
    // Another instance added it since the check.
    if (out.duplicate) return duplicate(out.duplicateId2);
    pending_.keep(out.unknown);
    if (out.local.added) login_.sid = QString::number(out.local.id);
    // "改上道" edits only the question added last, and only where the server has it.
    if (out.server.added || out.server.unknown || out.local.added) {
        lastEndpoint_ = download;
        lastId_ = out.server.added || out.server.unknown ? out.server.id : 0;
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

    const QString result = QuestionWriter::resultText(out, ui_->timu->text());
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
