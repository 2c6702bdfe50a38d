// Stored procedures of the database, as C++ code: run by the embedded engine, and by SQLite's
// ODBC driver through the loadable extension's TSQL_EXEC.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace korvanda::sqlite {

using ProcedureArgs = std::vector<std::optional<std::string>>;

// Runs the procedure called by name (letter case ignored). Throws korvanda::Error: an unknown
// procedure, wrong arguments, or a failure of the database.
void runProcedure(sqlite3* db, const std::string& name, const ProcedureArgs& args);

// EstatusEnviadoSubsidio cicloIni, cicloFin, cveConstancia, cveInciso, tipoEndoso, pkCedente:
// marks as sent (EnviadoSubsidio = 1) the paid collections of the movements of that type of
// that item of that certificate, in programmes of the cycle, of that ceding fund. For type 0
// that is the collection of the initial movement (PkEndoso 0); for another type, the
// collections of the endorsements of that type. These are the rows the unmarking of a month
// sets back to 0 for the same register row.
void EstatusEnviadoSubsidio(sqlite3* db, const ProcedureArgs& args);

// Registers TSQL_EXEC(name, args...) on the connection: runs the procedure on that connection,
// inside whatever transaction it is in, and gives NULL; the procedure's refusals and the
// database's failures are the statement's error. Arguments as texts, NULL as NULL. The loadable
// extension registers it, so that a connection a driver opened runs the procedures itself.
// Returns an SQLite result code.
int registerProcedureFunction(sqlite3* db);

}  // namespace korvanda::sqlite
