// Test fixture shared by the test programs: a temporary directory with its own logs,
// statement trace, registry file and (optionally) an embedded database with the schema, plus a
// scripted connection for tests that only look at statement texts.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "korvanda/connection.h"
#include "korvanda/error.h"
#include "korvanda/recordset.h"
#include "korvanda/variant.h"

namespace korvanda::testing {

namespace fs = std::filesystem;

// Sets (or, with nullopt, unsets) an environment variable until the end of the scope.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, std::optional<std::string> value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// A new empty directory under the system's temporary directory, removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

// Lines of a text file without their endings (CR LF or LF); empty when the file is missing.
std::vector<std::string> readLines(const fs::path& file);

// One line of the error log, split into its fields.
struct LogEntry {
  std::string label;        // after "Modulo:"
  int32_t number = 0;       // after "Numero:"
  std::string source;       // after "Source:"
  int32_t lastDllError = 0; // after "LastDLLError:"
  std::string description;  // after "Desc Alt "
};
// Parses "Fecha:..|Modulo:..|Numero:..|Source:..|LastDLLError:..|Desc Alt .."; a line of
// another shape fails the current test and gives an entry with label "(unparsed)".
LogEntry parseLogLine(const std::string& line);

// The error a call raises; a call that returns normally fails the current test and gives an
// Error with number 0.
Error errorOf(const std::function<void()>& call);
// The error a call raises, or an Error with number 0 when it returns normally.
Error raised(const std::function<void()>& call);

// Lines of tests/golden/<name> that are neither blank nor comments ("#"), cut at the tabs.
std::vector<std::vector<std::string>> goldenTable(const std::string& name);
// A golden text with its escapes \\ \r \n \t and \xHH replaced by the characters.
std::string unescaped(std::string_view text);

// A shell command's exit status (-1 when it did not exit) and what it wrote to stdout.
struct Outcome {
  int status = -1;
  std::string out;
};
Outcome runShell(const std::string& command);

// Runs call on a thread of its own with a small stack, as a host may give the library: 256 KB,
// four times that under AddressSanitizer, whose redzones in an unoptimised build make every
// frame about four times larger. What call throws is thrown here.
inline constexpr size_t kSmallStackBytes = 256 * 1024;
void runOnSmallStack(const std::function<void()>& call);

// Everything one test needs, in a temporary directory:
//   KORVANDA_LOG_DIR   -> <dir>/logs (logFile.log, Errores.log)
//   KORVANDA_SQL_TRACE -> <dir>/trace.jsonl
//   KORVANDA_REGISTRY  -> <dir>/registry.ini, naming <dir>/korvanda.db on the embedded engine
//   KORVANDA_KEY_FILE  -> <dir>/registry.key, a new installation key
// The database is created with the schema (and the demo data) when the options ask for it.
// This thread's shared connection slot is emptied on construction and on destruction.
class Environment {
 public:
  struct Options {
    bool database = true;  // create <dir>/korvanda.db with the schema
    bool demo = true;      // ... and the demo data
    bool registry = true;  // write the registry file pointing at it
  };
  Environment();
  explicit Environment(Options options);
  ~Environment();
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;

  const fs::path& dir() const { return temp_.path(); }
  std::string databasePath() const;
  std::string registryPath() const;
  std::string keyPath() const;
  std::string logDir() const;
  std::string tracePath() const;

  // Statement texts handed to connections since the start (or the last clearTrace), in order.
  std::vector<std::string> statements() const;
  void clearTrace() const;
  // Lines of logFile.log and Errores.log.
  std::vector<std::string> logLines() const;
  std::vector<LogEntry> logEntries() const;
  std::vector<std::string> duplicateLines() const;
  void clearLogs() const;

  // A connection of its own to the test database, outside the shared slot.
  ConnectionRef openDatabase() const;

 private:
  TempDir temp_;
  std::optional<ScopedEnv> logEnv_, traceEnv_, registryEnv_, keyEnv_;
};

// A record set as text: its fields as "name type size", then a line per row of its values as
// "vartype:text" or "null", a text over 80 bytes as its size and its end; "no rows" for none.
std::string rendered(const RecordsetRef& rs);

// Runs the "> command" lines of the transcript tests/golden/<name> on a connection and expects
// the transcript they make to equal the file: after each command, the fields ("name type size")
// and rows ("vartype:text") of its result, "no rows", "ok" or "error number source: text".
// Commands: begin, commit, rollback, close, open, state, tables, or a statement to execute.
void expectTranscript(Connection& c, const std::string& name);

// Builds an open record set from field names and rows (field types from the first row's
// values: integers adInteger, doubles adDouble, dates adDate, everything else adVarChar).
RecordsetRef makeRecordset(const std::vector<std::string>& fields,
                           const std::vector<std::vector<Variant>>& rows);

// A connection that runs nothing: each statement is recorded and answered from a script, so
// the statement texts (and the trace) can be checked without a database. Statements without a
// script answer no rows: an empty record set for a SELECT, nothing for anything else.
class ScriptedConnection : public Connection {
 public:
  static std::shared_ptr<ScriptedConnection> create() {
    return std::make_shared<ScriptedConnection>();
  }
  void answer(const std::string& statement, RecordsetRef rows) { answers_[statement] = rows; }
  void fail(const std::string& statement, Error error) { failures_.emplace(statement, error); }

  const std::vector<std::string>& received() const { return received_; }

  int32_t state() const override { return open_ ? 1 : 0; }
  void open() override;
  void close() override;
  RecordsetRef openSchemaTables() override;
  void beginTrans() override {}
  void commitTrans() override {}
  void rollbackTrans() override {}

 protected:
  RecordsetRef run(std::string_view sql) override;

 private:
  bool open_ = true;
  std::vector<std::string> received_;
  std::map<std::string, RecordsetRef> answers_;
  std::map<std::string, Error> failures_;
};

}  // namespace korvanda::testing
