// The question window: the editor's controls on one question already stored, with "保存修改"
// and "删除此题" in place of the submit.

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QSaveFile>
#include <QSignalBlocker>

#include "editor/Form11.h"
#include "editor/QuestionBrowser.h"
#include "ui_Form11.h"
#include "widgets/PictureBox.h"

namespace qs {

Form11* Form11::openQuestion(LoginState& login, Platform& platform, const QString& programFolder,
                             const ServerSettings& settings, const QString& endpoint, qint64 id,
                             bool addedHere, QWidget* owner) {
    // One window per question: a second one would share its picture files.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* open = qobject_cast<Form11*>(w);
        if (open && open->editedQuestionId() == id && open->download == endpoint &&
            !open->deleted_) {
            open->show();
            open->raise();
            open->activateWindow();
            return open;
        }
    }
    std::optional<StoredQuestion> question;
    try {
        DatabaseWorker worker;
        question = worker.run([&](WorkerContext& c) {
            return QuestionWriter({endpoint, programFolder, login.username, {}}, c.connections())
                .load(id);
        });
    } catch (const WorkFailure& f) {
        platform.message(owner, f.message(QStringLiteral("读取题目")));
        return nullptr;
    }
    if (!question) {
        platform.message(owner, QStringLiteral("服务器上找不到这道题（id:") + QString::number(id) +
                                    QStringLiteral("），可能已被删除。"));
        return nullptr;
    }
    const bool mayEdit = addedHere || login.isAdministrator() ||
                         (!login.username.isEmpty() && question->values.adder == login.username);
    if (!mayEdit) {
        platform.message(owner, QStringLiteral("只能修改自己添加的题目：这道题是【") +
                                    question->values.adder +
                                    QStringLiteral("】添加的，只有管理员和添加人可以修改。"));
        return nullptr;
    }
    auto* window = new Form11(login, platform, programFolder, settings, {}, owner);
    window->setWindowFlag(Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::WindowModal);
    window->editing_ = *question;
    window->onlyAdder_ = addedHere || login.isAdministrator() ? QString() : login.username;
    window->enterEditMode(endpoint);
    window->showQuestion(*question);
    window->show();
    return window;
}

void Form11::enterEditMode(const QString& endpoint) {
    if (endpoint != download) ui_->Combo3->setEditText(endpoint);
    download = endpoint;
    ui_->Combo3->setEnabled(false);
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui_->Command2, ui_->Command3, ui_->Command4, ui_->Command5,
                                         ui_->Label24, ui_->Label25, ui_->Label31, ui_->Label32})
        w->hide();
    ui_->Command1->setText(QStringLiteral("保存修改"));
    ui_->Command6->setText(QStringLiteral("删除此题"));
    // Only an administrator hands a question over to someone else.
    ui_->adder->setReadOnly(!isAdministrator());
}

QString Form11::pictureFolder() const {
    const QString folder = programFolder_ + QStringLiteral("/sysimg");
    // A question window keeps its pictures apart from the editor's captures.
    return editing_ ? folder + QStringLiteral("/edit-") + QString::number(editing_->id) : folder;
}

void Form11::showQuestion(const StoredQuestion& q) {
    const Question& v = q.values;
    const int type = int(QuestionTypes().indexOf(v.qtype)) + 1;  // 0: none
    QCheckBox* const types[] = {ui_->Check1, ui_->Check2, ui_->Check3, ui_->Check4, ui_->Check5};

    // The boxes are set as stored: their click handlers would clear texts or
    // put placeholders in, which is what an operator's click means, not a load.
    for (int i = 0; i < 5; ++i) {
        const QSignalBlocker block(types[i]);
        types[i]->setChecked(i + 1 == type);
    }
    QDir().mkpath(pictureFolder());
    QStringList unreadable;
    for (int slot = 0; slot < kPictureSlots; ++slot) {
        const PictureSlot s = pictureSlot(slot);
        const QByteArray& bytes = q.pictures[size_t(slot)];
        const QSignalBlocker block(s.check);
        QString path;
        if (!bytes.isNull()) {
            // The stored bytes as they are, so an untouched picture saves unchanged.
            path = picturePath(s.fileName);
            QSaveFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
                !file.commit())
                unreadable << path;
        }
        s.check->setChecked(!bytes.isNull());
        s.path->setText(path);
        s.image->setPicture(bytes.isNull() ? QImage() : QImage::fromData(bytes));
    }
    ui_->Combo1->setEditText(v.bank);
    ui_->timu->setText(v.question);
    ui_->answer->setText(v.answer);
    ui_->nandu->setText(v.nandu);
    ui_->why0->setText(v.why0);
    ui_->adder->setText(v.adder);
    QLineEdit* const options[] = {ui_->SA, ui_->SB, ui_->SC, ui_->SD, ui_->SE, ui_->SF};
    for (int i = 0; i < 6; ++i) options[i]->setText(v.options[size_t(i)]);
    showOptionRows(type != 1 || !ui_->SE->text().isEmpty() || !ui_->SF->text().isEmpty());

    setWindowTitle(QStringLiteral("修改题目【") + v.bank + QStringLiteral("】") + v.qtype +
                   QStringLiteral(" 序号") + QString::number(q.id2) + QStringLiteral(" (id:") +
                   QString::number(q.id) + QLatin1Char(')'));
    picturesTaken_ = 0;
    savedState_ = questionState();
    if (!unreadable.isEmpty())
        platform_.message(this,
                          QStringLiteral("图片无法写入 ") + unreadable.join(QStringLiteral("、")) +
                              QStringLiteral(" ，请不要保存，检查 sysimg 文件夹后重新打开。"));
}

QStringList Form11::questionState() const {
    QStringList s{ui_->Combo1->currentText(), ui_->timu->text(), ui_->answer->text(),
                  ui_->nandu->text(),         ui_->why0->text(), ui_->adder->text()};
    for (const QLineEdit* e :
         {ui_->SA, ui_->SB, ui_->SC, ui_->SD, ui_->SE, ui_->SF, ui_->timu2, ui_->AJPG2, ui_->BJPG2,
          ui_->CJPG2, ui_->DJPG2, ui_->EJPG2, ui_->FJPG2, ui_->why2})
        s << e->text();
    for (const QCheckBox* c :
         {ui_->Check1, ui_->Check2, ui_->Check3, ui_->Check4, ui_->Check5, ui_->timu1, ui_->AJPG1,
          ui_->BJPG1, ui_->CJPG1, ui_->DJPG1, ui_->EJPG1, ui_->FJPG1, ui_->why1})
        s << (c->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    return s << QString::number(picturesTaken_);
}

void Form11::saveQuestion() {
    setCommandButtons(false);
    ui_->Command6->setEnabled(false);
    settlePending();
    const Question edited = question();
    QString unreadable;
    const Question stored = QuestionWriter::Prepared(edited, &unreadable);
    ui_->timu->setText(stored.question);
    if (showStored(stored, unreadable)) {
        const bool addLocal =
            editing_->localRows == 0 &&
            platform_.message(this,
                              QStringLiteral("本地库没有这道题（没有 sid 为 ") +
                                  QString::number(editing_->id) +
                                  QStringLiteral(" 的题目）。是否把这道题添加到本地库？"
                                                 "选【否】只保存服务器。"),
                              QStringLiteral("本地库没有这道题"), Buttons::YesNo) == Answer::Yes;
        const WriteContext context = writeContext();
        std::optional<StoredQuestion> now;
        const EditResult result = worker_.run([&](WorkerContext& c) {
            QuestionWriter writer(context, c.connections());
            const EditResult saved = writer.save(*editing_, edited, addLocal);
            // The window shows the question as it is now stored.
            try {
                if (saved.done) now = writer.load(editing_->id);
            } catch (const WorkFailure&) {
                // Saved all the same; the window keeps what was typed.
            }
            return saved;
        });
        pending_.keep(result.unknown);
        if (result.done) {
            if (now) {
                editing_ = *now;
                showQuestion(*now);
            }
            savedState_ = questionState();
            emit questionChanged();
        }
        platform_.message(this, result.text);
    }
    restoreCommandButtons();
    ui_->Command6->setEnabled(true);
}

void Form11::deleteQuestion() {
    settlePending();
    const EditResult result = QuestionBrowser::deleteQuestions(
        platform_, this, writeContext(), editing_->values.bank, {editing_->id}, onlyAdder_);
    pending_.keep(result.unknown);
    if (!result.done) return;
    deleted_ = true;
    emit questionChanged();
    close();
}

void Form11::closeQuestionWindow(QCloseEvent* event) {
    // The operator learns what became of a save or deletion the server did not answer.
    settlePending();
    if (!deleted_ && questionState() != savedState_ &&
        platform_.message(
            this, QStringLiteral("这道题的修改还没有保存，关闭后修改会丢失。是否关闭？"),
            QStringLiteral("是否放弃修改"), Buttons::YesNo, Answer::No) != Answer::Yes) {
        event->ignore();
        return;
    }
    event->accept();
}

void Form11::Command6_Click() {
    if (editing_)
        deleteQuestion();
    else
        openBrowser();
}

}  // namespace qs
