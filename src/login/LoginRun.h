#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Recordset.h"

namespace qs {

// The first row of conf.
struct ServerStatus {
    QString adminlist;
    bool closed = false;  // allonoff is 0: the server is closed for maintenance
    QString offwhy;
    QString offtime;
};

struct Account {
    QString username;
    QString userpass;
    QString timu;
};

// The database side of one login or registration: the local file, the
// connection test and the working server connection, and the account row.
// From the connection test on every step runs through `resume`, so a failing
// step is skipped and its error number kept for the connection failure
// message. Knows nothing about windows.
class LoginRun {
public:
    // Connection timeouts in seconds.
    static constexpr int kTestTimeout = 10;
    static constexpr int kWorkingTimeout = 30;

    LoginRun(QString programFolder, ResumeNext& resume);

    // The endpoint of this run. The account queries reach it even when the
    // connection test is skipped and no working connection was opened.
    void setEndpoint(const QString& endpoint) { workingEndpoint_ = endpoint; }

    // Opens the local file (its failure is of no concern here) and the test
    // connection to `endpoint`, and counts the server's banks: more than 0
    // means the server is usable. The test connection then serves the
    // account queries.
    int testConnection(const QString& endpoint);
    void openWorking(const QString& endpoint);

    // The first row of conf; none when the table is empty or unreadable.
    std::optional<ServerStatus> readStatus();
    // Non-empty bank names, newest name first. A failing read keeps the names
    // read so far and ends the walk.
    QStringList bankNames();

    enum class Lookup { Found, Missing, Failed };
    // Opens the account of `username`, on the test connection or, when the
    // test was skipped, on the working connection (opened for it).
    Lookup lookUp(const QString& username);
    const Account& account() const { return account_; }
    // Writes a password into the open account row.
    bool storePassword(const QString& userpass);
    // Adds an account on the connection lookUp() used; false when it failed.
    bool addAccount(const Account& account);
    void closeAccount();

    int lastErrorNumber() const { return resume_.lastErrorNumber(); }

private:
    Connection& accountConnection();

    QString programFolder_;
    QString workingEndpoint_;
    bool workingTried_ = false;
    ResumeNext& resume_;
    Connection local_;
    Connection test_;
    Connection working_;
    Recordset accountRs_;
    Account account_;
};

}  // namespace qs
