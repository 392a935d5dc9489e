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
QString ChooseEndpoint(const QString& comboText, const QString& download1,
                       const QString& download2, const QString& download3,
                       const QString& download4);

// The two connection strings, exactly as the system writes them.
QString ServerConnectionString(const QString& endpoint);
QString LocalConnectionString(const QString& programFolder);

// "host,port" or a bare host; port -1 when none is given.
struct HostPort {
    QString host;
    int port = -1;
};
HostPort SplitEndpoint(const QString& endpoint);

}  // namespace qs
