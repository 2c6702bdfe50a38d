#include "support/fixture.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>

#include "component/ModGlobal.h"
#include "core/recordset_store.h"
#include "korvanda/textform.h"
#include "components/connection_data.h"
#include "components/connector.h"
#include "sqlite/engine.h"
#include "support/odbc.h"

namespace korvanda::testing {

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
  if (const char* v = std::getenv(name_.c_str())) old_ = v;
  if (value) ::setenv(name_.c_str(), value->c_str(), 1);
  else ::unsetenv(name_.c_str());
}

ScopedEnv::~ScopedEnv() {
  if (old_) ::setenv(name_.c_str(), old_->c_str(), 1);
  else ::unsetenv(name_.c_str());
}

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "korvanda-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::vector<std::string> readLines(const fs::path& file) {
  std::vector<std::string> lines;
  std::ifstream in(file, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

LogEntry parseLogLine(const std::string& line) {
  LogEntry e;
  constexpr auto npos = std::string::npos;
  size_t label = line.find("|Modulo:"), number = line.find("|Numero:", label);
  size_t source = line.find("|Source:", number);
  // The source may hold "|"; the last system error is the last "|LastDLLError:" field.
  size_t dll = line.rfind("|LastDLLError:"), desc = line.find("|Desc Alt ", dll);
  if (!line.starts_with("Fecha:") || label == npos || number == npos || source == npos ||
      dll == npos || dll < source || desc == npos) {
    ADD_FAILURE() << "not an error log line: " << line;
    e.label = "(unparsed)";
    return e;
  }
  e.label = line.substr(label + 8, number - label - 8);
  e.number = std::stoi(line.substr(number + 8, source - number - 8));
  e.source = line.substr(source + 8, dll - source - 8);
  e.lastDllError = std::stoi(line.substr(dll + 14, desc - dll - 14));
  e.description = line.substr(desc + 10);
  return e;
}

Outcome runShell(const std::string& command) {
  Outcome r;
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf{};
  while (size_t n = std::fread(buf.data(), 1, buf.size(), p)) r.out.append(buf.data(), n);
  const int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

Error raised(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& e) {
    return e;
  }
  return Error(0, "", "(no error)");
}

Error errorOf(const std::function<void()>& call) {
  Error e = raised(call);
  if (e.number() == 0 && e.description() == "(no error)") ADD_FAILURE() << "the call raised no error";
  return e;
}

std::vector<std::vector<std::string>> goldenTable(const std::string& name) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : readLines(KORVANDA_SOURCE_DIR "/tests/golden/" + name)) {
    if (line.empty() || line.starts_with("#")) continue;
    rows.emplace_back();
    for (size_t at = 0, tab = 0; tab != std::string::npos; at = tab + 1)
      rows.back().push_back(line.substr(at, (tab = line.find('\t', at)) - at));
  }
  return rows;
}

std::string unescaped(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
    } else if (s[++i] == 'x') {
      out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += s[i] == 't' ? '\t' : s[i] == 'n' ? '\n' : s[i] == 'r' ? '\r' : s[i];
    }
  }
  return out;
}

void runOnSmallStack(const std::function<void()>& call) {
#if defined(__SANITIZE_ADDRESS__)
  constexpr size_t kBytes = 4 * kSmallStackBytes;
#else
  constexpr size_t kBytes = kSmallStackBytes;
#endif
  std::exception_ptr thrown;
  std::function<void()> job = [&] {
    try {
      call();
    } catch (...) {
      thrown = std::current_exception();
    }
  };
  auto start = [](void* p) -> void* { return (*static_cast<std::function<void()>*>(p))(), nullptr; };
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, kBytes);
  pthread_t thread;
  int rc = pthread_create(&thread, &attr, start, &job);
  pthread_attr_destroy(&attr);
  if (rc != 0) throw std::runtime_error("cannot start a thread with a small stack");
  pthread_join(thread, nullptr);
  if (thrown) std::rethrow_exception(thrown);
}

Environment::Environment() : Environment(Options{}) {}

Environment::Environment(Options options) {
  fs::create_directories(logDir());
  logEnv_.emplace("KORVANDA_LOG_DIR", logDir());
  traceEnv_.emplace("KORVANDA_SQL_TRACE", tracePath());
  registryEnv_.emplace("KORVANDA_REGISTRY", registryPath());
  keyEnv_.emplace("KORVANDA_KEY_FILE", keyPath());
  components::createKeyFile(keyPath());
  slot::current().reset();
  if (options.database) sqlite::createDatabase(databasePath(), options.demo);
  // KORVANDA_TEST_ENGINE=odbc sends every test through unixODBC and the SQLite ODBC driver
  // instead: same file, same statements.
  if (!options.registry) return;
  std::ofstream out(registryPath(), std::ios::binary | std::ios::trunc);
  out << "; test registry\n[HKEY_LOCAL_MACHINE\\Software\\ZERN]\nDatosServerDos="
      << components::connectionValue(odbc::serverField(), "", "", databasePath()) << "\n";
  if (!out) throw std::runtime_error("cannot write " + registryPath());
}

Environment::~Environment() { slot::current().reset(); }

std::string Environment::databasePath() const { return (dir() / "korvanda.db").string(); }
std::string Environment::registryPath() const { return (dir() / "registry.ini").string(); }
std::string Environment::keyPath() const { return (dir() / "registry.key").string(); }
std::string Environment::logDir() const { return (dir() / "logs").string(); }
std::string Environment::tracePath() const { return (dir() / "trace.jsonl").string(); }

std::vector<std::string> Environment::statements() const {
  std::vector<std::string> out;
  for (const std::string& line : readLines(tracePath()))
    out.push_back(nlohmann::json::parse(line).at("sql").get<std::string>());
  return out;
}

void Environment::clearTrace() const { fs::remove(tracePath()); }

std::vector<std::string> Environment::logLines() const {
  return readLines(fs::path(logDir()) / "logFile.log");
}

std::vector<LogEntry> Environment::logEntries() const {
  std::vector<LogEntry> out;
  for (const std::string& line : logLines()) out.push_back(parseLogLine(line));
  return out;
}

std::vector<std::string> Environment::duplicateLines() const {
  return readLines(fs::path(logDir()) / "Errores.log");
}

void Environment::clearLogs() const {
  fs::remove(fs::path(logDir()) / "logFile.log");
  fs::remove(fs::path(logDir()) / "Errores.log");
}

ConnectionRef Environment::openDatabase() const { return sqlite::openEmbedded(databasePath()); }

std::string rendered(const RecordsetRef& rs) {
  if (!rs) return "no rows\n";
  std::string out;
  for (size_t i = 0; i < rs->fieldCount(); ++i) {
    const FieldInfo& f = rs->field(i);
    out += (i ? " | " : "") + f.name + " " + std::to_string(f.type) + " " + std::to_string(f.definedSize);
  }
  for (size_t r = 0; r < rs->rowCount(); ++r) {
    for (size_t i = 0; i < rs->fieldCount(); ++i) {
      Variant v = rs->toVariant(rs->cell(r, i));
      std::string text = v.isNull() ? "" : toText(v);
      if (text.size() > 80)
        text = "(" + std::to_string(text.size()) + " bytes) ..." + text.substr(text.size() - 12);
      const std::string type = std::to_string(static_cast<int>(v.type()));
      out += (i ? " | " : "\n") + (v.isNull() ? "null" : type + ":" + text);
    }
  }
  return out + "\n";
}

namespace {

std::string resultOf(Connection& c, const std::string& command) {
  static const std::map<std::string, std::function<void(Connection&)>> calls = {
      {"begin", [](Connection& c) { c.beginTrans(); }},
      {"commit", [](Connection& c) { c.commitTrans(); }},
      {"rollback", [](Connection& c) { c.rollbackTrans(); }},
      {"close", [](Connection& c) { c.close(); }},
      {"open", [](Connection& c) { c.open(); }}};
  if (command == "state") return "state " + std::to_string(c.state()) + "\n";
  if (command == "tables") return rendered(c.openSchemaTables());
  if (auto call = calls.find(command); call != calls.end()) {
    call->second(c);
    return "ok\n";
  }
  return rendered(c.execute(command));
}

}  // namespace

void expectTranscript(Connection& c, const std::string& name) {
  std::string expected, actual;
  for (const std::string& line : readLines(KORVANDA_SOURCE_DIR "/tests/golden/" + name)) {
    expected += line + "\n";
    if (!line.empty() && !line.starts_with("#") && !line.starts_with("> ")) continue;
    actual += line + "\n";
    if (!line.starts_with("> ")) continue;
    try {
      actual += resultOf(c, line.substr(2));
    } catch (const Error& e) {
      actual += "error " + std::to_string(e.number()) + " " + e.source() + ": " + e.description() + "\n";
    }
  }
  EXPECT_EQ(actual, expected) << name;
}

RecordsetRef makeRecordset(const std::vector<std::string>& fields,
                           const std::vector<std::vector<Variant>>& rows) {
  auto rs = Recordset::create();
  for (size_t c = 0; c < fields.size(); ++c) {
    int32_t type = adVarChar, size = 255;
    if (!rows.empty() && c < rows[0].size()) {
      switch (rows[0][c].type()) {
        case VarType::I2: case VarType::I4: type = adInteger; size = 4; break;
        case VarType::R8: type = adDouble; size = 8; break;
        case VarType::Date: type = adDate; size = 8; break;
        default: break;
      }
    }
    rs->appendField(fields[c], type, size, adFldUpdatable | adFldIsNullable);
  }
  for (const auto& row : rows) {
    size_t r = rs->appendRow();
    for (size_t c = 0; c < row.size() && c < fields.size(); ++c) rs->storeCell(r, c, row[c]);
  }
  rs->openMaterialised();
  return rs;
}

void ScriptedConnection::open() {
  if (open_) throw errors::openConnection();
  open_ = true;
}

void ScriptedConnection::close() {
  if (!open_) throw errors::closedConnection();
  open_ = false;
}

RecordsetRef ScriptedConnection::openSchemaTables() {
  return makeRecordset({"table_name", "TABLE_TYPE"}, {});
}

RecordsetRef ScriptedConnection::run(std::string_view sql) {
  std::string text(sql);
  received_.push_back(text);
  if (!open_) throw errors::closedObject();
  if (auto f = failures_.find(text); f != failures_.end()) throw f->second;
  if (auto a = answers_.find(text); a != answers_.end()) {
    a->second->moveFirst();
    return a->second;
  }
  if (::strncasecmp(text.c_str(), "SELECT ", 7) == 0) return makeRecordset({"Value"}, {});
  return nullptr;
}

}  // namespace korvanda::testing
