#include "login/LoginRun.h"

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
    plan_ = plan;
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

void LoginRun::prefetch() {
    if (!prefetched_.isEmpty()) return;
    Connection& c = server();
    QStringList selects{BankListQuery()};
    if (plan_.readStatus) selects << ServerStatusQuery();
    if (!plan_.account.isEmpty()) selects << AccountQuery(c.dialect(), plan_.account);
    const QList<ReadRows> read = c.readAll(selects);
    for (int i = 0; i < selects.size(); ++i) prefetched_.insert(selects[i], read[i]);
}

ReadRows LoginRun::select(Connection& c, const QString& sql) {
    if (&c != &notOpened_ && prefetched_.contains(sql)) return prefetched_.take(sql);
    return c.readAll({sql}).value(0);
}

// One query serves the test and the bank list: the bank table in list order,
// every row counted, the names kept.
void LoginRun::readBanks(Connection& c) {
    banksRead_ = QStringList();
    Recordset rs;
    rs.openRows(select(c, BankListQuery()));
    const bool named = rs.columnNames().contains(QStringLiteral("mantype"), Qt::CaseInsensitive);
    for (; !rs.eof(); rs.moveNext())
        *banksRead_ << (named ? rs.text(QStringLiteral("mantype")) : QString());
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
        prefetch();
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
        prefetch();
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
        rs.openRows(select(workingOpened_ ? server() : notOpened_, ServerStatusQuery()));
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
        Recordset rs;
        rs.openRows(select(c, AccountQuery(c.dialect(), username)));
        if (rs.eof()) {
            result = Lookup::Missing;
            return;
        }
        account_.username = rs.text(QStringLiteral("username"));
        account_.userpass = rs.text(QStringLiteral("userpass"));
        account_.timu = rs.text(QStringLiteral("timu"));
        result = Lookup::Found;
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
