#pragma once

#include <QString>
#include <memory>
#include <utility>
#include <vector>

#include "db/Connection.h"
#include "db/DbError.h"

namespace qs {

// Keeps connections open between commands, as a pool would: asked for a
// connection string, it gives the connection it already holds for it (the
// same Connection object for as long as it is kept), opening it the first
// time and again when the link is found broken. It lives on the thread that
// uses its connections (a Qt SQL connection belongs to the thread that opened
// it) and closes them there when it ends.
//
// When the link breaks under a command, the command is run again on a fresh
// connection only when that cannot repeat anything: use() runs its work a
// second time when the first run failed because the link broke (error 3043 or
// 3709, or a connection found broken afterwards) and had sent nothing that may
// write (Connection::possibleWrites() had not moved). Otherwise the failure
// stands: what reached the server of a write in flight is not known.
class ConnectionKeeper {
public:
    // At most `capacity` connections are kept; the least recently asked for
    // is closed to make room.
    explicit ConnectionKeeper(int capacity = 4);
    ~ConnectionKeeper();
    ConnectionKeeper(const ConnectionKeeper&) = delete;
    ConnectionKeeper& operator=(const ConnectionKeeper&) = delete;

    // The open connection for `connectionString` (as Connection::open takes
    // it; the timeout and cursor location apply when it is opened). Checks the
    // kept one without a round trip (Connection::linkBroken). Throws DbError
    // when it cannot be opened; nothing is kept then.
    Connection& connection(const QString& connectionString, int timeoutSeconds = 0,
                           int cursorLocation = ado::adUseServer);

    // Runs work(Connection&) on the kept connection, once more on a fresh one
    // when the link broke before it wrote (above). `work` must start from
    // scratch each time it is called.
    template <class F>
    auto use(const QString& connectionString, int timeoutSeconds, int cursorLocation, F&& work)
        -> decltype(work(std::declval<Connection&>())) {
        Connection& c = connection(connectionString, timeoutSeconds, cursorLocation);
        const quint64 writes = c.possibleWrites();
        try {
            return work(c);
        } catch (const DbError& e) {
            if (!LinkFailure(e, c) || c.possibleWrites() != writes) throw;
        }
        close(connectionString);
        return work(connection(connectionString, timeoutSeconds, cursorLocation));
    }

    // Rolls back any transaction a command left open on a kept connection:
    // its locks would keep every other instance of the program waiting. Run
    // after each command.
    void settle();

    // Closes the kept connection for a connection string, if any.
    void close(const QString& connectionString);
    void closeAll();
    // Connections opened since the keeper was made.
    int opened() const { return opened_; }

    // True when `error` on `c` means the link broke rather than the server
    // refusing a statement.
    static bool LinkFailure(const DbError& error, const Connection& c);

private:
    struct Kept {
        QString key;
        std::unique_ptr<Connection> connection;
    };
    static QString keyOf(const QString& connectionString);

    int capacity_;
    int opened_ = 0;
    std::vector<Kept> kept_;  // most recently asked for first
};

}  // namespace qs
