#include "sqlite/functions.h"

#ifdef KORVANDA_SQLITE_EXTENSION
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1
#else
#include <sqlite3.h>
#endif

#include <cctype>
#include <charconv>
#include <cmath>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>

#include "sqlite/collation.h"
#include "sqlite/procedures.h"
#include "sqlite/tsqldate.h"

namespace korvanda::sqlite {
namespace {

using tsql::DateOrder;

std::string_view textOf(sqlite3_value* v) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
  return p ? std::string_view(p, static_cast<size_t>(sqlite3_value_bytes(v))) : std::string_view();
}

void conversionFailed(sqlite3_context* ctx, std::string_view text, const char* type) {
  std::string msg = "Conversion failed when converting the value '";
  msg.append(text);
  msg += "' to data type ";
  msg += type;
  msg += ".";
  sqlite3_result_error(ctx, msg.c_str(), -1);
}

// A date argument: text in ISO form (what DATETIME columns hold) or day/month/year.
bool dateArgument(sqlite3_context* ctx, sqlite3_value* v, tsql::DateTime& out) {
  std::string_view s = textOf(v);
  auto d = tsql::parseDate(s, DateOrder::dmy);
  if (!d) {
    conversionFailed(ctx, s, "datetime");
    return false;
  }
  out = *d;
  return true;
}

void fnLen(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  std::string_view s = textOf(argv[0]);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  sqlite3_int64 n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;  // count UTF-8 lead bytes
  sqlite3_result_int64(ctx, n);
}

template <int tsql::DateTime::*Part>
void fnDatePart(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  tsql::DateTime d;
  if (dateArgument(ctx, argv[0], d)) sqlite3_result_int(ctx, d.*Part);
}

void fnGetDate(sqlite3_context* ctx, int, sqlite3_value**) {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  tsql::DateTime d{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  std::string s = tsql::formatIso(d);
  sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void fnFinMes(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
    return sqlite3_result_null(ctx);
  sqlite3_int64 month = sqlite3_value_int64(argv[0]);
  sqlite3_int64 year = sqlite3_value_int64(argv[1]);
  if (month < 1 || month > 12 || year < 1753 || year > 9999) {
    std::string msg = "ObtenFechaFinMes: there is no month " + std::to_string(month) +
                      " of year " + std::to_string(year) + ".";
    return sqlite3_result_error(ctx, msg.c_str(), -1);
  }
  tsql::DateTime d{static_cast<int>(year), static_cast<int>(month), 0, 23, 59, 59};
  d.day = tsql::daysInMonth(d.year, d.month);
  std::string s = tsql::formatIso(d);
  sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void fnCoordenadas(sqlite3_context* ctx, int, sqlite3_value** argv) {
  sqlite3* db = sqlite3_context_db_handle(ctx);
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db,
                              "SELECT Coordenadas FROM SUBDCOORDENADASFC WHERE CicloIni = ?1 AND "
                              "CicloFin = ?2 AND CveConstancia = ?3 AND CveInciso = ?4",
                              -1, &stmt, nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = std::string("getCoordenadasFormatoC: ") + sqlite3_errmsg(db);
    sqlite3_finalize(stmt);
    return sqlite3_result_error(ctx, msg.c_str(), -1);
  }
  for (int i = 0; i < 4; ++i) sqlite3_bind_value(stmt, i + 1, argv[i]);
  rc = sqlite3_step(stmt);
  if (rc == SQLITE_ROW) {
    sqlite3_result_value(ctx, sqlite3_column_value(stmt, 0));
  } else if (rc == SQLITE_DONE) {
    sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
  } else {
    std::string msg = std::string("getCoordenadasFormatoC: ") + sqlite3_errmsg(db);
    sqlite3_result_error(ctx, msg.c_str(), -1);
  }
  sqlite3_finalize(stmt);
}

void fnDateTime(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  DateOrder order = DateOrder::dmy;
  if (argc > 1) {
    auto o = tsql::dateOrderFromName(textOf(argv[1]));
    if (!o) return sqlite3_result_error(ctx, "TSQL_DATETIME: unknown date order", -1);
    order = *o;
  }
  std::string_view s = textOf(argv[0]);
  auto iso = tsql::normalizeDate(s, order);
  if (!iso) return conversionFailed(ctx, s, "datetime");
  sqlite3_result_text(ctx, iso->c_str(), static_cast<int>(iso->size()), SQLITE_TRANSIENT);
}

// A text operand of a numeric '+': SQL Server converts it to the number's type.
bool numberFromText(sqlite3_context* ctx, sqlite3_value* v, double& out, bool& integral,
                    sqlite3_int64& iout) {
  std::string_view s = textOf(v);
  std::string_view t = s;
  while (!t.empty() && std::isspace(static_cast<unsigned char>(t.front()))) t.remove_prefix(1);
  while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back()))) t.remove_suffix(1);
  if (t.empty()) {  // '' converts to 0
    integral = true, iout = 0, out = 0;
    return true;
  }
  auto r = std::from_chars(t.data(), t.data() + t.size(), iout);
  if (r.ec == std::errc() && r.ptr == t.data() + t.size()) {
    integral = true;
    out = static_cast<double>(iout);
    return true;
  }
  std::string copy(t);
  char* end = nullptr;
  out = std::strtod(copy.c_str(), &end);
  if (end && *end == '\0') {
    integral = false;
    return true;
  }
  conversionFailed(ctx, s, "numeric");
  return false;
}

void fnAdd(sqlite3_context* ctx, int, sqlite3_value** argv) {
  int ta = sqlite3_value_type(argv[0]), tb = sqlite3_value_type(argv[1]);
  if (ta == SQLITE_NULL || tb == SQLITE_NULL) return sqlite3_result_null(ctx);
  if ((ta == SQLITE_TEXT || ta == SQLITE_BLOB) && (tb == SQLITE_TEXT || tb == SQLITE_BLOB)) {
    std::string s(textOf(argv[0]));
    s.append(textOf(argv[1]));
    return sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
  }
  double x[2];
  bool integral[2];
  sqlite3_int64 ix[2];
  for (int i = 0; i < 2; ++i) {
    int t = i ? tb : ta;
    if (t == SQLITE_INTEGER) {
      ix[i] = sqlite3_value_int64(argv[i]);
      x[i] = static_cast<double>(ix[i]);
      integral[i] = true;
    } else if (t == SQLITE_FLOAT) {
      x[i] = sqlite3_value_double(argv[i]);
      integral[i] = false;
    } else if (!numberFromText(ctx, argv[i], x[i], integral[i], ix[i])) {
      return;
    }
  }
  sqlite3_int64 sum = 0;
  if (integral[0] && integral[1] && !__builtin_add_overflow(ix[0], ix[1], &sum))
    return sqlite3_result_int64(ctx, sum);
  sqlite3_result_double(ctx, x[0] + x[1]);
}

int compareText(void*, int na, const void* a, int nb, const void* b) {
  return collation::compare(std::string_view(static_cast<const char*>(a), static_cast<size_t>(na)),
                            std::string_view(static_cast<const char*>(b), static_cast<size_t>(nb)));
}

template <std::string (*Map)(std::string_view)>
void fnCase(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  std::string s = Map(textOf(argv[0]));
  sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// like(pattern, text [, escape]): "text LIKE pattern [ESCAPE escape]". The compiled pattern is
// kept with the statement while the pattern stays the same.
void fnLike(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i)
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  std::optional<char32_t> escape;
  if (argc == 3 && !(escape = collation::singleCharacter(textOf(argv[2]))))
    return sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
  std::string_view pattern = textOf(argv[0]);
  if (pattern.size() > static_cast<size_t>(sqlite3_limit(sqlite3_context_db_handle(ctx),
                                                         SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1)))
    return sqlite3_result_error(ctx, "LIKE or GLOB pattern too complex", -1);
  auto* kept = static_cast<const collation::LikePattern*>(sqlite3_get_auxdata(ctx, 0));
  if (kept && kept->escape() == escape) return sqlite3_result_int(ctx, kept->matches(textOf(argv[1])));
  auto fresh = std::make_unique<collation::LikePattern>(pattern, escape);
  sqlite3_result_int(ctx, fresh->matches(textOf(argv[1])));
  // SQLite may free it at once: nothing touches it after this.
  sqlite3_set_auxdata(ctx, 0, fresh.release(),
                      [](void* p) { delete static_cast<collation::LikePattern*>(p); });
}

}  // namespace

int registerTsqlFunctions(sqlite3* db) {
  constexpr int kPure = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  struct Def {
    const char* name;
    int args;
    int flags;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
  };
  const Def defs[] = {
      {"LEN", 1, kPure, fnLen},
      {"YEAR", 1, kPure, fnDatePart<&tsql::DateTime::year>},
      {"MONTH", 1, kPure, fnDatePart<&tsql::DateTime::month>},
      {"DAY", 1, kPure, fnDatePart<&tsql::DateTime::day>},
      {"GETDATE", 0, SQLITE_UTF8 | SQLITE_INNOCUOUS, fnGetDate},
      {"ObtenFechaFinMes", 2, kPure, fnFinMes},
      // Reads a table, so neither deterministic nor innocuous.
      {"getCoordenadasFormatoC", 4, SQLITE_UTF8, fnCoordenadas},
      {"TSQL_DATETIME", 1, kPure, fnDateTime},
      {"TSQL_DATETIME", 2, kPure, fnDateTime},
      {"TSQL_ADD", 2, kPure, fnAdd},
      // SQL Server's comparison rules for the letters of Windows-1252 (collation.h).
      {"UPPER", 1, kPure, fnCase<collation::upper>},
      {"LOWER", 1, kPure, fnCase<collation::lower>},
      {"LIKE", 2, kPure, fnLike},
      {"LIKE", 3, kPure, fnLike},
  };
  for (const Def& d : defs) {
    int rc = sqlite3_create_function_v2(db, d.name, d.args, d.flags, nullptr, d.fn, nullptr,
                                        nullptr, nullptr);
    if (rc != SQLITE_OK) return rc;
  }
  return sqlite3_create_collation_v2(db, collation::kName, SQLITE_UTF8, nullptr, compareText, nullptr);
}

}  // namespace korvanda::sqlite

// Entry point when built as a loadable extension (-DKORVANDA_SQLITE_EXTENSION).
#ifdef KORVANDA_SQLITE_EXTENSION
extern "C" __attribute__((visibility("default"))) int sqlite3_korvandatsql_init(sqlite3* db, char**, const sqlite3_api_routines* api) {
  SQLITE_EXTENSION_INIT2(api);
  int rc = korvanda::sqlite::registerTsqlFunctions(db);
  return rc == SQLITE_OK ? korvanda::sqlite::registerProcedureFunction(db) : rc;
}
#endif
