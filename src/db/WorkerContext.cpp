#include "db/WorkerContext.h"

#include "db/Endpoints.h"

namespace qs {

Connection& WorkerContext::server(const QString& endpoint, int timeoutSeconds) {
    return keeper_.connection(ServerConnectionString(endpoint), timeoutSeconds, ado::adUseServer);
}

Connection& WorkerContext::local(const QString& programFolder) {
    return keeper_.connection(LocalConnectionString(programFolder), 0, ado::adUseClient);
}

}  // namespace qs
