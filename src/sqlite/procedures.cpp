#include "sqlite/procedures.h"

// Also built into the loadable extension (-DKORVANDA_SQLITE_EXTENSION), which has only SQLite's
// extension interface: the procedures report what failed instead of throwing the library's errors.
#ifdef KORVANDA_SQLITE_EXTENSION
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT3
#else
#include <sqlite3.h>

#include "sqlite/engine.h"
#include "sqlite/toolkit.h"
#endif

#include <charconv>
#include <memory>
#include <string_view>

#include "core/ascii.h"

namespace korvanda::sqlite {
namespace {

// What a procedure did: SQLITE_OK, or the result code of a failure. A failure with a message
// is the procedure's refusal of its call; one without, the database's (sqlite3_errmsg).
struct Outcome {
  int rc = SQLITE_OK;
  std::string refusal;
};

Outcome refused(std::string message) { return {SQLITE_ERROR, std::move(message)}; }

struct Finalizer {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};

// An int argument: SQL Server converts the literal and refuses what is not a number.
bool bindInt(sqlite3_stmt* stmt, int index, const std::optional<std::string>& arg) {
  if (!arg) return sqlite3_bind_null(stmt, index) == SQLITE_OK;
  std::string_view s = *arg;
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  sqlite3_int64 v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
  return sqlite3_bind_int64(stmt, index, v) == SQLITE_OK;
}

Outcome estatusEnviadoSubsidio(sqlite3* db, const ProcedureArgs& args) {
  static constexpr const char* kName = "EstatusEnviadoSubsidio";
  if (args.size() != 6)
    return refused(std::string("Procedure or function '") + kName + "' expects 6 arguments (cicloIni, "
                   "cicloFin, cveConstancia, cveInciso, tipoEndoso, pkCedente); " +
                   std::to_string(args.size()) + " were given.");
  // The same joins as the unmarking of a month, restricted to paid collections.
  sqlite3_stmt* raw = nullptr;
  int rc = sqlite3_prepare_v2(db,
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
      " AND C.fechaPago IS NOT NULL)", -1, &raw, nullptr);
  std::unique_ptr<sqlite3_stmt, Finalizer> stmt(raw);
  if (rc != SQLITE_OK) return {rc, {}};
  for (int i = 0; i < 6; ++i)
    if (const auto& arg = args[static_cast<size_t>(i)]; !bindInt(stmt.get(), i + 1, arg))
      return refused("Error converting data type varchar to int: argument " + std::to_string(i + 1) +
                     " of " + kName + " is '" + arg.value_or("") + "'.");
  rc = sqlite3_step(stmt.get());
  return {rc == SQLITE_DONE ? SQLITE_OK : rc, {}};
}

Outcome callProcedure(sqlite3* db, std::string_view name, const ProcedureArgs& args) {
  if (ascii::equalsIgnoreCase(name, "EstatusEnviadoSubsidio")) return estatusEnviadoSubsidio(db, args);
  return refused("Could not find stored procedure '" + std::string(name) + "'.");
}

void fnExec(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (argc < 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL)
    return sqlite3_result_error(ctx, "TSQL_EXEC: the procedure's name is missing", -1);
  auto text = [](sqlite3_value* v) {
    return std::string(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                       static_cast<size_t>(sqlite3_value_bytes(v)));
  };
  ProcedureArgs args;
  for (int i = 1; i < argc; ++i)
    args.push_back(sqlite3_value_type(argv[i]) == SQLITE_NULL ? std::nullopt
                                                              : std::optional(text(argv[i])));
  sqlite3* db = sqlite3_context_db_handle(ctx);
  Outcome o = callProcedure(db, text(argv[0]), args);
  if (o.rc == SQLITE_OK) return sqlite3_result_null(ctx);
  sqlite3_result_error(ctx, o.refusal.empty() ? sqlite3_errmsg(db) : o.refusal.c_str(), -1);
  sqlite3_result_error_code(ctx, o.rc);
}

#ifndef KORVANDA_SQLITE_EXTENSION
void raise(sqlite3* db, const Outcome& o) {
  if (!o.refusal.empty()) throw Error(kErrStatement, kErrorSource, o.refusal);
  if (o.rc != SQLITE_OK) throwSqlite(db, o.rc);
}
#endif

}  // namespace

int registerProcedureFunction(sqlite3* db) {
  // It writes: never from a trigger or a view.
  return sqlite3_create_function_v2(db, "TSQL_EXEC", -1, SQLITE_UTF8 | SQLITE_DIRECTONLY, nullptr,
                                    fnExec, nullptr, nullptr, nullptr);
}

#ifndef KORVANDA_SQLITE_EXTENSION
void EstatusEnviadoSubsidio(sqlite3* db, const ProcedureArgs& args) {
  raise(db, estatusEnviadoSubsidio(db, args));
}

void runProcedure(sqlite3* db, const std::string& name, const ProcedureArgs& args) {
  raise(db, callProcedure(db, name, args));
}
#endif

}  // namespace korvanda::sqlite
