#pragma once

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "bank/QuestionWriter.h"
#include "db/ServerSettings.h"
#include "login/EditorAccess.h"
#include "login/LoginState.h"
#include "platform/Platform.h"
#include "widgets/DatabaseWorker.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace Ui {
class Form11;
}

namespace qs {

class Connection;
class PictureBox;

// The question editor "添加一道题目": one question is composed here, given
// pictures and submitted; administrators also maintain banks from it.
class Form11 : public QWidget, public EditorAccess {
    Q_OBJECT
public:
    // Loads the window from the login state: server label, creator, bank list.
    // openSyncWindow shows the synchronisation window modally over its argument.
    Form11(LoginState& login, Platform& platform, const QString& programFolder,
           const ServerSettings& settings, std::function<void(QWidget*)> openSyncWindow,
           QWidget* parent = nullptr);
    ~Form11() override;

    // A second window on one question already on the server at `endpoint`,
    // with "保存修改" and "删除此题": a top-level window over `owner`, deleted
    // when closed. nullptr, after telling the operator why, when the question
    // cannot be read or the operator may not edit it (an operator who is not
    // an administrator edits only questions he added, or the one he has just
    // added here: `addedHere`).
    static Form11* openQuestion(LoginState& login, Platform& platform, const QString& programFolder,
                                const ServerSettings& settings, const QString& endpoint, qint64 id,
                                bool addedHere, QWidget* owner);
    // The server identity of the question this window edits; 0 in the editor.
    qint64 editedQuestionId() const { return editing_ ? editing_->id : 0; }

    // EditorAccess
    void insertBank(int index, const QString& name) override;
    void setBankText(const QString& text) override;
    void showEditor() override;

    // Writes `picture` as a JPEG file at `fileName`; true only when the file was written.
    static bool PictureBoxSaveJPG(const QImage& picture, const QString& fileName, int quality);

    // Endpoint of the server in use.
    QString download;
    // Running number of the "如右图" option placeholders.
    qint16 senum = 0;
    // Question text kept by Label4.
    QString timu0save;
    // Explanation kept for reuse by Label20.
    QString why0save;
    // Texts of the question added last, restored by Label24.
    QString timubak, sabak, sbbak, scbak, sdbak, sebak, sfbak, why0bak;
    // Server sequence number id2 of the question added last.
    QString id2bak;

signals:
    // The question of this window was saved or deleted.
    void questionChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    // Submit and bank maintenance.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Label32_Click();
    // "上传本地题目": the questions that reached only the local file.
    void Label33_Click();
    // "题目管理" in the editor, "删除此题" in a question window.
    void Command6_Click();

    // The window's own commands.
    void Label4_Click();
    void top1_Click();
    void Label31_Click();

    // Question type.
    void Check1_Click(bool checked);
    void Check2_Click(bool checked);
    void Check3_Click(bool checked);
    void Check4_Click(bool checked);
    void Check5_Click(bool checked);

    // Answer, difficulty, explanation and option helpers.
    void Label6_Click();
    void Label8_Click();
    void Label10_Click();
    void Label12_Click();
    void Label14_Click();
    void Label16_Click();
    void Label18_Click();
    void Label19_Click();
    void nandu_DblClick();
    void Label20_Click();
    void Label21_Click();
    void Label22_Click();
    void Label23_Click();
    void Label24_Click();
    void Label25_Click();
    void Label29_Click();
    void Label30_Click();
    void answer_Change();
    void answer_DblClick();
    void timu_Change();
    void timu_DblClick();
    void why0_DblClick();
    void SA_Change();
    void SB_Change();
    void SC_Change();
    void SD_Change();
    void SE_Change();
    void SF_Change();
    void nandu_Change();
    void SA_DblClick();
    void SB_DblClick();
    void SC_DblClick();
    void SD_DblClick();
    void SE_DblClick();
    void SF_DblClick();

    // Pictures.
    void timu1_Click(bool checked);
    void why1_Click(bool checked);
    void AJPG1_Click(bool checked);
    void BJPG1_Click(bool checked);
    void CJPG1_Click(bool checked);
    void DJPG1_Click(bool checked);
    void EJPG1_Click(bool checked);
    void FJPG1_Click(bool checked);
    void timu2jpg_Click();
    void a2jpg_Click();
    void b2jpg_Click();
    void c2jpg_Click();
    void d2jpg_Click();
    void e2jpg_Click();
    void f2jpg_Click();
    void why2jpg_Click();
    void AJPG2_DblClick();
    void BJPG2_DblClick();
    void CJPG2_DblClick();
    void DJPG2_DblClick();
    void EJPG2_DblClick();
    void FJPG2_DblClick();

private:
    // One picture slot: its button, image box, path box, check box and file.
    struct PictureSlot {
        QPushButton* button;
        PictureBox* image;
        QLineEdit* path;
        QCheckBox* check;
        QString fileName;  // inside sysimg
    };

    void connectControls();
    void Form_Load();
    void loadBankList();
    bool isAdministrator() const { return login_.isAdministrator(); }

    // Helpers shared by the handlers.
    void switchType(int type);
    // Shows the rows of options C and D, and those of E and F or not.
    void showOptionRows(bool withEF);
    void pickAnswerLetter(QLabel* label, QChar letter);
    void optionPlaceholder(QLineEdit* option);
    void pasteIntoOption(QLineEdit* option);
    void openCopyPathTool();
    PictureSlot pictureSlot(int slot) const;
    void capturePicture(const PictureSlot& slot);
    QString picturePath(const QString& fileName) const;
    QString stamp() const;
    // Text colour of the six option labels back to the button-text colour.
    void resetOptionLabelColours();

    // Submit and maintenance helpers.
    void setCommandButtons(bool enabled);
    void restoreCommandButtons();
    // A command whose progress is the window's caption.
    DatabaseWorker::Options captionProgress();
    // On the database thread: how many questions wait in the local file (-1: unknown).
    int countWaiting(WorkerContext& c) const;
    // Shows "上传本地题目" with how many wait, or hides it when none do (unknown: unchanged).
    void showWaiting(int waiting);
    // Where and in whose name this window writes.
    WriteContext writeContext() const;
    // Tells the operator what became of a write whose outcome was not known, once the server
    // answers again.
    void settlePending();
    // Sets `download` from the server list and the login's download servers.
    void chooseDownload();
    // False, after a message naming it, when `download` is no usable endpoint.
    bool endpointUsable();
    void deleteSelectedBank(bool withBankRows);
    // The submit's refusals; false when the question may not be stored.
    bool questionComplete();
    // The question as the controls hold it (the pictures: ticked ones).
    Question question() const;
    // Shows the question picture's path and the options as they will be stored; false (after
    // saying so) when a ticked picture's file cannot be read.
    bool showStored(const Question& stored, const QString& unreadablePicture);

    // The question window.
    void enterEditMode(const QString& endpoint);
    void showQuestion(const StoredQuestion& question);
    void closeQuestionWindow(QCloseEvent* event);
    void saveQuestion();
    void deleteQuestion();
    void openBrowser();
    // Everything the operator can change, to tell whether anything was.
    QStringList questionState() const;
    QString pictureFolder() const;

    std::unique_ptr<Ui::Form11> ui_;
    LoginState& login_;
    Platform& platform_;
    QString programFolder_;
    ServerSettings settings_;
    std::function<void(QWidget*)> openSyncWindow_;

    // The question this window edits; empty in the editor.
    std::optional<StoredQuestion> editing_;
    QStringList savedState_;
    int picturesTaken_ = 0;
    bool deleted_ = false;
    QString onlyAdder_;  // set: the window deletes only this adder's question
    // The question this editor added last, for "改上道".
    QString lastEndpoint_;
    qint64 lastId_ = 0;
    QPointer<QWidget> browser_;
    // A write whose outcome on the server was not known, checked before the next command.
    PendingCheck pending_;
    // The window's database work, off its thread.
    DatabaseWorker worker_;
};

}  // namespace qs
