#pragma once

#include <QString>

#include "db/Connection.h"
#include "db/WorkFailure.h"

namespace qs {

// Where a command works: the server at an endpoint and the local file of a program folder.
struct DatabasePlace {
    QString endpoint;
    QString programFolder;
};

// The one place the windows and the writer open their databases: the server with the
// commands' connection timeout and server-side cursors, the local file with client-side
// ones. Each throws WorkFailure naming the database that could not be opened.
void OpenServerDatabase(Connection& server, const QString& endpoint);
void OpenLocalDatabase(Connection& local, const QString& programFolder);
// The local file first, then the server: the order the commands have always used.
void OpenBothDatabases(Connection& server, Connection& local, const DatabasePlace& place);

}  // namespace qs
