#pragma once

#include <QString>
#include <QStringList>

namespace qs {

// The four server lines of a server-choice list, in order.
QStringList ServerLineNames();
// Each line followed by " - " and its location text (the combo's items).
QStringList ServerLineEntries();

// Picks the endpoint for the text of a server-choice combo: the main or
// backup line it names (by the substrings 主/备 and 1/2), else the typed
// text, else the local default instance "127.0.0.1".
QString ChooseEndpoint(const QString& comboText, const QString& download1, const QString& download2,
                       const QString& download3, const QString& download4);

// The two connection strings, exactly as the system writes them.
QString ServerConnectionString(const QString& endpoint);
QString LocalConnectionString(const QString& programFolder);
// Seconds the editor's commands wait for a server to answer a connection.
constexpr int kServerTimeoutSeconds = 30;
// The local file as a path of this system: <program folder>/anguidb.mdb.
QString LocalFilePath(const QString& programFolder);

// "host,port" or a bare host; port -1 when none is given.
struct HostPort {
    QString host;
    int port = -1;
};
HostPort SplitEndpoint(const QString& endpoint);

// Why an endpoint cannot be used, for the operator; empty when it is a host or
// "host,port". Anything that would change the connection string (";", "{",
// "}", "=") and a port that is not a number from 1 to 65535 are refused, so a
// typed text is only ever an address, never a switch to another database.
QString EndpointProblem(const QString& endpoint);

}  // namespace qs
