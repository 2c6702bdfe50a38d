#include "sqlite/functions.h"
#include "reliability_support.h"

#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <stdexcept>

namespace korvanda::reliability {

size_t openDescriptors() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

// ---- RawDatabase

namespace {

struct Finalize {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, Finalize>;

Stmt prepare(sqlite3* db, const std::string& sql, const std::vector<std::optional<std::string>>& params) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
    throw std::runtime_error(sql + ": " + sqlite3_errmsg(db));
  Stmt stmt(raw);
  for (size_t i = 0; i < params.size(); ++i) {
    const int at = static_cast<int>(i + 1);
    if (params[i])
      sqlite3_bind_text(raw, at, params[i]->data(), static_cast<int>(params[i]->size()),
                        SQLITE_TRANSIENT);
    else sqlite3_bind_null(raw, at);
  }
  return stmt;
}

// FNV-1a over every row: storage class and bytes of each value.
std::string digestRows(sqlite3* db, const std::string& sql) {
  Stmt stmt = prepare(db, sql, {});
  uint64_t h = 1469598103934665603ull;
  auto mix = [&](const void* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      h ^= static_cast<const unsigned char*>(p)[i];
      h *= 1099511628211ull;
    }
  };
  size_t rows = 0;
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    ++rows;
    for (int c = 0; c < sqlite3_column_count(stmt.get()); ++c) {
      const int type = sqlite3_column_type(stmt.get(), c);
      mix(&type, sizeof type);
      const auto* bytes = sqlite3_column_blob(stmt.get(), c);
      mix(bytes, static_cast<size_t>(sqlite3_column_bytes(stmt.get(), c)));
      mix("\x1f", 1);
    }
  }
  if (rc != SQLITE_DONE) throw std::runtime_error(sql + ": " + sqlite3_errmsg(db));
  return std::to_string(rows) + " rows, " + std::to_string(h);
}

}  // namespace

RawDatabase::RawDatabase(const std::string& file) {
  if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
      korvanda::sqlite::registerTsqlFunctions(db_) != SQLITE_OK) {
    std::string why = sqlite3_errmsg(db_);
    sqlite3_close(db_);
    throw std::runtime_error("cannot open " + file + ": " + why);
  }
  sqlite3_busy_timeout(db_, 10000);
}

RawDatabase::~RawDatabase() { sqlite3_close_v2(db_); }

std::optional<std::string> RawDatabase::text(const std::string& sql,
                                             const std::vector<std::optional<std::string>>& params) {
  Stmt stmt = prepare(db_, sql, params);
  int rc = sqlite3_step(stmt.get());
  if (rc == SQLITE_DONE) return std::nullopt;
  if (rc != SQLITE_ROW) throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
  if (sqlite3_column_type(stmt.get(), 0) == SQLITE_NULL) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0)),
                     static_cast<size_t>(sqlite3_column_bytes(stmt.get(), 0)));
}

int64_t RawDatabase::integer(const std::string& sql, const std::vector<std::optional<std::string>>& params) {
  return std::stoll(text(sql, params).value());
}

std::map<std::string, std::string> RawDatabase::digests() {
  std::map<std::string, std::string> out;
  std::vector<std::string> tables;
  {
    Stmt stmt = prepare(
        db_, "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite%'", {});
    while (sqlite3_step(stmt.get()) == SQLITE_ROW)
      tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0)));
  }
  for (const std::string& t : tables) out[t] = digestRows(db_, "SELECT * FROM \"" + t + "\" ORDER BY rowid");
  return out;
}

std::string RawDatabase::digest(const std::string& table, int64_t maxRowid) {
  return digestRows(db_, "SELECT * FROM \"" + table + "\" WHERE rowid <= " +
                             std::to_string(maxRowid) + " ORDER BY rowid");
}

// ---- records

const char* const AgricolaTexts::kArgument[kCount] = {
    "strPoliza", "strEndoso", "strapPaterno", "strapMaterno", "strNombres", "strIdentifica",
    "strCiclo", "strRiesgos", "strObservaciones", "pintTipoSeguro", "strRFC",
    "strTipoVialidad", "strNomVialidad", "strNumExterior1", "strNumExterior2", "strNumInterior",
    "strTipoAsentamiento", "strNomAsentamiento", "strCodPostal", "strLocalidad",
    "strMunicipioDom", "strEstadoDom", "strEntreVialidades", "strVialidadPosterior",
    "strDescUbicacion", "pstrTipoLocalizacion", "pstrCarretera", "pstrCamino"};
const char* const AgricolaTexts::kColumn[kCount] = {
    "poliza", "endoso", "apPaterno", "apMaterno", "Nombres", "identificacion", "ciclo",
    "riesgos", "observaciones", "", "RFC", "TipoVialidad", "NomVialidad", "NumExterior1",
    "NumExterior2", "NumInterior", "TipoAsentamiento", "NomAsentamiento", "CodPostal",
    "Localidad", "MunicipioDom", "EstadoDom", "EntreVialidades", "VialidadPosterior",
    "DescUbicacion", "TipoLocalizacion", "Carretera", "Camino"};

AgricolaTexts::AgricolaTexts(const std::string& poliza)
    : text{poliza, "0",      "Paterno", "Materno", "Nombre", "ID-1",  "PV2026", "1,2",
           "obs",  "1",      "RFC-1",   "CALLE",   "Via",    "12",    "",       "B",
           "COL",  "Centro", "01000",   "0001",    "15",     "9",     "a y b",  "c",
           "d",    "U",      "",        ""} {}

bool insertAgricola(clsCatValida& cv, const AgricolaTexts& r, const ConnectionRef& conn,
                    const std::string& sendTo, Date vigenciaIni) {
  const auto& t = r.text;
  return cv.insertAgricola(
      t[0], t[1], 1, 3, t[2], t[3], t[4], t[5], 1, 5, t[6], 5, 2, vigenciaIni,
      dateFromParts(2026, 10, 31), 12.5, 150000, 1234.56, 0.1, 3.25, 2000, 100, 99.99, 1, 2,
      dateFromParts(2026, 5, 15), 17.1234, t[7], t[8], t[9], t[10], t[11], t[12], t[13], t[14],
      t[15], t[16], t[17], t[18], t[19], t[20], t[21], t[22], t[23], t[24], t[25], t[26], t[27],
      7, 123456, 2026, 4, 2026, 12, conn, sendTo);
}

}  // namespace korvanda::reliability
