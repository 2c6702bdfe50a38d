// What the reliability tests share: descriptor counts, table digests read with a connection of
// their own, records to register, and a child process that holds the database's write lock.
#pragma once

#include <sys/types.h>

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

  // Runs a statement with its ? parameters bound to texts (nullopt is NULL).
  void run(const std::string& sql, const std::vector<std::optional<std::string>>& params = {});
  // The first column of the first row as text (nullopt for NULL or no row).
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

// The livestock record's texts: strPoliza, strEndoso, strapPaterno, strapMaterno, strNombres,
// strIdentifica, strObservaciones, pstrIdFondo.
struct GanaderoTexts {
  static constexpr size_t kCount = 8;
  static const char* const kArgument[kCount];
  static const char* const kColumn[kCount];
  std::vector<std::string> text;
  explicit GanaderoTexts(const std::string& poliza);
};
bool insertGanadero(clsCatValida& cv, const GanaderoTexts& r);

// A child process that opens the database file with SQLite and holds BEGIN EXCLUSIVE until it
// is released (or for at most holdMillis); ready once the lock is taken.
class LockHolder {
 public:
  LockHolder(const std::string& file, int holdMillis = 60000);
  ~LockHolder();
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;
  bool locked() const { return locked_; }
  // Ends the child, and so its lock.
  void release();

 private:
  pid_t pid_ = -1;
  bool locked_ = false;
};

}  // namespace korvanda::reliability
