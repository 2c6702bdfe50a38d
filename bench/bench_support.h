// What the benchmarks share: a plain SQLite handle to set up and check their databases, and the
// processor time that their rates are taken from (the machine may be shared).
#pragma once

#include <sqlite3.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "sqlite/functions.h"
#include "korvanda/error.h"

namespace korvanda::bench {

// User and system seconds of this process (RUSAGE_SELF) or of its waited-for children.
inline double cpuSeconds(int who = RUSAGE_SELF) {
  rusage u{};
  ::getrusage(who, &u);
  auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return s(u.ru_utime) + s(u.ru_stime);
}

// In a catch (...): prints what stopped the benchmark, the library's number and source
// included, and gives main's exit status.
inline int reportFailure() {
  try {
    throw;
  } catch (const Error& e) {
    std::fprintf(stderr, "error %d (%s): %s\n", e.number(), e.source().c_str(), e.description().c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
  }
  return 1;
}

class Db {
 public:
  explicit Db(const std::string& file) {
    if (sqlite3_open(file.c_str(), &db_) != SQLITE_OK || korvanda::sqlite::registerTsqlFunctions(db_) != SQLITE_OK)
      throw std::runtime_error("open " + file);
  }
  ~Db() { sqlite3_close(db_); }
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;

  void exec(const std::string& sql) {
    char* msg = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
      std::string text = msg ? msg : "?";
      sqlite3_free(msg);
      throw std::runtime_error(text + " in: " + sql.substr(0, 200));
    }
  }

  // The first column of the first row; 0 without a row.
  int64_t scalar(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
      throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql);
    int64_t v = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
    sqlite3_finalize(st);
    return v;
  }

  // The first column of the first row as text; empty without a row.
  std::string text(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
      throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql);
    std::string v;
    if (sqlite3_step(st) == SQLITE_ROW)
      if (const unsigned char* t = sqlite3_column_text(st, 0)) v = reinterpret_cast<const char*>(t);
    sqlite3_finalize(st);
    return v;
  }

  // A prepared insert bound by position: integers, doubles, texts (nullptr for NULL).
  class Insert {
   public:
    Insert(sqlite3* db, const std::string& sql) {
      if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st_, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string(sqlite3_errmsg(db)) + " in: " + sql);
    }
    ~Insert() { sqlite3_finalize(st_); }
    Insert(const Insert&) = delete;
    Insert& operator=(const Insert&) = delete;
    template <class... T>
    void operator()(const T&... values) {
      int i = 0;
      (bind(++i, values), ...);
      if (sqlite3_step(st_) != SQLITE_DONE)
        throw std::runtime_error(sqlite3_errmsg(sqlite3_db_handle(st_)));
      sqlite3_reset(st_);
    }

   private:
    void bind(int i, int v) { sqlite3_bind_int(st_, i, v); }
    void bind(int i, double v) { sqlite3_bind_double(st_, i, v); }
    void bind(int i, const char* v) {
      v ? sqlite3_bind_text(st_, i, v, -1, SQLITE_TRANSIENT) : sqlite3_bind_null(st_, i);
    }
    void bind(int i, const std::string& v) {
      sqlite3_bind_text(st_, i, v.c_str(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    sqlite3_stmt* st_ = nullptr;
  };
  Insert prepare(const std::string& sql) { return Insert(db_, sql); }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace korvanda::bench
