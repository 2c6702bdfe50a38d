#include "sqlite/procedures.h"

#include <sqlite3.h>

#include <cctype>
#include <charconv>

#include "sqlite/engine.h"
#include "sqlite/toolkit.h"
#include "core/ascii.h"

namespace korvanda::sqlite {
namespace {

// An int argument: SQL Server converts the literal and refuses what is not a number.
void bindInt(sqlite3_stmt* stmt, int index, const std::optional<std::string>& arg,
             const char* procedure) {
  if (!arg) {
    sqlite3_bind_null(stmt, index);
    return;
  }
  std::string_view s = *arg;
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  sqlite3_int64 v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size())
    throw Error(kErrStatement, kErrorSource,
                std::string("Error converting data type varchar to int: argument ") +
                    std::to_string(index) + " of " + procedure + " is '" + *arg + "'.");
  sqlite3_bind_int64(stmt, index, v);
}

}  // namespace

void EstatusEnviadoSubsidio(sqlite3* db, const ProcedureArgs& args) {
  static constexpr const char* kName = "EstatusEnviadoSubsidio";
  if (args.size() != 6)
    throw Error(kErrStatement, kErrorSource,
                std::string("Procedure or function '") + kName + "' expects 6 arguments (cicloIni, "
                "cicloFin, cveConstancia, cveInciso, tipoEndoso, pkCedente); " +
                    std::to_string(args.size()) + " were given.");
  // The same joins as the unmarking of a month, restricted to paid collections.
  Statement stmt = prepare(db,
      "UPDATE SICIMCOBRANZA SET EnviadoSubsidio = 1 WHERE rowid IN ("
      "SELECT C.rowid FROM SOLMCONSTANCIA S"
      " INNER JOIN FONMPROGRAMAS F ON S.PkPrograma = F.PkPrograma"
      " INNER JOIN SOLDINCISO I ON S.PkConstancia = I.PkConstancia"
      " INNER JOIN SOLDENDOSO E ON I.PkInciso = E.PkInciso"
      " INNER JOIN SICIMCOBRANZA C ON I.PkInciso = C.PKInciso"
      " WHERE F.CicloIni = ?1 AND F.CicloFin = ?2 AND S.CveConstancia = ?3"
      " AND I.CveInciso = ?4 AND E.PkTipoEndoso = ?5 AND I.PkCedente = ?6"
      " AND I.PkCedente = E.PkCedente"
      " AND C.PkEndoso = CASE C.PkEndoso WHEN 0 THEN E.PkTipoEndoso ELSE E.PkEndoso END"
      " AND C.fechaPago IS NOT NULL)");
  for (int i = 0; i < 6; ++i) bindInt(stmt.get(), i + 1, args[static_cast<size_t>(i)], kName);
  int rc = sqlite3_step(stmt.get());
  if (rc != SQLITE_DONE) throwSqlite(db, rc);
}

void runProcedure(sqlite3* db, const std::string& name, const ProcedureArgs& args) {
  if (ascii::equalsIgnoreCase(name, "EstatusEnviadoSubsidio")) return EstatusEnviadoSubsidio(db, args);
  throw Error(kErrStatement, kErrorSource, "Could not find stored procedure '" + name + "'.");
}

}  // namespace korvanda::sqlite
