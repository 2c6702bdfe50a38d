#include "support/odbc.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>

#include "odbc/engine.h"
#include "sqlite/engine.h"

namespace korvanda::testing::odbc {
namespace fs = std::filesystem;

namespace {

struct Setup {
  std::optional<std::string> failure;
  fs::path dir;
  ~Setup() {
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir, ec);
  }
};

Setup runSetup() {
  Setup s;
  std::string script = std::string(KORVANDA_SOURCE_DIR) + "/tests/odbc/setup.sh";
  char pattern[] = "/tmp/korvanda-odbc-XXXXXX";
  if (!mkdtemp(pattern)) {
    s.failure = "cannot make a temporary directory for the ODBC configuration";
    return s;
  }
  s.dir = pattern;
  std::string command = "sh '" + script + "' '" + s.dir.string() + "' >/dev/null 2>" +
                        (s.dir / "setup.log").string();
  int rc = std::system(command.c_str());
  if (rc != 0) {
    std::string log;
    if (FILE* f = std::fopen((s.dir / "setup.log").c_str(), "r")) {
      char buf[512];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) log.append(buf, n);
      std::fclose(f);
    }
    s.failure = "ODBC setup (tests/odbc/setup.sh) could not run: " + log;
    return s;
  }
  ::setenv("ODBCSYSINI", s.dir.c_str(), 1);
  ::setenv("ODBCINI", (s.dir / "odbc.ini").c_str(), 1);
  return s;
}

}  // namespace

std::optional<std::string> prepare() {
  static Setup setup = runSetup();
  return setup.failure;
}

std::string tsqlExtension() {
#ifdef KORVANDA_TSQL_EXTENSION
  return KORVANDA_TSQL_EXTENSION;
#else
  return {};
#endif
}

std::string sqliteServerField() {
  std::string field = "DRIVER=SQLite3";
  if (std::string ext = tsqlExtension(); !ext.empty()) field += ";LoadExt=" + ext;
  return field;
}

Engine engineFromEnvironment() {
  const char* e = std::getenv("KORVANDA_TEST_ENGINE");
  return e && std::string(e) == "odbc" ? Engine::OdbcSqlite : Engine::Embedded;
}

std::string serverField(Engine engine) {
  return engine == Engine::Embedded ? "sqlite" : sqliteServerField();
}

ConnectionRef openDatabase(Engine engine, const std::string& file) {
  if (engine == Engine::Embedded) return sqlite::openEmbedded(file);
  return korvanda::odbc::openOdbc(sqliteServerField(), "", "", file);
}

}  // namespace korvanda::testing::odbc
