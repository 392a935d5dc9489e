#pragma once

// Inside the database module only: the PostgreSQL connection behind Qt's
// driver, for what the driver does not offer (bulk loads, pipelined reads,
// the state of the link).

#include <libpq-fe.h>

class QSqlDatabase;

namespace qs {

// Null on any other driver or when the connection is not open.
PGconn* PostgresHandle(const QSqlDatabase& db);

}  // namespace qs
