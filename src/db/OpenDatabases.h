#pragma once

#include <QString>

#include "db/Connection.h"
#include "db/ConnectionKeeper.h"
#include "db/WorkFailure.h"

namespace qs {

// The one place the windows and the writer open their databases, as `keeper` keeps them (the
// database thread's keeper keeps them from one command to the next): the server with the
// commands' connection timeout and server-side cursors, the local file with client-side ones.
// Each throws WorkFailure naming the database that could not be opened.
Connection& OpenServerDatabase(ConnectionKeeper& keeper, const QString& endpoint);
Connection& OpenLocalDatabase(ConnectionKeeper& keeper, const QString& programFolder);

}  // namespace qs
