// Choosing the type, picking the answer, the difficulty toggle and the small option and
// explanation commands: they change the controls only.

#include <QClipboard>
#include <QGuiApplication>

#include "editor/Form11.h"
#include "ui_Form11.h"
#include "widgets/WindowColours.h"

namespace qs {

namespace {
const QString kNormal = QStringLiteral("普通");
const QString kHard = QStringLiteral("困难");
const QString kAny = QStringLiteral("任意");
const QString kTrue = QStringLiteral("正确");
const QString kFalse = QStringLiteral("错误");
const QString kNoExplanation = QStringLiteral("--");
const QString kHowToFillIn = QStringLiteral(
    "填空题添加方式：请把答案保存在选项A-F，或参考条款，如果是截图也保存在选项A。"
    "题目如果非单选文字，也可以截图保存在题目里。");
const QString kHowToApplication = QStringLiteral(
    "应用题添加方式：请把答案保存在选项A-F，或参考条款，如果是截图也保存在选项A。"
    "题目如果非单选文字，也可以截图保存在题目里。");
}  // namespace

// Type switching: 1 单选题, 2 多选题, 3 判断题, 4 填空题, 5 应用题.
void Form11::switchType(int type) {
    if (type == 4) platform_.message(this, kHowToFillIn);
    if (type == 5) platform_.message(this, kHowToApplication);

    QCheckBox* const types[] = {ui_->Check1, ui_->Check2, ui_->Check3, ui_->Check4, ui_->Check5};
    for (int i = 0; i < 5; ++i)
        if (i + 1 != type) types[i]->setChecked(false);
    for (QCheckBox* c :
         {ui_->timu1, ui_->AJPG1, ui_->BJPG1, ui_->CJPG1, ui_->DJPG1, ui_->EJPG1, ui_->FJPG1})
        c->setChecked(false);

    const bool freeForm = type == 4 || type == 5;
    if (type >= 3) ui_->timu->setText(QString());
    if (freeForm) ui_->answer->setText(kAny);
    if (type >= 3) ui_->why0->setText(kNoExplanation);
    ui_->nandu->setText(kNormal);

    QLineEdit* const options[] = {ui_->SA, ui_->SB, ui_->SC, ui_->SD, ui_->SE, ui_->SF};
    const int cleared = type == 1 ? 4 : 6;
    for (int i = 0; i < cleared; ++i) options[i]->setText(QString());
    if (type == 3) {
        ui_->SA->setText(kTrue);
        ui_->SB->setText(kFalse);
    }

    if (type != 3) showOptionRows(type != 1);
}

void Form11::showOptionRows(bool withEF) {
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->SC, ui_->SD, ui_->Label10, ui_->Label12})
        w->show();
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui_->Label14, ui_->SE, ui_->EJPG1, ui_->Label15, ui_->EJPG2, ui_->e2jpg, ui_->Label16,
             ui_->SF, ui_->FJPG1, ui_->Label17, ui_->FJPG2, ui_->f2jpg})
        w->setVisible(withEF);
}

void Form11::Check1_Click(bool checked) {
    if (checked) switchType(1);
}
void Form11::Check2_Click(bool checked) {
    if (checked) switchType(2);
}
void Form11::Check3_Click(bool checked) {
    if (checked) switchType(3);
}
void Form11::Check4_Click(bool checked) {
    if (checked) switchType(4);
}
void Form11::Check5_Click(bool checked) {
    if (checked) switchType(5);
}

void Form11::pickAnswerLetter(QLabel* label, QChar letter) {
    SetForeColour(label, colour::kRed);
    if (letter != QLatin1Char('A') && ui_->Check2->isChecked())
        ui_->answer->setText(ui_->answer->text() + letter);
    else
        ui_->answer->setText(QString(letter));
}

void Form11::Label6_Click() {
    pickAnswerLetter(ui_->Label6, QLatin1Char('A'));
}
void Form11::Label8_Click() {
    pickAnswerLetter(ui_->Label8, QLatin1Char('B'));
}
void Form11::Label10_Click() {
    pickAnswerLetter(ui_->Label10, QLatin1Char('C'));
}
void Form11::Label12_Click() {
    pickAnswerLetter(ui_->Label12, QLatin1Char('D'));
}
void Form11::Label14_Click() {
    pickAnswerLetter(ui_->Label14, QLatin1Char('E'));
}
void Form11::Label16_Click() {
    pickAnswerLetter(ui_->Label16, QLatin1Char('F'));
}

void Form11::Label18_Click() {
    const QLineEdit* const options[] = {ui_->SA, ui_->SB, ui_->SC, ui_->SD, ui_->SE, ui_->SF};
    const QString letters = QStringLiteral("ABCDEF");
    for (int i = 0; i < 6; ++i)
        if (!options[i]->text().isEmpty()) ui_->answer->setText(letters.left(i + 1));
}

void Form11::Label19_Click() {
    ui_->nandu->setText(ui_->nandu->text() == kNormal ? kHard : kNormal);
}

void Form11::nandu_DblClick() {
    Label19_Click();
}

void Form11::Label20_Click() {
    if (!why0save.isEmpty()) ui_->why0->setText(why0save);
}

void Form11::Label21_Click() {
    ui_->timu->setText(QString());
    ui_->answer->setText(QString());
    ui_->why0->setText(kNoExplanation);
    ui_->nandu->setText(kNormal);
    for (QLineEdit* e : {ui_->SA, ui_->SB, ui_->SC, ui_->SD, ui_->SE, ui_->SF})
        e->setText(QString());
    if (ui_->Check3->isChecked()) {
        ui_->SA->setText(kTrue);
        ui_->SB->setText(kFalse);
    }
}

void Form11::Label22_Click() {
    const QString selected = ui_->timu->selectedText();
    if (selected.isEmpty()) {
        platform_.message(this, QStringLiteral("请先选中题目中要变括号的文字再点，使文字变括号"));
        return;
    }
    if (ui_->SA->text().isEmpty() && (ui_->Check5->isChecked() || ui_->Check4->isChecked()))
        ui_->SA->setText(ui_->timu->text());
    QString text = ui_->timu->text();
    text.replace(selected, QStringLiteral("（）"));
    ui_->timu->setText(text);
}

void Form11::Label23_Click() {
    ui_->SA->setText(QStringLiteral("如图A"));
    ui_->SB->setText(QStringLiteral("如图B"));
    ui_->SC->setText(QStringLiteral("如图C"));
    ui_->SD->setText(QStringLiteral("如图D"));
}

void Form11::Label24_Click() {
    if (platform_.message(this, QStringLiteral("是否要还原上道题目的文字来添加这道题?"),
                          QStringLiteral("是否还原上道题目的文字？"),
                          Buttons::YesNo) != Answer::Yes)
        return;
    ui_->timu->setText(timubak);
    ui_->SA->setText(sabak);
    ui_->SB->setText(sbbak);
    ui_->SC->setText(scbak);
    ui_->SD->setText(sdbak);
    ui_->SE->setText(sebak);
    ui_->SF->setText(sfbak);
    ui_->why0->setText(why0bak);
}

void Form11::Label25_Click() {
    if (platform_.message(this, QStringLiteral("是否要打还上道题的编辑界面?是另一个界面"),
                          QStringLiteral("是否编辑上道题？"), Buttons::YesNo) != Answer::Yes)
        return;
    // The hand-over: the bank kept in Combo1 and the server sequence number in
    // the login state; then a second window opens on the question itself.
    ui_->Combo1->setEditText(ui_->Combo1->currentText());
    login_.id2 = id2bak;
    settlePending();
    if (lastId_ == 0) {
        platform_.message(this, QStringLiteral("没有可以修改的上道题：还没有添加过题目，"
                                               "或者上道题没有写入服务器。"));
        return;
    }
    openQuestion(login_, platform_, programFolder_, settings_, lastEndpoint_, lastId_, true, this);
}

void Form11::Label29_Click() {
    ui_->SC->setText(QStringLiteral("无"));
    ui_->SD->setText(QStringLiteral("无"));
}

void Form11::Label30_Click() {
    for (QLineEdit* e : {ui_->SA, ui_->SB, ui_->SC, ui_->SD}) e->setText(QString());
}

void Form11::answer_Change() {
    const QString text = ui_->answer->text();
    const QString upper = text.toUpper();
    if (upper != text) {
        const int caret = ui_->answer->cursorPosition();
        ui_->answer->setText(upper);  // runs this handler again, which colours the box
        ui_->answer->setCursorPosition(qMin(caret, int(upper.size())));
        return;
    }
    ColourByContent(ui_->answer, text);
}

void Form11::answer_DblClick() {
    if (ui_->Check4->isChecked()) ui_->answer->setText(kAny);
}

void Form11::SA_Change() {
    ColourByContent(ui_->SA, ui_->SA->text());
}
void Form11::SB_Change() {
    ColourByContent(ui_->SB, ui_->SB->text());
}
void Form11::SC_Change() {
    ColourByContent(ui_->SC, ui_->SC->text());
}
void Form11::SD_Change() {
    ColourByContent(ui_->SD, ui_->SD->text());
}
void Form11::SE_Change() {
    ColourByContent(ui_->SE, ui_->SE->text());
}
void Form11::SF_Change() {
    ColourByContent(ui_->SF, ui_->SF->text());
}
void Form11::nandu_Change() {
    ColourByContent(ui_->nandu, ui_->nandu->text());
}

void Form11::pasteIntoOption(QLineEdit* option) {
    QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty()) return;
    text.replace(QLatin1Char('?'), QLatin1Char(' '));
    option->setText(text);
}

void Form11::SA_DblClick() {
    pasteIntoOption(ui_->SA);
}
void Form11::SB_DblClick() {
    pasteIntoOption(ui_->SB);
}
void Form11::SC_DblClick() {
    pasteIntoOption(ui_->SC);
}
void Form11::SD_DblClick() {
    pasteIntoOption(ui_->SD);
}
void Form11::SE_DblClick() {
    pasteIntoOption(ui_->SE);
}
void Form11::SF_DblClick() {
    pasteIntoOption(ui_->SF);
}

void Form11::why0_DblClick() {
    const QString text = QGuiApplication::clipboard()->text();
    if (!text.isEmpty()) ui_->why0->setText(text);
}

}  // namespace qs
