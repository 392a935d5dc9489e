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
    // Wider than 16 bits on purpose: a server with more than 32767 banks
    // would overflow such a counter and be turned away as unreachable.
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

namespace {

// The server status is read one way: only a conf row whose allonoff reads as
// the number 0 closes the server. Whatever cannot be read (a conf query that
// fails, no row, a missing column, NULL, a text that is no number) lets the
// login go on: an unreadable status is no reason to turn the operator away,
// and ending the program over it would show a closing notice with no reason
// and no time.
bool StatusSaysClosed(const QVariant& allonoff) {
    if (allonoff.isNull()) return false;
    bool numeric = false;
    const double value = allonoff.typeId() == QMetaType::QString
                             ? allonoff.toString().trimmed().toDouble(&numeric)
                             : allonoff.toDouble(&numeric);
    return numeric && value == 0;
}

}  // namespace

std::optional<ServerStatus> LoginRun::readStatus() {
    Recordset rs;
    bool hasRow = false;
    resume_([&] {
        rs.open(ServerStatusQuery(), working_, ado::adOpenKeyset, ado::adLockReadOnly);
        hasRow = !rs.eof();
    });
    if (!hasRow) return std::nullopt;
    // Each column is its own step: one that cannot be read leaves the others.
    ServerStatus s;
    resume_([&] { s.adminlist = rs.text(QStringLiteral("adminlist")); });
    resume_([&] { s.closed = StatusSaysClosed(rs.field(QStringLiteral("allonoff"))); });
    resume_([&] { s.offwhy = rs.text(QStringLiteral("offwhy")); });
    resume_([&] { s.offtime = rs.text(QStringLiteral("offtime")); });
    return s;
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
