// The T-SQL functions the library's statements call, as SQLite functions. Depends only on
// SQLite and the standard library, so it can also be built as a loadable extension.
#pragma once

struct sqlite3;

namespace korvanda::sqlite {

// Registers on the connection:
//   LEN(x)        characters of x without trailing blanks (NULL for NULL)
//   YEAR(d), MONTH(d), DAY(d)   parts of a date text (ISO or day/month/year)
//   GETDATE()     the local date and time, "yyyy-mm-dd HH:MM:SS"
//   ObtenFechaFinMes(month, year)   the last second of that month
//   getCoordenadasFormatoC(cicloIni, cicloFin, constancia, inciso)
//                 the coordinates text of a claim item from SUBDCOORDENADASFC, '' when none
//   TSQL_DATETIME(x, order)   a date text read in the date order ('dmy'...) as ISO text
//   TSQL_ADD(a, b)   '+' decided on the values: text + text concatenates, numbers add
//   UPPER(x), LOWER(x), x LIKE p [ESCAPE e]   SQL Server's, for every Windows-1252 letter
// and the collation KV_CI_AS (collation.h), which the schema's text columns declare.
// Returns an SQLite result code.
int registerTsqlFunctions(sqlite3* db);

}  // namespace korvanda::sqlite
