// A small portfolio written straight into a test database (bypassing the library), so the
// certificate selections can be checked row by row. Keys: a certificate's PkConstancia and its
// one item's PkInciso are both its number.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>

namespace korvanda::testing {

// The text with {Y}, {Y-1}, {Y+1}... replaced by the year relative to the given one.
std::string withYears(std::string text, int year);

class Portfolio {
 public:
  explicit Portfolio(const std::string& file);
  void exec(const std::string& sql);
  // Runs tests/golden/certificates/<name>, its {Y} the given year.
  void load(const std::string& name, int year);

 private:
  struct Close {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
  };
  std::unique_ptr<sqlite3, Close> db_;
};

}  // namespace korvanda::testing
