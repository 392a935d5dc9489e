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
// table with a trigger, and the failure of a statement after the first result
// of a batch reaches only a client that reads on to it (nextResult()).
// The server answers as SQL Server with a Chinese_PRC_CI_AS database does:
// "=" ignores case, width and trailing blanks, LIKE and charindex ignore case
// and width, and its limits and refusals carry SQL Server's error numbers as
// the native error code (see SqlServerStandIn.cpp and SqlServerRules.h).
//
// What it still cannot model:
// | SQL Server                                          | the stand-in                    |
// |-----------------------------------------------------|---------------------------------|
// | order by, group by, distinct, min/max follow the     | binary order and grouping       |
// |   collation                                          |                                 |
// | characters the collation does not define (emoji,    | compared as themselves          |
// |   rare ideographs) weigh nothing in comparisons      |                                 |
// | accent-, kana-sensitivity of other collations;      | one collation for the database  |
// |   a column's own collation                          |                                 |
// | a column read from a text stored as text/ntext is   | only answer and why0 are ntext  |
// |   limited the same way (QUESTION may be ntext too)  |                                 |
// | locks, blocking, deadlocks (1205), query timeouts   | SQLite's file lock only         |
// | a rolled-back write holding its locks until then    | not seen                        |
// | datetime's 1/300 s precision, datetime2             | times kept as written           |
// | implicit conversions beyond a number beside +       | SQLite's loose typing           |
// |   and cast(… as int)                                |                                 |
// | a non-recursive CTE expanded at each reference      | evaluated as SQLite does        |
// | a batch compiled whole: a column missing anywhere   | each statement judged when it   |
// |   refuses it before its first statement runs        |   runs                          |
// | 900-byte index keys, 8,060-byte rows                | no limit                        |
// | TLS, TDS versions, packet sizes                     | no network at all               |
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
