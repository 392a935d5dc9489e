#include "db/ConnectionKeeper.h"

#include <algorithm>

namespace qs {

ConnectionKeeper::ConnectionKeeper(int capacity) : capacity_(qMax(1, capacity)) {}

ConnectionKeeper::~ConnectionKeeper() {
    closeAll();
}

// A server string names a different database when the server backend or the
// folder of the embedded servers changes, so both are part of the key.
QString ConnectionKeeper::keyOf(const QString& connectionString) {
    const DbEnvironment& env = DbEnvironment::current();
    return connectionString + QLatin1Char('\n') + QString::number(int(env.serverBackend)) +
           QLatin1Char('\n') + env.embeddedServerFolder;
}

Connection& ConnectionKeeper::connection(const QString& connectionString, int timeoutSeconds,
                                         int cursorLocation) {
    const QString key = keyOf(connectionString);
    auto it = std::find_if(kept_.begin(), kept_.end(), [&](const Kept& k) { return k.key == key; });
    if (it != kept_.end()) {
        std::rotate(kept_.begin(), it, it + 1);
        Connection& c = *kept_.front().connection;
        if (c.isOpen() && !c.linkBroken()) return c;
    } else {
        if (int(kept_.size()) >= capacity_) kept_.pop_back();
        kept_.insert(kept_.begin(), Kept{key, std::make_unique<Connection>()});
    }
    Connection& c = *kept_.front().connection;
    try {
        c.open(connectionString, timeoutSeconds, cursorLocation);
    } catch (const DbError&) {
        kept_.erase(kept_.begin());
        throw;
    }
    ++opened_;
    return c;
}

void ConnectionKeeper::close(const QString& connectionString) {
    const QString key = keyOf(connectionString);
    std::erase_if(kept_, [&](const Kept& k) { return k.key == key; });
}

void ConnectionKeeper::settle() {
    for (Kept& k : kept_)
        if (k.connection->isOpen() && k.connection->inTransaction()) k.connection->rollback();
}

void ConnectionKeeper::closeAll() {
    kept_.clear();
}

bool ConnectionKeeper::LinkFailure(const DbError& error, const Connection& c) {
    return error.number() == err::kDiskOrNetwork || error.number() == err::kConnectionUnusable ||
           c.linkBroken();
}

}  // namespace qs
