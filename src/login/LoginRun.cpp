#include "login/LoginRun.h"

#include "db/Endpoints.h"
#include "login/LoginQueries.h"

namespace qs {

LoginRun::LoginRun(QString programFolder, ResumeNext& resume)
    : programFolder_(std::move(programFolder)), resume_(resume) {}

int LoginRun::testConnection(const QString& endpoint) {
    // The local file is only opened (and so created when missing) here; its
    // failure must not colour the server's error number.
    ResumeNext ignored;
    ignored([&] { local_.open(LocalConnectionString(programFolder_), 0, ado::adUseClient); });

    workingEndpoint_ = endpoint;
    int counter = 0;
    resume_([&] { test_.open(ServerConnectionString(endpoint), kTestTimeout, ado::adUseServer); });
    Recordset rs;
    resume_([&] { rs.open(BankCountQuery(), test_, ado::adOpenKeyset, ado::adLockPessimistic); });
    resume_([&] { counter = rs.recordCount(); });
    rs.close();
    return counter;
}

void LoginRun::openWorking(const QString& endpoint) {
    workingEndpoint_ = endpoint;
    workingTried_ = true;
    resume_([&] {
        working_.open(ServerConnectionString(endpoint), kWorkingTimeout, ado::adUseServer);
    });
}

std::optional<ServerStatus> LoginRun::readStatus() {
    std::optional<ServerStatus> status;
    resume_([&] {
        Recordset rs;
        rs.open(ServerStatusQuery(), working_, ado::adOpenKeyset, ado::adLockReadOnly);
        if (rs.eof()) return;
        ServerStatus s;
        s.adminlist = rs.text(QStringLiteral("adminlist"));
        const QVariant onoff = rs.field(QStringLiteral("allonoff"));
        bool numeric = false;
        const int value = onoff.toInt(&numeric);
        s.closed = !onoff.isNull() && numeric && value == 0;
        s.offwhy = rs.text(QStringLiteral("offwhy"));
        s.offtime = rs.text(QStringLiteral("offtime"));
        status = s;
    });
    return status;
}

QStringList LoginRun::bankNames() {
    QStringList names;
    resume_([&] {
        Recordset rs;
        rs.open(BankListQuery(), working_, ado::adOpenKeyset, ado::adLockReadOnly);
        for (; !rs.eof(); rs.moveNext()) {
            const QString name = rs.text(QStringLiteral("mantype"));
            if (!name.isEmpty()) names << name;
        }
    });
    return names;
}

Connection& LoginRun::accountConnection() {
    if (test_.isOpen()) return test_;
    // A server that failed once is not waited for a second time.
    if (!workingTried_) openWorking(workingEndpoint_);
    return working_;
}

LoginRun::Lookup LoginRun::lookUp(const QString& username) {
    account_ = {};
    Connection& c = accountConnection();
    Lookup result = Lookup::Failed;
    resume_([&] {
        accountRs_.open(AccountQuery(c.dialect(), username), c, ado::adOpenStatic,
                        ado::adLockOptimistic);
        if (accountRs_.eof()) {
            result = Lookup::Missing;
            return;
        }
        account_.username = accountRs_.text(QStringLiteral("username"));
        account_.userpass = accountRs_.text(QStringLiteral("userpass"));
        account_.timu = accountRs_.text(QStringLiteral("timu"));
        result = Lookup::Found;
    });
    return result;
}

bool LoginRun::storePassword(const QString& userpass) {
    return resume_([&] {
        accountRs_.setField(QStringLiteral("userpass"), userpass);
        accountRs_.update();
        account_.userpass = userpass;
    });
}

bool LoginRun::addAccount(const Account& a) {
    return resume_([&] {
        accountRs_.addNew();
        accountRs_.setField(QStringLiteral("username"), a.username);
        accountRs_.setField(QStringLiteral("userpass"), a.userpass);
        accountRs_.setField(QStringLiteral("timu"), a.timu);
        accountRs_.update();
        account_ = a;
    });
}

void LoginRun::closeAccount() {
    accountRs_.close();
}

}  // namespace qs
