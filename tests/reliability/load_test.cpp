// Kept as a test: the only race test (threads and processes on one database file at once).
//
// Several threads (each with its own objects, so its own connection) and several processes
// registering and exporting at once on one embedded database file, for a bounded time. Then:
// every row a call reported as stored is there exactly once and no other row is; records that
// all of them raced for are stored once, the others reported as duplicates; no duplicate key
// exists; every export file has one whole line per record; every log and trace line is whole.
//
// KORVANDA_LOAD_SECONDS sets the time (default 10), KORVANDA_LOAD_THREADS and
// KORVANDA_LOAD_PROCESSES the workers (default 4 and 2).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <thread>

#include "component/ModGlobal.h"
#include "korvanda/automation.h"
#include "korvanda/clsCatValida.h"
#include "korvanda/clsControlFiles.h"
#include "reliability_support.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using reliability::AgricolaTexts;
using reliability::RawDatabase;
using testing::Environment;

int setting(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::max(1, std::atoi(v)) : fallback;
}

// What the calls of one worker reported.
struct Tally {
  std::vector<std::string> stored;      // polizas a call reported as stored
  std::vector<std::string> duplicates;  // polizas a call reported as duplicates
  std::vector<std::string> errors;      // "poliza number description"
  std::vector<std::string> badExports;
};

// The livestock data-file layout, filled from the worker's own subscription rows.
std::string exportQuery(const std::string& prefix) {
  return "SELECT poliza AS Poliza, endoso AS Endoso, cveTipoEndoso AS CveTipoEndoso, Inciso,"
         " apPaterno AS ApPaterno, apMaterno AS ApMaterno, Nombres, identificacion AS Identificacion,"
         " pkmunicipio AS CveEstado, pkmunicipio AS CveMunicipio, cveCultivo AS cveespecie,"
         " cveTipoCultivo AS cvefuncion, anioSolicitud AS Aniocontrata, vigenciaAsegIni AS VigenciaAsegIni,"
         " vigenciaAsegFin AS VigenciaAsegFin, Inciso AS CabezasAseg, superficieAseg AS UnidadesAseg,"
         " sumaAsegurada AS SumaAsegurada, primaEaseg AS PrimaEaseg, primaEgobFed AS PrimaEgobFed,"
         " totalemitido, primaCaseg AS PrimaCaseg, primaCgobFed AS PrimaCGobFed, totalcobrado,"
         " numPagoIni AS NumPagoIni, numPagoFin AS NumPagoFin, fecPago AS FecPago,"
         " tipoCambio AS TipoCambio FROM SUBMAGRICOLA WHERE poliza LIKE '" + prefix + "%'";
}

// One whole line per record: 28 fields, CR LF.
bool exportFileIsWhole(const std::string& path, int32_t records) {
  std::ifstream in(path, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), {});
  int32_t lines = 0;
  size_t start = 0;
  for (size_t end; (end = data.find("\r\n", start)) != std::string::npos; start = end + 2) {
    if (std::count(data.begin() + static_cast<std::ptrdiff_t>(start),
                   data.begin() + static_cast<std::ptrdiff_t>(end), '|') != 27)
      return false;
    ++lines;
  }
  return start == data.size() && lines == records;
}

// Registers the worker's own records, and every fourth call one that every worker races for;
// exports its rows every 25 calls.
Tally work(const std::string& name, const std::string& dir, std::chrono::steady_clock::time_point until) {
  Tally t;
  // Its own objects, so its own connection.
  auto cv = clsCatValida::create();
  ConnectionRef conn = cv->getConexion();
  clsControlFiles cf;
  const std::string prefix = "L-" + name + "-";
  for (int i = 0; std::chrono::steady_clock::now() < until; ++i) {
    const std::string poliza = i % 4 == 3 ? "S-" + std::to_string(i / 4) : prefix + std::to_string(i);
    try {
      if (reliability::insertAgricola(*cv, AgricolaTexts(poliza), conn)) t.stored.push_back(poliza);
      else t.duplicates.push_back(poliza);
    } catch (const Error& e) {
      t.errors.push_back(poliza + " " + std::to_string(e.number()) + " " + e.description());
    }
    if (i % 25 == 24) {
      const std::string path = dir + "/" + prefix + std::to_string(i) + ".dat";
      try {
        RecordsetRef rs = cv->seleccionar(exportQuery(prefix));
        if (!cf.ExportFileDat(path, rs, 2) || !exportFileIsWhole(path, rs->recordCount()))
          t.badExports.push_back(path);
      } catch (const Error& e) {
        t.badExports.push_back(path + " " + e.description());
      }
    }
  }
  return t;
}

// A forked worker's tally reaches the test as a JSON file.
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(Tally, stored, duplicates, errors, badExports)

TEST(Concurrency, ThreadsAndProcessesRegisterAndExportOnOneDatabase) {
  Environment env;
  const int seconds = setting("KORVANDA_LOAD_SECONDS", 10);
  const int threads = setting("KORVANDA_LOAD_THREADS", 4);
  const int processes = setting("KORVANDA_LOAD_PROCESSES", 2);
  const std::string dir = env.dir().string();
  ASSERT_EQ(slot::current(), nullptr);  // nothing of this process's SQLite crosses the fork
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);

  // Processes first, while this process has one thread.
  std::vector<pid_t> children;
  for (int p = 0; p < processes; ++p) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      const std::string name = "p" + std::to_string(p);
      std::ofstream(dir + "/tally-" + name) << nlohmann::json(work(name, dir, until));
      ::_exit(0);
    }
    children.push_back(pid);
  }
  std::vector<Tally> tallies(static_cast<size_t>(threads));
  std::vector<std::thread> running;
  for (int k = 0; k < threads; ++k) {
    running.emplace_back(
        [&, k] { tallies[static_cast<size_t>(k)] = work("t" + std::to_string(k), dir, until); });
  }
  for (auto& t : running) t.join();
  for (int p = 0; p < processes; ++p) {
    int status = 0;
    ASSERT_EQ(::waitpid(children[static_cast<size_t>(p)], &status, 0), children[static_cast<size_t>(p)]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "process " << p << " status " << status;
    std::ifstream tally(dir + "/tally-p" + std::to_string(p));
    tallies.push_back(nlohmann::json::parse(tally).get<Tally>());
  }

  // What the calls reported.
  std::map<std::string, int> storedReports;
  int duplicates = 0;
  for (const Tally& t : tallies) {
    duplicates += static_cast<int>(t.duplicates.size());
    for (const auto& p : t.stored) ++storedReports[p];
    for (const auto& e : t.errors) ADD_FAILURE() << "call failed: " << e;
    for (const auto& b : t.badExports) ADD_FAILURE() << "export not whole: " << b;
  }

  // What the database holds.
  RawDatabase db(env.databasePath());
  std::map<std::string, int> rows;
  {
    auto rs = env.openDatabase()->query(
        "SELECT poliza FROM SUBMAGRICOLA WHERE poliza LIKE 'L-%' OR poliza LIKE 'S-%'");
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) ++rows[toText(rs->value(size_t{0}))];
  }
  for (const auto& [poliza, n] : storedReports) {
    EXPECT_EQ(n, 1) << poliza << " reported as stored " << n << " times";
    EXPECT_EQ(rows.count(poliza) ? rows[poliza] : 0, 1) << poliza << " reported as stored";
  }
  for (const auto& [poliza, n] : rows)
    EXPECT_TRUE(storedReports.count(poliza)) << poliza << " is stored, but no call reported it";
  EXPECT_EQ(db.integer("SELECT count(*) FROM (SELECT 1 FROM SUBMAGRICOLA GROUP BY poliza, endoso,"
                       " cveTipoEndoso, Inciso, cveCultivo, PkCedente, ciclo HAVING count(*) > 1)"),
            0);

  // Every duplicate left one whole line in Errores.log; every log and trace line is whole.
  const std::regex duplicateLine(
      R"(1009\|\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\|0\|El registro de constancia=S-\d+ esta duplicado)");
  const auto lines = env.duplicateLines();
  EXPECT_EQ(static_cast<int>(lines.size()), duplicates);
  for (const std::string& line : lines) EXPECT_TRUE(std::regex_match(line, duplicateLine)) << line;
  for (const std::string& line : env.logLines()) testing::parseLogLine(line);
  for (const std::string& line : testing::readLines(env.tracePath()))
    EXPECT_TRUE(nlohmann::json::accept(line)) << line.substr(0, 200);
  EXPECT_GT(rows.size(), 0u);
}

// Each thread's objects use that thread's connection; a thread that ends leaves nothing open.
TEST(Concurrency, EachThreadHasItsOwnConnection) {
  Environment env;
  const size_t fds = reliability::openDescriptors();
  constexpr int kThreads = 6;
  std::vector<const Connection*> seen(kThreads);
  std::atomic<int> sameWithinThread{0};
  std::vector<std::thread> running;
  for (int k = 0; k < kThreads; ++k) {
    running.emplace_back([&, k] {
      auto cv = clsCatValida::create();
      ConnectionRef a = cv->getConexion();
      ConnectionRef b = getOpenConnection();
      if (a == b && a->state() == 1) ++sameWithinThread;
      seen[static_cast<size_t>(k)] = a.get();
      reliability::insertAgricola(*cv, AgricolaTexts("T-" + std::to_string(k)), a);
    });
  }
  for (auto& t : running) t.join();
  EXPECT_EQ(sameWithinThread.load(), kThreads);
  EXPECT_EQ(std::set<const Connection*>(seen.begin(), seen.end()).size(), static_cast<size_t>(kThreads));
  EXPECT_EQ(reliability::openDescriptors(), fds);
  RawDatabase db(env.databasePath());
  EXPECT_EQ(db.integer("SELECT count(*) FROM SUBMAGRICOLA WHERE poliza LIKE 'T-%'"), kThreads);
}

// Failures on many threads at once: one whole log line each, none lost.
TEST(Concurrency, FailuresOfManyThreadsLogWholeLines) {
  Environment env;
  constexpr int kThreads = 8, kCalls = 150;
  std::atomic<int> raised{0};
  std::vector<std::thread> running;
  for (int k = 0; k < kThreads; ++k) {
    running.emplace_back([&] {
      auto cv = clsCatValida::create();
      for (int i = 0; i < kCalls; ++i) {
        try {
          cv->getCatalogos(0);
        } catch (const Error& e) {
          if (e.number() == kAppError1001 && e.description() == "El catalogo solicitado no existe") ++raised;
        }
      }
    });
  }
  for (auto& t : running) t.join();
  EXPECT_EQ(raised.load(), kThreads * kCalls);
  const auto entries = env.logEntries();
  ASSERT_EQ(entries.size(), static_cast<size_t>(kThreads * kCalls));
  for (const auto& e : entries) {
    EXPECT_EQ(e.label, "KORVANDA.clsCatValida.getCatalogos");
    EXPECT_EQ(e.number, kAppError1001);
    EXPECT_EQ(e.source, ".getCatalogos");
    EXPECT_EQ(e.description, "El catalogo solicitado no existe");
  }
}

// References to one object taken and dropped on many threads at once; the last one frees it.
TEST(Concurrency, ReferenceCountsAcrossThreads) {
  kv_object* rs = nullptr;
  kv_error err{};
  ASSERT_EQ(kv_create_object("ADODB.Recordset", &rs, &err), 0);
  std::vector<std::thread> running;
  for (int k = 0; k < 8; ++k) {
    kv_object_addref(rs);  // the thread's own reference
    running.emplace_back([rs] {
      for (int i = 0; i < 20000; ++i) {
        kv_object_addref(rs);
        kv_object_release(rs);
      }
      kv_object_release(rs);
    });
  }
  for (auto& t : running) t.join();
  kv_variant state{};
  ASSERT_EQ(kv_invoke(rs, "State", KV_PROPERTYGET, nullptr, 0, &state, &err), 0);
  EXPECT_EQ(state.u.i4, 0);
  kv_object_release(rs);
}

}  // namespace
}  // namespace korvanda
