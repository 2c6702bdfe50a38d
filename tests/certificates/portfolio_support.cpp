#include "portfolio_support.h"

#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "sqlite/functions.h"

namespace korvanda::testing {

std::string withYears(std::string text, int year) {
  static const std::regex token(R"(\{Y([+-]\d+)?\})");
  std::smatch m;
  while (std::regex_search(text, m, token))
    text.replace(m.position(), m.length(),
                 std::to_string(year + (m[1].matched ? std::stoi(m[1].str()) : 0)));
  return text;
}

Portfolio::Portfolio(const std::string& file) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  db_.reset(db);
  if (rc == SQLITE_OK) rc = korvanda::sqlite::registerTsqlFunctions(db);
  if (rc != SQLITE_OK) throw std::runtime_error("cannot open " + file);
  sqlite3_busy_timeout(db, 5000);
}

void Portfolio::exec(const std::string& sql) {
  char* msg = nullptr;
  if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
    std::string text = msg ? msg : "?";
    sqlite3_free(msg);
    throw std::runtime_error(text + " in: " + sql);
  }
}

void Portfolio::load(const std::string& name, int year) {
  std::ifstream in(std::string(KORVANDA_SOURCE_DIR) + "/tests/golden/certificates/" + name);
  if (!in) throw std::runtime_error("missing " + name);
  std::stringstream sql;
  sql << in.rdbuf();
  exec(withYears(sql.str(), year));
}

}  // namespace korvanda::testing
