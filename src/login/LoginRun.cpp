#include "login/LoginRun.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "db/Endpoints.h"
#include "db/Recordset.h"
#include "login/LoginQueries.h"

namespace qs {

LoginRun::LoginRun(QString programFolder, QString endpoint, ResumeNext& resume)
    : programFolder_(std::move(programFolder)), endpoint_(std::move(endpoint)), resume_(resume) {}

Connection& LoginRun::server() {
    return keeper_->connection(ServerConnectionString(endpoint_), kWorkingTimeout,
                               ado::adUseServer);
}

LoginRun::Reading LoginRun::read(ConnectionKeeper& keeper, const LoginPlan& plan) {
    keeper_ = &keeper;
    Reading r;
    r.online = plan.online;
    if (plan.testConnection) {
        r.bankCount = testConnection();
        r.passed = r.bankCount > 0;
        if (!r.passed) return r;
        r.online = true;
    }
    if (r.online) {
        openWorking();
        if (plan.readStatus) {
            r.status = readStatus();
            if (r.status && r.status->closed) return r;
        }
    }
    r.banks = bankNames();
    if (!plan.account.isEmpty()) r.lookup = lookUp(keeper, plan.account);
    return r;
}

// One query serves the test and the bank list: the bank table in list order,
// every row counted, the names kept.
void LoginRun::readBanks(Connection& c) {
    banksRead_ = QStringList();
    const QString sql = BankListQuery();
    QSqlQuery q = c.readQuery();
    if (!q.exec(sql)) c.raise(q.lastError(), sql);
    const int column = q.record().indexOf(QStringLiteral("mantype"));
    while (q.next()) *banksRead_ << (column < 0 ? QString() : q.value(column).toString());
    if (q.lastError().isValid()) c.raise(q.lastError(), sql);
}

int LoginRun::testConnection() {
    // The local file is only opened here; its failure must not colour the
    // server's error number.
    ResumeNext ignored;
    ignored(
        [&] { keeper_->connection(LocalConnectionString(programFolder_), 0, ado::adUseClient); });

    // Wider than 16 bits on purpose: a server with more than 32767 banks
    // would overflow such a counter and be turned away as unreachable.
    int counter = 0;
    resume_([&] {
        keeper_->connection(ServerConnectionString(endpoint_), kTestTimeout, ado::adUseServer);
        testOpened_ = true;
    });
    bool read = false;
    resume_([&] {
        readBanks(testOpened_ ? server() : notOpened_);
        read = true;
    });
    resume_([&] {
        if (!read) throw DbError(err::kClosedObject, QStringLiteral("对象关闭时，不允许操作。"));
        counter = int(banksRead_->size());
    });
    return counter;
}

void LoginRun::openWorking() {
    workingTried_ = true;
    resume_([&] {
        server();
        workingOpened_ = true;
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
        rs.open(ServerStatusQuery(), workingOpened_ ? server() : notOpened_, ado::adOpenKeyset,
                ado::adLockReadOnly);
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
    // Read on the working connection; the test's reading of the same server
    // is that list already. A failing read keeps the names read so far.
    if (!workingOpened_ || !testOpened_ || !banksRead_)
        resume_([&] { readBanks(workingOpened_ ? server() : notOpened_); });
    QStringList names;
    for (const QString& name : banksRead_.value_or(QStringList()))
        if (!name.isEmpty()) names << name;
    return names;
}

Connection& LoginRun::accountConnection() {
    if (testOpened_) return server();
    // A server that failed once is not waited for a second time.
    if (!workingTried_) openWorking();
    return workingOpened_ ? server() : notOpened_;
}

LoginRun::Lookup LoginRun::lookUp(ConnectionKeeper& keeper, const QString& username) {
    keeper_ = &keeper;
    account_ = {};
    Lookup result = Lookup::Failed;
    resume_([&] {
        Connection& c = accountConnection();
        const QString sql = AccountQuery(c.dialect(), username);
        QSqlQuery q = c.readQuery();
        if (!q.exec(sql)) c.raise(q.lastError(), sql);
        const QSqlRecord columns = q.record();
        auto text = [&](const char* name) {
            const int i = columns.indexOf(QString::fromLatin1(name));
            if (i < 0)
                c.raise(err::kItemNotFound, QStringLiteral("找不到列 ") + QLatin1String(name), sql);
            return q.value(i).toString();
        };
        const bool found = q.next();
        if (found) account_ = {text("username"), text("userpass"), text("timu")};
        while (q.next()) {
        }
        if (q.lastError().isValid()) c.raise(q.lastError(), sql);
        result = found ? Lookup::Found : Lookup::Missing;
    });
    return result;
}

bool LoginRun::storePassword(ConnectionKeeper& keeper, const QString& userpass) {
    keeper_ = &keeper;
    return resume_([&] {
        Connection& c = accountConnection();
        Recordset rs;
        rs.open(AccountQuery(c.dialect(), account_.username), c, ado::adOpenStatic,
                ado::adLockOptimistic);
        if (rs.eof()) return;
        rs.setField(QStringLiteral("userpass"), userpass);
        rs.update();
        account_.userpass = userpass;
    });
}

bool LoginRun::addAccount(ConnectionKeeper& keeper, const Account& a) {
    keeper_ = &keeper;
    return resume_([&] {
        Connection& c = accountConnection();
        Recordset rs;
        rs.openForAppend(AccountQuery(c.dialect(), a.username), c);
        rs.addNew();
        rs.setField(QStringLiteral("username"), a.username);
        rs.setField(QStringLiteral("userpass"), a.userpass);
        rs.setField(QStringLiteral("timu"), a.timu);
        rs.update();
        account_ = a;
    });
}

}  // namespace qs
