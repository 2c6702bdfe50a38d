// Export benchmark: writes the agricultural subscription file for generated records and
// measures the same rows written by two peers, each in its own process (peak memory from
// wait4): the sqlite3 shell in list mode with "|" and Python's csv module.
//   bench_export --rows N --dir DIR [--rounds N]
//   bench_export --generate DB --rows N   (the rows alone, for bench/export_cli_bench.py)
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fmt/core.h>
#include <nlohmann/json.hpp>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "korvanda/clsControlFiles.h"
#include "core/recordset_store.h"
#include "sqlite/toolkit.h"

extern char** environ;

namespace {
using namespace korvanda;
using Clock = std::chrono::steady_clock;

using bench::cpuSeconds;  // the machine may be shared: rates are taken from CPU time

enum Kind { kText, kInt, kReal, kDateKind };
struct Column {
  const char* name;
  Kind kind;
};

// The 63 fields of the agricultural subscription file, in file order.
const std::vector<Column> kColumns = {
    {"Poliza", kText}, {"Endoso", kText}, {"CveTipoEndoso", kInt}, {"Inciso", kInt},
    {"ApPaterno", kText}, {"ApMaterno", kText}, {"Nombres", kText},
    {"ApPaternoBenefic", kText}, {"ApMaternoBenefic", kText}, {"NombresBenefic", kText},
    {"CURP", kText}, {"RFC", kText}, {"SI_CURP", kText}, {"SI_RFC", kText},
    {"SI_32DSAT", kText}, {"Ciclo", kText}, {"CveCultivo", kInt}, {"cvetipocultivo", kInt},
    {"CveEstado", kInt}, {"CveMunicipio", kInt}, {"TipoSeguro", kInt}, {"Riesgos", kText},
    {"VigenciaAsegIni", kDateKind}, {"VigenciaAsegFin", kDateKind}, {"SuperficieAseg", kReal},
    {"SumaAsegurada", kReal}, {"PrimaCaseg", kReal}, {"PrimaCGobFed", kReal},
    {"totalcobrado", kReal}, {"NumPagoIni", kInt}, {"NumPagoFin", kInt},
    {"FechaPago", kDateKind}, {"TipoCambio", kReal}, {"IdProAgrProd", kInt},
    {"CoordenadasGeograficas", kText}, {"TipoVialidad", kText}, {"NomVialidad", kText},
    {"Carretera", kText}, {"Camino", kText}, {"NoExtNum", kText}, {"NoExtAnt", kText},
    {"NoExtAlf", kText}, {"NoIntNum", kText}, {"NoIntAlf", kText},
    {"TipoAsentamiento", kText}, {"NomAsentamiento", kText}, {"CodPostal", kText},
    {"NomLocalidad", kText}, {"CveLocalidad", kText}, {"NomMunicipioDom", kText},
    {"CveMunicipioDom", kInt}, {"NomEstadoDom", kText}, {"CveEstadoDom", kInt},
    {"TipoVialidad1", kText}, {"NomVialidad1", kText}, {"TipoVialidad2", kText},
    {"NomVialidad2", kText}, {"TipoVialidadPosterior", kText},
    {"NomVialidadPosterior", kText}, {"DescUbicacion", kText}, {"Discapacidad", kText},
    {"Indigena", kText}, {"Edo_Civil", kText}};

const char* kSurnames[] = {"GARCÍA", "HERNÁNDEZ", "MARTÍNEZ", "LÓPEZ", "GONZÁLEZ", "PÉREZ",
                           "RODRÍGUEZ", "SÁNCHEZ", "RAMÍREZ", "CRUZ", "FLORES", "GÓMEZ",
                           "MUÑOZ", "PEÑA", "NÚÑEZ", "IBÁÑEZ"};
const char* kNames[] = {"JOSÉ LUIS", "MARÍA GUADALUPE", "JUAN", "ANA MARÍA", "FRANCISCO",
                        "VERÓNICA", "ÁNGEL", "ROSA ELENA", "JESÚS", "NOÉ"};
const char* kStreets[] = {"INSURGENTES SUR", "BENITO JUÁREZ", "CAMINO REAL A LA PEÑA",
                          "HIDALGO", "MORELOS", "20 DE NOVIEMBRE", "DEL NIÑO PERDIDO"};
const char* kPlaces[] = {"SAN JOSÉ DE GRACIA", "SANTA MARÍA DEL RÍO", "EL MANZANO",
                         "CIUDAD OBREGÓN", "VALLE DE SANTIAGO", "CAÑADA HONDA"};

void check(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

std::string selectList() {
  std::string s;
  for (size_t i = 0; i < kColumns.size(); ++i) s += (i ? "," : "") + std::string(kColumns[i].name);
  return s;
}

// Deterministic rows, stored as the application would hold them.
void generate(const std::string& dbPath, size_t rows) {
  ::unlink(dbPath.c_str());
  sqlite3* db = nullptr;
  check(sqlite3_open(dbPath.c_str(), &db), db, "open");
  std::string ddl = "CREATE TABLE agr(";
  for (size_t i = 0; i < kColumns.size(); ++i) {
    const char* type = kColumns[i].kind == kInt    ? "INTEGER"
                       : kColumns[i].kind == kReal ? "REAL"
                       : kColumns[i].kind == kDateKind ? "DATETIME"  // dd/mm/yyyy texts
                                                   : "TEXT";
    ddl += (i ? "," : "") + std::string(kColumns[i].name) + " " + type;
  }
  ddl += ")";
  check(sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr), db, "pragma");
  check(sqlite3_exec(db, ddl.c_str(), nullptr, nullptr, nullptr), db, "create");
  check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
  std::string insert = "INSERT INTO agr VALUES(?";
  for (size_t i = 1; i < kColumns.size(); ++i) insert += ",?";
  insert += ")";
  sqlite3_stmt* st = nullptr;
  check(sqlite3_prepare_v2(db, insert.c_str(), -1, &st, nullptr), db, "prepare");
  std::mt19937 rng(2026);
  auto pick = [&](auto& arr) { return arr[rng() % (sizeof(arr) / sizeof(arr[0]))]; };
  for (size_t r = 0; r < rows; ++r) {
    for (size_t c = 0; c < kColumns.size(); ++c) {
      int p = static_cast<int>(c) + 1;
      const std::string name = kColumns[c].name;
      std::string text;
      switch (kColumns[c].kind) {
        case kInt:
          sqlite3_bind_int64(st, p, name == "IdProAgrProd" ? 100000000 + static_cast<int64_t>(r)
                                    : name == "TipoSeguro" ? (rng() % 2 ? 9 : 1)
                                                           : static_cast<int64_t>(rng() % 500));
          continue;
        case kReal:
          sqlite3_bind_double(st, p, static_cast<double>(rng() % 10000000) / 100.0);
          continue;
        case kDateKind:
          text = fmt::format("{:02}/{:02}/2026", 1 + rng() % 28, 1 + rng() % 12);
          break;
        case kText:
          if (name == "Poliza") text = fmt::format("AGR-{:09}", r);
          else if (name == "Endoso") text = std::to_string(rng() % 4);
          else if (name.find("Paterno") != std::string::npos || name.find("Materno") != std::string::npos)
            text = pick(kSurnames);
          else if (name.find("Nombres") == 0) text = pick(kNames);
          else if (name == "CURP") text = fmt::format("GAMJ{:06}HDFRRN{:02}", rng() % 1000000, rng() % 100);
          else if (name == "RFC") text = fmt::format("GAMJ{:06}AB{}", rng() % 1000000, rng() % 10);
          else if (name.starts_with("SI_") || name == "Discapacidad" || name == "Indigena")
            text = rng() % 2 ? "S" : "N";
          else if (name == "Ciclo") text = "PV2026";
          else if (name == "Riesgos") text = "SEQUÍA, HELADA, GRANIZO, INUNDACIÓN";
          else if (name == "CoordenadasGeograficas")
            text = fmt::format("{}.{:04},-{}.{:04}", 14 + rng() % 18, rng() % 10000, 86 + rng() % 31, rng() % 10000);
          else if (name.starts_with("Nom") && name.find("Vialidad") != std::string::npos) text = pick(kStreets);
          else if (name.starts_with("Nom")) text = pick(kPlaces);
          else if (name.starts_with("TipoVialidad")) text = "CALLE";
          else if (name == "TipoAsentamiento") text = "COL";
          else if (name == "CodPostal") text = fmt::format("{:05}", rng() % 99999);
          else if (name == "CveLocalidad") text = fmt::format("{:04}", rng() % 9999);
          else if (name == "NoExtNum") text = std::to_string(1 + rng() % 3000);
          else if (name == "Edo_Civil") text = rng() % 2 ? "CASADO" : "SOLTERO";
          else if (name == "DescUbicacion") text = "A UN COSTADO DE LA BODEGA EJIDAL, PARCELA " + std::to_string(rng() % 900);
          else if (rng() % 10 < 7) {  // the optional address parts are mostly missing
            sqlite3_bind_null(st, p);
            continue;
          } else {
            text = "KM " + std::to_string(rng() % 200);
          }
          break;
      }
      sqlite3_bind_text(st, p, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    check(sqlite3_step(st), db, "insert");
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
  sqlite3_close(db);
}

// The library's side, in a child process: the query on the embedded database into a record set
// (the engine's own reading path), then the export.
int runKorvanda(const std::string& dbPath, const std::string& outPath) {
  auto t0 = Clock::now();
  double c0 = cpuSeconds();
  RecordsetRef rs;
  {
    sqlite::Database db = sqlite::Database::open(dbPath, SQLITE_OPEN_READONLY);
    sqlite::Statement query = sqlite::prepare(db.get(), "SELECT " + selectList() + " FROM agr ORDER BY rowid");
    rs = sqlite::readAll(query);
  }
  auto t1 = Clock::now();
  double c1 = cpuSeconds();
  clsControlFiles files;
  files.ExportFileDat(outPath, rs, 1);
  auto t2 = Clock::now();
  double c2 = cpuSeconds();
  struct stat sb {};
  ::stat(outPath.c_str(), &sb);
  nlohmann::json out = {{"loadWall", std::chrono::duration<double>(t1 - t0).count()},
                        {"writeWall", std::chrono::duration<double>(t2 - t1).count()},
                        {"load", c1 - c0},
                        {"write", c2 - c1},
                        {"rows", rs->rowCount()},
                        {"recordsetBytes", rs->memoryBytes()},
                        {"fileBytes", sb.st_size}};
  std::puts(out.dump().c_str());
  return 0;
}

struct Run {
  double wall = 0;
  double cpu = 0;
  long peakKb = 0;
  std::string output;
};

// Runs a program with its standard output sent to a file (or captured when outFile is empty).
Run spawn(const std::vector<std::string>& argv, const std::string& outFile) {
  std::string capture = outFile.empty() ? "/tmp/korvanda-bench-capture-" + std::to_string(::getpid()) : outFile;
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, STDOUT_FILENO, capture.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  auto t0 = Clock::now();
  pid_t pid;
  if (posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), environ) != 0)
    throw std::runtime_error("cannot start " + argv[0]);
  posix_spawn_file_actions_destroy(&fa);
  int status = 0;
  rusage ru{};
  ::wait4(pid, &status, 0, &ru);
  Run run;
  run.wall = std::chrono::duration<double>(Clock::now() - t0).count();
  run.peakKb = ru.ru_maxrss;
  run.cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
            static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(argv[0] + " failed");
  if (outFile.empty()) {
    if (FILE* f = std::fopen(capture.c_str(), "rb")) {
      char buf[4096];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) run.output.append(buf, n);
      std::fclose(f);
    }
    ::unlink(capture.c_str());
  }
  return run;
}

long fileSize(const std::string& p) {
  struct stat sb {};
  return ::stat(p.c_str(), &sb) == 0 ? static_cast<long>(sb.st_size) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    size_t rows = 200000, rounds = 5;
    std::string dir = "/tmp";
    for (int i = 1; i < argc; ++i) {
      std::string a = argv[i];
      if (a == "--child" && i + 2 < argc) return runKorvanda(argv[i + 1], argv[i + 2]);
      if (a == "--generate" && i + 1 < argc) {  // the end-to-end benchmark's rows; prints the columns
        const std::string db = argv[++i];
        if (i + 2 < argc && std::string(argv[i + 1]) == "--rows") rows = std::stoul(argv[i + 2]);
        generate(db, rows);
        std::puts(selectList().c_str());
        return 0;
      }
      if (a == "--rows" && i + 1 < argc) rows = std::stoul(argv[++i]);
      else if (a == "--dir" && i + 1 < argc) dir = argv[++i];
      else if (a == "--rounds" && i + 1 < argc) rounds = std::max<size_t>(1, std::stoul(argv[++i]));
      else {
        std::fprintf(stderr, "usage: bench_export [--rows N] [--dir DIR] [--rounds N]\n");
        return 2;
      }
    }
    const std::string dbPath = dir + "/rows.db";
    fmt::print("generating {} records of {} fields...\n", rows, kColumns.size());
    generate(dbPath, rows);

    // The library and the shell take turns, so that both meet the same load on the machine;
    // the medians of the rounds are reported.
    std::vector<double> kLoads, kWrites, kLoadWalls, kWriteWalls, sqCpus, sqWalls;
    Run kv, sq;
    nlohmann::json k;
    for (size_t round = 0; round < rounds; ++round) {
      kv = spawn({"/proc/self/exe", "--child", dbPath, dir + "/korvanda.dat"}, "");
      k = nlohmann::json::parse(kv.output);
      sq = spawn({"sqlite3", "-list", "-separator", "|", "-newline", "\r\n", dbPath,
                  "SELECT " + selectList() + " FROM agr ORDER BY rowid"},
                 dir + "/sqlite3.dat");
      kLoads.push_back(k["load"]);
      kWrites.push_back(k["write"]);
      kLoadWalls.push_back(k["loadWall"]);
      kWriteWalls.push_back(k["writeWall"]);
      sqCpus.push_back(sq.cpu);
      sqWalls.push_back(sq.wall);
    }
    auto median = [](std::vector<double> v) {
      std::sort(v.begin(), v.end());
      return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    };
    std::vector<double> kTotals;
    for (size_t r = 0; r < rounds; ++r) kTotals.push_back(kLoads[r] + kWrites[r]);
    sq.cpu = median(sqCpus);
    sq.wall = median(sqWalls);
    std::string columns = selectList();
    Run py = spawn({"python3", KORVANDA_BENCH_PEER_SCRIPT, dbPath, dir + "/python.dat", columns}, "");
    auto p = nlohmann::json::parse(py.output);

    const double n = static_cast<double>(rows);
    const double kWrite = median(kWrites), kLoad = median(kLoads), kTotal = median(kTotals);
    double pWrite = p["write"], pLoad = p["load"];
    const double kWriteWall = median(kWriteWalls), kLoadWall = median(kLoadWalls);
    double pWriteWall = p["writeWall"], pLoadWall = p["loadWall"];
    fmt::print("\n{:<36} {:>12} {:>9} {:>9} {:>9} {:>8}\n",
               "agricultural file, " + std::to_string(rows) + " records", "records/s", "CPU s",
               "wall s", "peak MB", "file MB");
    auto row = [&](const std::string& what, double cpu, double wall, long peakKb, const std::string& file) {
      fmt::print("{:<36} {:>12.0f} {:>9.3f} {:>9.3f} {:>9.1f} {:>8.1f}\n", what, n / cpu, cpu, wall,
                 peakKb / 1024.0, fileSize(dir + "/" + file) / 1e6);
    };
    row("korvanda ExportFileDat (write)", kWrite, kWriteWall, kv.peakKb, "korvanda.dat");
    row("korvanda read rows + write", kTotal, kLoadWall + kWriteWall, kv.peakKb, "korvanda.dat");
    row("sqlite3 shell, list mode \"|\"", sq.cpu, sq.wall, sq.peakKb, "sqlite3.dat");
    row("python3 csv module (write)", pWrite, pWriteWall, py.peakKb, "python.dat");
    row("python3 read rows + write", pLoad + pWrite, pLoadWall + pWriteWall, py.peakKb, "python.dat");

    double rsBytes = k["recordsetBytes"], fBytes = k["fileBytes"];
    fmt::print("\nrates from CPU time (the machine may be shared), medians of {} rounds for korvanda and the\n"
               "sqlite3 shell, taken in turns; peak = maximum resident set\n", rounds);
    fmt::print("speed, korvanda write vs sqlite3 shell (whole run):      {:.2f}x (target >= 1)\n", sq.cpu / kWrite);
    fmt::print("speed, korvanda read+write vs sqlite3 shell (whole run): {:.2f}x (target >= 1.5)\n",
               sq.cpu / kTotal);
    fmt::print("speed, korvanda write vs python csv write:               {:.2f}x\n", pWrite / kWrite);
    fmt::print("record set memory: {:.1f} MB for a {:.1f} MB file: {:.2f}x the file (target <= 1.5)\n",
               rsBytes / 1e6, fBytes / 1e6, rsBytes / fBytes);
    return 0;
  } catch (...) {
    return bench::reportFailure();
  }
}
