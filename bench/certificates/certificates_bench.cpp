// Certificate selections against portfolio size: getConstanciasSubD (the monthly three-branch
// union) and getConstanciasSinD (the claims of a semester) on generated portfolios of two
// sizes, each in its own embedded database, getConstanciasSubD beside the sqlite3 shell running
// the statements it sends. Prints the times and how they grow; with the joins
// served by indexes, ten times the portfolio should cost about ten times as much.
//   bench_certificates [--dir DIR] [--sizes 10000,100000] [--runs 5]
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fmt/core.h>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "korvanda/clsCatValida.h"
#include "korvanda/textform.h"
#include "components/connection_data.h"
#include "sqlite/engine.h"
#include "sqlite/translate.h"

namespace {
using namespace korvanda;
using bench::Db;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFondos = 10;        // funds 1..10, each with cycles 2024/2025 and 2025/2026
constexpr int kIncisos = 2;        // items per certificate
constexpr int kMunicipios = 50;
constexpr int kCotizaciones = 100;

std::string iso(int y, int m, int d) { return fmt::format("{:04}-{:02}-{:02} 00:00:00", y, m, d); }

// References and a portfolio of n certificates: items, movements (initial, endorsements of
// types 3, 10 and 2, and type 99 modifications), collections (a fifth already sent) and claim
// adjustments with coordinates.
void generate(const std::string& file, int n, int y) {
  Db db(file);
  db.exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF; BEGIN");
  db.exec("INSERT INTO CATCESTADO VALUES (14, 14, 'Jalisco', 'JAL');"
          "INSERT INTO CATCPRODUCTOS VALUES (1, 1, 'Inversion'), (2, 3, 'Rendimiento');"
          "INSERT INTO CATCTIPOVIAL VALUES ('CALL', 'CALLE'), ('AV', 'AVENIDA'), ('CAM', 'CAMINO');"
          "INSERT INTO CATCCULTIVO VALUES (1, 1, 'MAIZ'), (2, 2, 'SORGO');"
          "INSERT INTO CATCTIPOCULTIVO VALUES (1, 'GRANO', 1), (2, 'FORRAJE', 2);"
          "INSERT INTO CATCTIPOPRACTICA VALUES (1, 1, 1, 'RIEGO'), (2, 2, 2, 'TEMPORAL');"
          "INSERT INTO CATCRIESGOS VALUES (1, 1, 'SEQUIA'), (2, 2, 'HELADA'), (3, 3, 'GRANIZO');");
  {
    auto mun = db.prepare("INSERT INTO CATCMUNICIPIO (PkMunicipio, PkEstado, cveEstado, "
                          "CveMunicipio, NomMunicipio) VALUES (?, 14, 14, ?, 'Municipio')");
    for (int m = 1; m <= kMunicipios; ++m) mun(m, m);
    auto cot = db.prepare("INSERT INTO COTCCOTIZAGRL VALUES (?, 'PAQ', 2025, 2026, 1, 1)");
    for (int c = 1; c <= kCotizaciones; ++c) cot(c);
    auto prog = db.prepare("INSERT INTO FONMPROGRAMAS VALUES (?, ?, ?, ?, ?, ?, ?)");
    auto param = db.prepare("INSERT INTO CATCPARAMGENERALES VALUES (?, "
                            "'FechaLiberacionReglasSubsidio2019', ?)");
    for (int f = 1; f <= kFondos; ++f) {
      prog(f * 2 - 1, f, 2024, 2025, 1, 1, 1);
      prog(f * 2, f, 2025, 2026, 1 + f % 2, 1 + f % 2, 1 + f % 2);
      param(f, iso(y, 6, 30));
    }
  }
  auto cons = db.prepare("INSERT INTO SOLMCONSTANCIA VALUES (?, ?, ?, ?)");
  auto soc = db.prepare(
      "INSERT INTO SICICSOCIOS (PkCedente, PkSocio, PkTipoSocio, Paterno, Materno, Nombre, CURP, "
      "RFC, TipoVialidad, Calle, NoExt, NoExtAlf, NumExterior2, NoInt, NoIntAlf, "
      "TipoAsentamiento, Poblacion, CodPostal, Localidad, PKMunicipioDom, PKEstadoDom, "
      "TipoVialidad1, NomVialidad1, TipoVialidad2, NomVialidad2, TipoVialidadPosterior, "
      "NomVialidadPosterior, Ubicacion, TipoLocalizacion, Carretera, Camino) VALUES (?, ?, ?, "
      "'PEREZ', 'LOPEZ', 'JUAN', 'PELJ800101HJCRPN01', 'PELJ800101AB1', 'CALL', 'Hidalgo', '12', "
      "'A', '', '3', 'B', 'COL', 'Centro', '44100', '0001', 39, 14, ?, 'Norte', 'AV', 'Sur', ?, "
      "'Viejo', 'Junto al rio', 'U', 'Carr 1', 'Cam 2')");
  auto inc = db.prepare(
      "INSERT INTO SOLDINCISO (PkInciso, PkConstancia, CveInciso, inciso, pktipoendoso, "
      "PkCedente, PkSocio, PkEstado, PkMunicipio) VALUES (?, ?, ?, ?, 0, ?, ?, 14, ?)");
  auto end = db.prepare(
      "INSERT INTO SOLDENDOSO (PkEndoso, pkconstancia, PkInciso, CveEndoso, PkTipoEndoso, "
      "PkCedente, PkEstado, PkMunicipio, PkCotizacion, PkSocioSubsidio, VigenciaIni, VigenciaFin, "
      "SuperficieAseg, SumaAsegTotal, PrimaAseg, PrimaGobFed, PrimaTotal, FechaModif, cobroAseg, "
      "tipoCambio) VALUES (?, ?, ?, ?, ?, ?, 14, ?, ?, ?, ?, ?, 10.5, 50000, 300, ?, ?, ?, ?, 1)");
  auto cob = db.prepare("INSERT INTO SICIMCOBRANZA (PKInciso, PkEndoso, NumPago, ImportePagado, "
                        "fechaPago, TipoCambio, EnviadoSubsidio) VALUES (?, ?, 1, 300, ?, 19.5, ?)");
  auto aju = db.prepare("INSERT INTO SINMAJUSTESIN (PKInciso, PkRiesgo, SupSinPP, SupSinPT, "
                        "IndemNetaPP, IndemNetaPT, fechaPago, StatusAprobado) VALUES "
                        "(?, ?, 1.5, 2.25, 1000, 250.5, ?, ?)");
  auto coord = db.prepare("INSERT INTO SUBDCOORDENADASFC VALUES (?, ?, ?, ?, '20.67,-103.35')");

  std::mt19937 rng(20260101);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  int pkInciso = 0, pkEndoso = 0;
  for (int c = 1; c <= n; ++c) {
    const int programa = 1 + (c - 1) % (kFondos * 2);
    const int fondo = (programa + 1) / 2;
    const int cicloIni = programa % 2 == 1 ? 2024 : 2025;
    cons(c, 100000 + c, programa, 1 + c % kCotizaciones);
    soc(fondo, c, 1 + c % 3, c % 2 ? "CALL" : "", c % 3 ? "CAM" : "");
    for (int i = 1; i <= kIncisos; ++i) {
      const int item = ++pkInciso;
      const int municipio = 1 + item % kMunicipios;
      inc(item, c, i, i, fondo, c, municipio);
      auto movimiento = [&](int cve, int tipo, const std::string& vigencia, double gobFed,
                            const char* modif) {
        end(++pkEndoso, c, item, cve, tipo, fondo, municipio, 1 + c % kCotizaciones, c,
            vigencia, iso(y, 12, 31), gobFed, 300 + gobFed, modif, tipo == 3 ? 150.0 : 0.0);
        return pkEndoso;
      };
      auto pago = [&](int endoso) {
        cob(item, endoso, iso(y, pick(1, 12), pick(1, 28)), pick(1, 5) == 1 ? 1 : 0);
      };
      movimiento(0, 0, iso(y, pick(1, 3), pick(1, 28)), 100, nullptr);
      pago(0);
      static constexpr int kTipos[] = {3, 10, 2, 99};
      const int endosos = pick(1, 2);
      for (int e = 1; e <= endosos; ++e) {
        const int tipo = kTipos[pick(0, 3)];
        const std::string modif = iso(y, pick(1, 12), pick(1, 28));
        const int pk = movimiento(e, tipo, iso(y, pick(4, 11), pick(1, 28)),
                                  pick(1, 4) == 1 ? 0.0 : 80.0,
                                  tipo == 99 ? modif.c_str() : nullptr);
        if (tipo != 99) pago(pk);
      }
      if (item % 4 == 0) {
        aju(item, pick(1, 3), iso(y, pick(1, 12), pick(1, 28)), pick(1, 10) == 1 ? 0 : 1);
        coord(cicloIni, cicloIni + 1, 100000 + c, i);
      }
    }
  }
  db.exec("COMMIT; ANALYZE;");
}

// CPU milliseconds of this process: the machine may be shared, so growth is taken from CPU
// time; the wall time is printed beside it.
double cpuMs() { return bench::cpuSeconds() * 1e3; }

struct Medida {
  double cpu = 0, wall = 0;  // medians, ms
  size_t rows = 0;
};

template <class F>
Medida medir(int runs, F&& call) {
  std::vector<double> cpu, wall;
  size_t rows = 0;
  for (int r = 0; r < runs; ++r) {
    const double c0 = cpuMs();
    const auto t0 = Clock::now();
    RecordsetRef rs = call();
    wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    cpu.push_back(cpuMs() - c0);
    rows = rs ? rs->rowCount() : 0;
  }
  std::sort(cpu.begin(), cpu.end());
  std::sort(wall.begin(), wall.end());
  return {cpu[cpu.size() / 2], wall[wall.size() / 2], rows};
}

// The statements one call sends, as the trace records them, translated for SQLite.
std::string translatedStatements(const std::string& file, const fs::path& trace) {
  sqlite3* raw = nullptr;
  sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  const sqlite::SchemaSnapshot schema = sqlite::readSchema(raw);
  sqlite3_close(raw);
  std::ifstream in(trace);
  std::string script, line;
  while (std::getline(in, line)) {
    const std::string text = nlohmann::json::parse(line).at("sql");
    for (const sqlite::Step& step : sqlite::translate(text, schema).steps)
      if (const auto* s = std::get_if<sqlite::SqlStep>(&step)) script += s->sql + ";\n";
  }
  return script;
}

// The sqlite3 shell (with the T-SQL extension loaded) running the script on the database,
// rows to /dev/null: CPU milliseconds of the shell process, median of runs.
double shellMs(const std::string& file, const fs::path& script, int runs) {
  const std::string command = "sqlite3 -bail -cmd '.load " KORVANDA_TSQL_EXTENSION "' '" + file +
                              "' < '" + script.string() + "' > /dev/null";
  std::vector<double> cpu;
  for (int r = 0; r < runs; ++r) {
    const double c0 = bench::cpuSeconds(RUSAGE_CHILDREN);
    if (std::system(command.c_str()) != 0) throw std::runtime_error("the shell failed: " + command);
    cpu.push_back((bench::cpuSeconds(RUSAGE_CHILDREN) - c0) * 1e3);
  }
  std::sort(cpu.begin(), cpu.end());
  return cpu[cpu.size() / 2];
}

std::vector<int> parseSizes(const std::string& text) {
  std::vector<int> out;
  size_t at = 0;
  while (at < text.size()) {
    size_t comma = text.find(',', at);
    out.push_back(std::stoi(text.substr(at, comma - at)));
    at = comma == std::string::npos ? text.size() : comma + 1;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = "/tmp";
  std::vector<int> sizes = {10000, 100000};
  int runs = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string opt = argv[i], value = argv[i + 1];
    if (opt == "--dir") dir = value;
    else if (opt == "--sizes") sizes = parseSizes(value);
    else if (opt == "--runs") runs = std::max(1, std::stoi(value));
    else {
      std::fprintf(stderr, "usage: bench_certificates [--dir DIR] [--sizes N,M] [--runs R]\n");
      return 2;
    }
  }
  try {
    const int y = splitDate(now()).year;
    const fs::path logs = fs::path(dir) / "logs";
    fs::create_directories(logs);
    setenv("KORVANDA_LOG_DIR", logs.c_str(), 1);
    unsetenv("KORVANDA_SQL_TRACE");

    std::vector<std::pair<Medida, Medida>> medidas;
    for (int n : sizes) {
      const std::string file = (fs::path(dir) / fmt::format("cartera-{}.db", n)).string();
      fs::remove(file);
      fs::remove(file + "-wal");
      fs::remove(file + "-shm");
      sqlite::createDatabase(file, false);
      const auto g0 = Clock::now();
      generate(file, n, y);
      const double generado = std::chrono::duration<double>(Clock::now() - g0).count();
      const fs::path registry = fs::path(dir) / "registry.ini";
      setenv("KORVANDA_REGISTRY", registry.c_str(), 1);
      components::createKeyFile(components::keyFilePath());
      std::ofstream(registry) << "[HKEY_LOCAL_MACHINE\\Software\\ZERN]\nDatosServerDos="
                              << components::connectionValue("sqlite", "", "", file) << "\n";

      auto cat = clsCatValida::create();
      // Fund 1, cycle 2025/2026: a twentieth of the portfolio.
      Medida subD = medir(runs, [&] { return cat->getConstanciasSubD(12, 1, 2025, 2026, 12); });
      Medida sinD = medir(runs, [&] { return cat->getConstanciasSinD(2, static_cast<int16_t>(y), 1); });
      // The shell on the same translated statements, the same number of runs.
      const fs::path trace = fs::path(dir) / "trace.jsonl", script = fs::path(dir) / "subd.sql";
      fs::remove(trace);
      setenv("KORVANDA_SQL_TRACE", trace.c_str(), 1);
      cat->getConstanciasSubD(12, 1, 2025, 2026, 12);
      unsetenv("KORVANDA_SQL_TRACE");
      std::ofstream(script) << translatedStatements(file, trace);
      const double shell = shellMs(file, script, runs);
      std::printf("%7d certificates (generated in %.1f s)\n"
                  "   getConstanciasSubD %9.1f ms CPU (%9.1f ms wall) %6zu rows\n"
                  "   sqlite3 shell, the same statements %6.1f ms CPU: ratio %.2f (target at most 1.1)\n"
                  "   getConstanciasSinD %9.1f ms CPU (%9.1f ms wall) %6zu rows\n",
                  n, generado, subD.cpu, subD.wall, subD.rows, shell, subD.cpu / shell,
                  sinD.cpu, sinD.wall, sinD.rows);
      std::fflush(stdout);
      medidas.emplace_back(subD, sinD);
    }
    if (medidas.size() >= 2) {
      const auto& a = medidas.front();
      const auto& b = medidas.back();
      const double escala = static_cast<double>(sizes.back()) / sizes.front();
      std::printf("portfolio x%.0f, CPU time: getConstanciasSubD x%.2f, getConstanciasSinD x%.2f "
                  "(target: under x12)\n",
                  escala, b.first.cpu / a.first.cpu, b.second.cpu / a.second.cpu);
    }
  } catch (...) {
    return bench::reportFailure();
  }
  return 0;
}
