#pragma once

#include <QString>
#include <QStringList>

#include "db/SqlDialect.h"

namespace qs {

// Deployment settings: built-in defaults, overridden by an optional
// servers.ini beside the program.
struct ServerSettings {
    Backend backend = Backend::SqlServer;
    QString mainEndpoint;       // both main lines
    QString backupEndpoint;     // both backup lines
    QStringList syncEndpoints;  // the five endpoints of the synchronisation lists
    QString adminName;          // may register while the server is closed
    QString adminPhone;         // shown in the maintenance message

    static ServerSettings defaults();
};

struct LoadedSettings {
    ServerSettings settings;
    // Empty when the file was absent or read cleanly; otherwise a message for
    // the operator naming the file and line (the defaults are then in force).
    QString error;
};

// Reads <programFolder>/servers.ini when it exists.
LoadedSettings LoadServerSettings(const QString& programFolder);
// Parses the text of a servers.ini (fileName only names it in messages).
LoadedSettings ParseServerSettings(const QString& text, const QString& fileName);

}  // namespace qs
