#pragma once

#include <QString>

#include "db/SqlDialect.h"

namespace qs {

// The queries of the login and the registration. Values are SQL literals of
// the connection's dialect, so a name with an apostrophe finds exactly that
// account.
QString BankCountQuery();     // the connection test counts the banks
QString ServerStatusQuery();  // first row: adminlist, allonoff, offwhy, offtime
QString BankListQuery();      // bank names, newest name first
QString AccountQuery(const SqlDialect& dialect, const QString& username);

}  // namespace qs
