// The login and the registration of the login window.
#include <QFileInfo>

#include "db/Endpoints.h"
#include "login/Form1.h"
#include "login/LoginMessages.h"
#include "login/LoginRun.h"
#include "login/Md5.h"
#include "login/RegistrationRules.h"
#include "ui_Form1.h"

namespace qs {

namespace {
// Passwords up to this length are digested; longer ones already are digests.
constexpr int kLongestPlainPassword = 29;
}  // namespace

void Form1::Command1_Click() {
    if (ui->Text1->text() == kLocalName) {
        state_.username = kLocalName;
        state_.online1 = 0;
        state_.mdbfold = programFolder_ + QStringLiteral("\\");
        editor().showEditor();
        hide();
        return;
    }
    state_.username = ui->Text1->text();
    if (state_.username.isEmpty()) return say(msg::EmptyName());
    if (ui->Text2->text().isEmpty()) return say(msg::EmptyPassword());

    setButtonsEnabled(false);
    ResumeNext resume;
    LoginRun run(programFolder_, resume);
    if (!connectToServer(run)) return;
    if (state_.online1 == 1) {
        run.openWorking(state_.mdbfold);
        if (!state_.username.isEmpty() && serverClosed(run, false)) return;
    }
    loadBanks(run);
    digestPassword();
    const QString typed = ui->Text2->text();
    state_.userpass = typed;

    switch (run.lookUp(ui->Text1->text())) {
        case LoginRun::Lookup::Failed:
            return connectionLost(run);
        case LoginRun::Lookup::Missing:
            say(msg::Unregistered(ui->Text1->text()));
            setButtonsEnabled(true);
            run.closeAccount();
            return;
        case LoginRun::Lookup::Found:
            break;
    }
    const QString stored = run.account().userpass;
    if (!stored.isEmpty() && stored != typed) {
        say(msg::WrongPassword());
        ui->Text2->clear();
        setButtonsEnabled(true);
        run.closeAccount();
        return;
    }
    if (stored.isEmpty() && !typed.isEmpty() &&
        platform_.message(this, msg::SavePasswordQuestion(), msg::SavePasswordCaption(),
                          Buttons::YesNo) == Answer::Yes)
        run.storePassword(typed);

    const Account account = run.account();
    state_.userpass = account.userpass;
    state_.username = account.username;
    setCaption(msg::LoggingInCaption());
    setCaption(msg::LoggedInCaption(state_.username));
    if (!state_.usertimu.isEmpty() && state_.usertimu != account.timu) {
        state_.usertimu = account.timu;
    } else {
        say(msg::LoginSucceeded(account.timu));
        state_.usertimu = account.timu;
        setCaption(msg::LoggedInCaption(state_.username));
    }
    // The editor loads now, for this account; the server's banks go in front
    // of its own list once, whatever earlier attempts read.
    EditorAccess& shown = editor();
    int position = 0;
    for (const QString& name : serverBanks_) shown.insertBank(position++, name);
    const qsizetype arrow = state_.usertimu.indexOf(u'→');
    if (arrow >= 0) shown.setBankText(state_.usertimu.left(arrow));
    shown.showEditor();
    hide();
    run.closeAccount();
}

void Form1::Command2_Click() {
    const QString name = ui->Text1->text();
    const QString problem = RegistrationProblem(name, ui->Text2->text());
    if (!problem.isEmpty()) return say(problem);

    setButtonsEnabled(false);
    ResumeNext resume;
    LoginRun run(programFolder_, resume);
    if (!connectToServer(run)) return;
    if (state_.online1 == 1) {
        run.openWorking(state_.mdbfold);
        // The administrator may add accounts while the server is closed. An
        // unset administrator name must not open a closed server to everyone.
        const bool administrator =
            !settings_.adminName.isEmpty() && state_.username == settings_.adminName;
        if (!administrator && serverClosed(run, true)) return;
    }
    loadBanks(run);

    const auto finish = [this] { state_.online1 = 0; };
    if (platform_.message(this, msg::ConfirmRegistration(name, ui->Text2->text()),
                          msg::ConfirmRegistrationCaption(), Buttons::YesNo) != Answer::Yes) {
        setButtonsEnabled(true);
        return finish();
    }
    digestPassword();
    switch (run.lookUp(name)) {
        case LoginRun::Lookup::Failed:
            connectionLost(run);
            return finish();
        case LoginRun::Lookup::Found:
            say(msg::NameTaken());
            setButtonsEnabled(true);
            run.closeAccount();
            return finish();
        case LoginRun::Lookup::Missing:
            break;
    }
    if (!run.addAccount({name, ui->Text2->text(), state_.usertimu})) {
        // Reporting a registration that was never stored would send the
        // operator to a login that cannot succeed.
        connectionLost(run);
        return finish();
    }
    setCaption(msg::RegisteredCaption());
    say(msg::Registered());
    state_.username = run.account().username;
    state_.userpass = run.account().userpass;
    setCaption(msg::LoggedInCaption(state_.username));
    run.closeAccount();
    finish();
}

bool Form1::connectToServer(LoginRun& run) {
    state_.ser1 = ChooseEndpoint(ui->Combo3->currentText(), state_.download1, state_.download2,
                                 state_.download3, state_.download4);
    state_.mdbfold = state_.ser1;
    serverBanks_.clear();
    if (const QString problem = EndpointProblem(state_.ser1); !problem.isEmpty()) {
        say(problem);
        setButtonsEnabled(true);
        return false;
    }
    run.setEndpoint(state_.mdbfold);
    bankCount_ = 0;
    // The marker file says the operator works without the connection test.
    if (QFileInfo::exists(programFolder_ + QStringLiteral("/本地库.txt"))) return true;
    bankCount_ = run.testConnection(state_.mdbfold);
    if (bankCount_ > 0) {
        state_.online1 = 1;
        return true;
    }
    say(msg::ConnectionFailed(run.lastErrorNumber(), bankCount_));
    setButtonsEnabled(true);
    return false;
}

bool Form1::serverClosed(LoginRun& run, bool callAdministrator) {
    // Only a status that reads as closed closes the server (LoginRun::readStatus).
    const std::optional<ServerStatus> status = run.readStatus();
    if (!status) return false;
    state_.adminlist = status->adminlist;
    if (!status->closed) return false;
    say(callAdministrator
            ? msg::ServerClosedCallAdmin(status->offwhy, status->offtime, settings_.adminPhone)
            : msg::ServerClosed(status->offwhy, status->offtime));
    platform_.quit();
    return true;
}

void Form1::loadBanks(LoginRun& run) {
    // Kept in the order the server gave them until the login succeeds.
    serverBanks_ = run.bankNames();
}

void Form1::digestPassword() {
    const QString password = ui->Text2->text();
    if (!password.isEmpty() && password.size() <= kLongestPlainPassword)
        ui->Text2->setText(MD5(password, 32));
}

void Form1::connectionLost(const LoginRun& run) {
    // A failed account query is a connection failure, not an unknown account.
    say(msg::ConnectionFailed(run.lastErrorNumber(), bankCount_));
    setButtonsEnabled(true);
}

}  // namespace qs
