#include "db/OpenDatabases.h"

#include "db/DbError.h"
#include "db/Endpoints.h"

namespace qs {

Connection& OpenServerDatabase(ConnectionKeeper& keeper, const QString& endpoint) {
    try {
        return keeper.connection(ServerConnectionString(endpoint), kServerTimeoutSeconds,
                                 ado::adUseServer);
    } catch (const DbError& e) {
        throw WorkFailure(Side::Server, e);
    }
}

Connection& OpenLocalDatabase(ConnectionKeeper& keeper, const QString& programFolder) {
    try {
        return keeper.connection(LocalConnectionString(programFolder), 0, ado::adUseClient);
    } catch (const DbError& e) {
        throw WorkFailure(Side::Local, e);
    }
}

}  // namespace qs
