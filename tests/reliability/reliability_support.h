// What the reliability tests share: descriptor counts, table digests read with a connection of
// their own, and records to register.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "korvanda/clsCatValida.h"
#include "korvanda/connection.h"
#include "korvanda/textform.h"

struct sqlite3;

namespace korvanda::reliability {

// Entries of /proc/self/fd.
size_t openDescriptors();

// A plain SQLite connection to a database file, outside the library.
class RawDatabase {
 public:
  explicit RawDatabase(const std::string& file);
  ~RawDatabase();
  RawDatabase(const RawDatabase&) = delete;
  RawDatabase& operator=(const RawDatabase&) = delete;

  // The first column of the first row as text (nullopt for NULL or no row), with its ?
  // parameters bound to texts (nullopt is NULL).
  std::optional<std::string> text(const std::string& sql,
                                  const std::vector<std::optional<std::string>>& params = {});
  int64_t integer(const std::string& sql, const std::vector<std::optional<std::string>>& params = {});
  // Every table's rows (in rowid order, each value with its storage class), one digest per table.
  std::map<std::string, std::string> digests();
  // The same for one table's rows with rowid up to maxRowid.
  std::string digest(const std::string& table, int64_t maxRowid);

 private:
  sqlite3* db_ = nullptr;
};

// An agricultural subscription record: its 28 text arguments in the member's order, and the
// other values fixed (state 1, municipality 5 of the demo data).
struct AgricolaTexts {
  static constexpr size_t kCount = 28;
  // Argument names and the SUBMAGRICOLA column each one is stored in ("" for pintTipoSeguro,
  // which is read as a number).
  static const char* const kArgument[kCount];
  static const char* const kColumn[kCount];
  std::vector<std::string> text;
  explicit AgricolaTexts(const std::string& poliza);
};
bool insertAgricola(clsCatValida& cv, const AgricolaTexts& r, const ConnectionRef& conn,
                    const std::string& sendTo = "Archivo", Date vigenciaIni = dateFromParts(2026, 4, 1));

}  // namespace korvanda::reliability
