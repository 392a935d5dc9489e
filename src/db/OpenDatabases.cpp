#include "db/OpenDatabases.h"

#include "db/DbError.h"
#include "db/Endpoints.h"

namespace qs {

void OpenServerDatabase(Connection& server, const QString& endpoint) {
    try {
        server.open(ServerConnectionString(endpoint), kServerTimeoutSeconds, ado::adUseServer);
    } catch (const DbError& e) {
        throw WorkFailure(Side::Server, e);
    }
}

void OpenLocalDatabase(Connection& local, const QString& programFolder) {
    try {
        local.open(LocalConnectionString(programFolder), 0, ado::adUseClient);
    } catch (const DbError& e) {
        throw WorkFailure(Side::Local, e);
    }
}

void OpenBothDatabases(Connection& server, Connection& local, const DatabasePlace& place) {
    OpenLocalDatabase(local, place.programFolder);
    OpenServerDatabase(server, place.endpoint);
}

}  // namespace qs
