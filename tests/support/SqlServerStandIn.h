#pragma once

#include <QString>
#include <QStringList>

namespace qs::test {

// SQL Server without a server: a Qt SQL driver registered under the name the
// SQL Server backend asks for (QODBC). Each endpoint is an SQLite file laid
// out like a field database (timu with an audit trigger, rizi with only
// stime, username and body). Every statement the program sends is recorded,
// translated from T-SQL (see SqlServerStandIn.cpp) and run on that file, and
// the driver answers as Qt's ODBC driver over FreeTDS does: a statement that
// is not forward-only cannot fetch its rows (HY106), a forward-only statement
// with unread rows blocks the connection (24000), affected-row counts are -1
// (the server runs SET NOCOUNT ON), `output` without `into` is refused on a
// table with a trigger.
namespace SqlServerStandIn {

// Registers the driver (once per process).
void install();

// The SQLite file the stand-in keeps for `endpoint`, created with the field
// layout when missing. Opening it as an embedded server gives the test its
// own view, unrecorded.
QString prepareFile(const QString& endpoint);

// A database in code page 936: string literals without N lose the
// characters outside that code page (they become '?').
void setCodePage936(bool on);

// Statements the program has sent since the process started (for benchmarks:
// the difference across a command is what the command sent).
int statementCount();

// What is wrong with the statements the program sent since the last call:
// one line per fault, naming the statement. Clears the record.
QStringList takeFaults();

}  // namespace SqlServerStandIn

}  // namespace qs::test
