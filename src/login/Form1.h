#pragma once

#include <QString>
#include <QWidget>
#include <memory>

#include "db/ServerSettings.h"
#include "login/EditorAccess.h"
#include "login/LoginRun.h"
#include "login/LoginState.h"
#include "platform/Platform.h"
#include "widgets/DatabaseWorker.h"

namespace Ui {
class Form1;
}

namespace qs {

// The start window: login, registration and local practice mode. It owns the
// login state the other windows read; closing it ends the program.
class Form1 : public QWidget {
    Q_OBJECT
public:
    // The editor is created through `editorFactory` when a login succeeds, so
    // it loads for the account that logged in; Form1 does not own it.
    Form1(Platform& platform, const QString& programFolder, const ServerSettings& settings,
          EditorFactory editorFactory, QWidget* parent = nullptr);
    ~Form1() override;

    LoginState& state() { return state_; }

    // The web pages the two link labels open.
    static QString downloadPageUrl();
    static QString shopPageUrl();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void Command1_Click();
    void Command2_Click();
    void Text1_Change();
    void Text1_KeyPress(int keyAscii);
    void Text2_KeyPress(int keyAscii);
    void Label9_Click();
    void Label10_Click();

private:
    void Form_Load();
    void offerLocalFile();
    void fitToFont();
    EditorAccess& editor();
    void say(const QString& text);
    void setButtonsEnabled(bool enabled);
    // Chooses the endpoint (ser1, mdbfold); false (after the message, with the
    // buttons enabled again) when it is no address.
    bool chooseEndpoint();
    // What the login or registration reads first, on the database thread.
    LoginRun::Reading readServer(LoginRun& run, LoginPlan plan);
    // False (after the failure message, with the buttons enabled again) when
    // the connection test failed.
    bool connected(const LoginRun::Reading& reading, const LoginRun& run);
    // True when the server is closed; the maintenance message is shown and
    // the program ends.
    bool serverClosed(const LoginRun::Reading& reading, bool callAdministrator);
    void digestPassword();
    void connectionLost(const LoginRun& run);

    std::unique_ptr<Ui::Form1> ui;
    Platform& platform_;
    QString programFolder_;
    ServerSettings settings_;
    EditorFactory editorFactory_;
    EditorAccess* editor_ = nullptr;
    LoginState state_;
    DatabaseWorker worker_;
    int bankCount_ = 0;
    // The server's bank names of the current attempt; they reach the editor
    // only when the attempt succeeds.
    QStringList serverBanks_;
};

}  // namespace qs
