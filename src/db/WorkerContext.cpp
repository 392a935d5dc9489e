#include "db/WorkerContext.h"

#include "db/OpenDatabases.h"

namespace qs {

Connection& WorkerContext::server(const QString& endpoint) {
    return OpenServerDatabase(keeper_, endpoint);
}

Connection& WorkerContext::local(const QString& programFolder) {
    return OpenLocalDatabase(keeper_, programFolder);
}

}  // namespace qs
