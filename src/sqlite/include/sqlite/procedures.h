// Stored procedures of the database, as C++ code for the embedded engine.
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

}  // namespace korvanda::sqlite
