#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

#include "db/Connection.h"
#include "db/ConnectionKeeper.h"
#include "db/DbError.h"

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

// What a login or a registration reads before the window decides anything.
struct LoginPlan {
    bool testConnection = true;  // false when 本地库.txt skips the connection test
    bool online = true;          // online1 as it stands when the test is skipped
    bool readStatus = true;      // the registration of the administrator reads no status
    QString account;             // the account a login looks up; empty: none now
};

// The database side of one login or registration: the local file, the
// connection test, the working server connection and the account row. The
// test and the working connection name the same server, so they are the one
// connection the database thread keeps for it. From the connection test on
// every step runs through `resume`, so a failing step is skipped and its error
// number kept for the connection failure message. Knows nothing about windows;
// every call but the constructor and the accessors runs on the database thread.
class LoginRun {
public:
    // Connection timeouts in seconds.
    static constexpr int kTestTimeout = 10;
    static constexpr int kWorkingTimeout = 30;
    enum class Lookup { Found, Missing, Failed };

    struct Reading {
        bool passed = true;  // false: the connection test failed and nothing else was read
        int bankCount = 0;   // what the connection test counted (0 when skipped)
        bool online = true;  // online1 afterwards
        std::optional<ServerStatus> status;
        QStringList banks;  // non-empty bank names, newest name first
        Lookup lookup = Lookup::Failed;
    };

    LoginRun(QString programFolder, QString endpoint, ResumeNext& resume);

    // The steps of a login or registration up to the account lookup, in the
    // order the window takes them, with `keeper`'s connections; stops after a
    // failed connection test or a status that closes the server.
    Reading read(ConnectionKeeper& keeper, const LoginPlan& plan);

    // Looks the account up (on the connection the test opened, else the
    // working connection, opened now when it was not tried).
    Lookup lookUp(ConnectionKeeper& keeper, const QString& username);
    const Account& account() const { return account_; }
    // Writes a password into the account row lookUp() found.
    bool storePassword(ConnectionKeeper& keeper, const QString& userpass);
    // Adds an account on the connection lookUp() used; false when it failed.
    bool addAccount(ConnectionKeeper& keeper, const Account& account);

    int lastErrorNumber() const { return resume_.lastErrorNumber(); }

private:
    int testConnection();
    void openWorking();
    std::optional<ServerStatus> readStatus();
    QStringList bankNames();
    Connection& server();
    Connection& accountConnection();
    void readBanks(Connection& c);
    // Once the server connection is open: the reads this run will make on it,
    // in one round trip where the server allows.
    void prefetch();
    // The rows of `sql` on `c`: read ahead by prefetch(), else read now.
    ReadRows select(Connection& c, const QString& sql);

    QString programFolder_;
    QString endpoint_;
    ResumeNext& resume_;
    ConnectionKeeper* keeper_ = nullptr;
    LoginPlan plan_;
    QHash<QString, ReadRows> prefetched_;
    // Stands for a connection that was not opened: every statement on it
    // fails as on a closed connection.
    Connection notOpened_;
    bool testOpened_ = false;
    bool workingTried_ = false;
    bool workingOpened_ = false;
    // The banks the connection test read, in list order, empty names
    // included; the bank list reuses them.
    std::optional<QStringList> banksRead_;
    Account account_;
};

}  // namespace qs
