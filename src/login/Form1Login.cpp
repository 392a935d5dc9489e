// The login and the registration of the login window. Their database work runs
// on the database thread (LoginRun), the window answering meanwhile.
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
    if (!chooseEndpoint()) return;
    ResumeNext resume;
    LoginRun run(programFolder_, state_.mdbfold, resume);
    const LoginRun::Reading r =
        readServer(run, {.readStatus = !state_.username.isEmpty(), .account = ui->Text1->text()});
    if (!connected(r, run) || serverClosed(r, false)) return;
    serverBanks_ = r.banks;
    digestPassword();
    const QString typed = ui->Text2->text();
    state_.userpass = typed;

    switch (r.lookup) {
        case LoginRun::Lookup::Failed:
            return connectionLost(run);
        case LoginRun::Lookup::Missing:
            say(msg::Unregistered(ui->Text1->text()));
            setButtonsEnabled(true);
            return;
        case LoginRun::Lookup::Found:
            break;
    }
    const QString stored = run.account().userpass;
    if (!stored.isEmpty() && stored != typed) {
        say(msg::WrongPassword());
        ui->Text2->clear();
        setButtonsEnabled(true);
        return;
    }
    if (stored.isEmpty() && !typed.isEmpty() &&
        platform_.message(this, msg::SavePasswordQuestion(), msg::SavePasswordCaption(),
                          Buttons::YesNo) == Answer::Yes)
        worker_.run([&](WorkerContext& c) { run.storePassword(c.connections(), typed); });

    const Account account = run.account();
    state_.userpass = account.userpass;
    state_.username = account.username;
    setWindowTitle(msg::LoggingInCaption());
    setWindowTitle(msg::LoggedInCaption(state_.username));
    if (!state_.usertimu.isEmpty() && state_.usertimu != account.timu) {
        state_.usertimu = account.timu;
    } else {
        say(msg::LoginSucceeded(account.timu));
        state_.usertimu = account.timu;
        setWindowTitle(msg::LoggedInCaption(state_.username));
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
}

void Form1::Command2_Click() {
    const QString name = ui->Text1->text();
    const QString problem = RegistrationProblem(name, ui->Text2->text());
    if (!problem.isEmpty()) return say(problem);

    setButtonsEnabled(false);
    if (!chooseEndpoint()) return;
    ResumeNext resume;
    LoginRun run(programFolder_, state_.mdbfold, resume);
    // The administrator may add accounts while the server is closed. An unset
    // administrator name must not open a closed server to everyone.
    const bool administrator =
        !settings_.adminName.isEmpty() && state_.username == settings_.adminName;
    const LoginRun::Reading r = readServer(run, {.readStatus = !administrator, .account = {}});
    if (!connected(r, run) || serverClosed(r, true)) return;
    serverBanks_ = r.banks;

    const auto finish = [this] { state_.online1 = 0; };
    if (platform_.message(this, msg::ConfirmRegistration(name, ui->Text2->text()),
                          msg::ConfirmRegistrationCaption(), Buttons::YesNo) != Answer::Yes) {
        setButtonsEnabled(true);
        return finish();
    }
    digestPassword();
    const Account added{name, ui->Text2->text(), state_.usertimu};
    bool stored = false;
    const LoginRun::Lookup lookup = worker_.run([&](WorkerContext& c) {
        const LoginRun::Lookup found = run.lookUp(c.connections(), name);
        if (found == LoginRun::Lookup::Missing) stored = run.addAccount(c.connections(), added);
        return found;
    });
    switch (lookup) {
        case LoginRun::Lookup::Failed:
            connectionLost(run);
            return finish();
        case LoginRun::Lookup::Found:
            say(msg::NameTaken());
            setButtonsEnabled(true);
            return finish();
        case LoginRun::Lookup::Missing:
            break;
    }
    if (!stored) {
        // Reporting a registration that was never stored would send the
        // operator to a login that cannot succeed.
        connectionLost(run);
        return finish();
    }
    setWindowTitle(msg::RegisteredCaption());
    say(msg::Registered());
    state_.username = run.account().username;
    state_.userpass = run.account().userpass;
    setWindowTitle(msg::LoggedInCaption(state_.username));
    finish();
}

bool Form1::chooseEndpoint() {
    state_.ser1 = ChooseEndpoint(ui->Combo3->currentText(), state_.download1, state_.download2,
                                 state_.download3, state_.download4);
    state_.mdbfold = state_.ser1;
    serverBanks_.clear();
    const QString problem = EndpointProblem(state_.ser1);
    if (problem.isEmpty()) return true;
    say(problem);
    setButtonsEnabled(true);
    return false;
}

LoginRun::Reading Form1::readServer(LoginRun& run, LoginPlan plan) {
    // The marker file says the operator works without the connection test.
    plan.testConnection = !QFileInfo::exists(programFolder_ + QStringLiteral("/本地库.txt"));
    plan.online = state_.online1 == 1;
    return worker_.run([&](WorkerContext& c) { return run.read(c.connections(), plan); });
}

bool Form1::connected(const LoginRun::Reading& reading, const LoginRun& run) {
    bankCount_ = reading.bankCount;
    if (reading.passed) {
        if (reading.online) state_.online1 = 1;
        return true;
    }
    say(msg::ConnectionFailed(run.lastErrorNumber(), reading.bankCount));
    setButtonsEnabled(true);
    return false;
}

bool Form1::serverClosed(const LoginRun::Reading& reading, bool callAdministrator) {
    // Only a status that reads as closed closes the server (LoginRun::readStatus).
    if (!reading.status) return false;
    state_.adminlist = reading.status->adminlist;
    if (!reading.status->closed) return false;
    say(callAdministrator
            ? msg::ServerClosedCallAdmin(reading.status->offwhy, reading.status->offtime,
                                         settings_.adminPhone)
            : msg::ServerClosed(reading.status->offwhy, reading.status->offtime));
    platform_.quit();
    return true;
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
