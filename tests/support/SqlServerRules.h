#pragma once

#include <QString>

struct sqlite3;

namespace qs::test {

// How SQL Server under a Chinese_PRC_CI_AS-like collation compares texts,
// as SQLite functions for the SQL Server stand-in:
//  - collation qs_ci: "=" and the other comparisons ignore case, width
//    (full-width Ａ is A) and trailing blanks;
//  - like(pattern, text[, escape]): T-SQL LIKE (%, _, [set], [^set],
//    [a-z]) ignoring case and width but not trailing blanks; a pattern over
//    8,000 bytes is refused with error 8152;
//  - qs_charindex(find, text): charindex under the same rule (8152 beyond
//    8,000 bytes to find);
//  - qs_int(value): a conversion to int, refusing a text that is no number
//    with error 245.
// A refusal is an SQLite error whose text starts "qs-error <number>: ".
void InstallSqlServerRules(sqlite3* db);

// The text a refusal carries: "qs-error <number>: <message>".
QString SqlServerError(int number, const QString& message);

// The number and message of an SQLite error text that carries a refusal;
// number 0 when it carries none.
int SqlServerErrorNumber(const QString& text, QString* message);

}  // namespace qs::test
