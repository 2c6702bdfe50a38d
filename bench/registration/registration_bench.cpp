// Registering agricultural subscription records through insertAgricola on the embedded
// engine, against the sqlite3 shell running the same three statements per record (the
// duplicate test, the municipality lookup and the INSERT, translated for SQLite) from a file,
// in one transaction and without one, measured in the same run; and the cost of one record as
// the table grows from 10,000 to 1,000,000 rows (the duplicate test must use its index).
//   bench_registration [--dir DIR] [--records 100000] [--autocommit 5000] [--batch 5000]
//                      [--large 1000000] [--shell sqlite3]
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fmt/core.h>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"
#include "korvanda/textform.h"
#include "components/connection_data.h"
#include "sqlite/engine.h"
#include "sqlite/translate.h"
#include "registration/keys.h"
#include "registration/statements.h"

namespace {
using namespace korvanda;
using bench::cpuSeconds;
using bench::Db;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}


// Records per second by the wall clock and by processor time.
struct Rate {
  double wall = 0, cpu = 0;
};

struct Options {
  fs::path dir;
  int records = 100000;
  int autocommit = 5000;  // records without a transaction: a commit each
  int batch = 5000;
  int large = 1000000;
  std::string shell = "sqlite3";
};

// One record of a realistic size; the policy number tells records apart.
struct Record {
  std::string poliza;
  int16_t inciso;
};

Record record(const std::string& prefix, int i) {
  return {prefix + std::to_string(i / 4), static_cast<int16_t>(1 + i % 4)};
}

bool insert(clsCatValida& cv, const ConnectionRef& conn, const Record& r) {
  static const Date ini = dateFromParts(2026, 4, 1), fin = dateFromParts(2026, 10, 31),
                    pago = dateFromParts(2026, 5, 15, 10, 30, 0);
  return cv.insertAgricola(
      r.poliza, "0", 1, r.inciso, "HERNANDEZ", "NUÑEZ", "JOSE MARIA", "HENJ800101HJCRNS09", 1, 5,
      "PV2026", 5, 2, ini, fin, 12.5, 150000, 1234.56, 2469.12, 0, 0, 3703.68, 3703.68, 1, 1,
      pago, 17.1234, "1,2,3", "Sin observaciones", "2", "HENJ800101AB1", "CALL",
      "Av. Niños Héroes", "1234", "", "B", "COL", "Centro", "44100", "0001", "39", "14",
      "CALLE Norte Y AVENIDA Sur", "CAMINO Viejo", "Junto al río", "U", "Carretera 15", "", 7,
      123456, 2026, 4, 2026, 12, conn, std::string("Archivo"));
}

// The INSERT text the library sends for the record (municipality key 4 of the demo data).
std::string insertText(const Record& r) {
  static const Date ini = dateFromParts(2026, 4, 1), fin = dateFromParts(2026, 10, 31),
                    pago = dateFromParts(2026, 5, 15, 10, 30, 0);
  RegistroAgricola g{
      .strPoliza = r.poliza, .strEndoso = "0", .intCveTipoEndoso = 1, .intInciso = r.inciso,
      .strapPaterno = "HERNANDEZ", .strapMaterno = "NUÑEZ", .strNombres = "JOSE MARIA",
      .strIdentifica = "HENJ800101HJCRNS09", .intIdEstado = 1, .intIdMunicipio = 5,
      .strCiclo = "PV2026", .intcveCultivo = 5, .intCveTipoCult = 2, .dteVigenciaAsegIni = ini,
      .dteVigenciaAsegFin = fin, .dblSuperfAseg = 12.5, .dblSumaAseg = 150000,
      .dblPrimaEaseg = 1234.56, .dblPrimaEgobFed = 2469.12, .dblPrimaCaseg = 0,
      .dblPrimaCgobFed = 0, .dblTotalEmitido = 3703.68, .dblTotalCobrado = 3703.68,
      .intNumPagoIni = 1, .intNumPagoFin = 1, .dteFecPago = pago, .dblTipoCambio = 17.1234,
      .strRiesgos = "1,2,3", .strObservaciones = "Sin observaciones", .pintTipoSeguro = "2",
      .strRFC = "HENJ800101AB1", .strTipoVialidad = "CALL", .strNomVialidad = "Av. Niños Héroes",
      .strNumExterior1 = "1234", .strNumExterior2 = "", .strNumInterior = "B",
      .strTipoAsentamiento = "COL", .strNomAsentamiento = "Centro", .strCodPostal = "44100",
      .strLocalidad = "0001", .strMunicipioDom = "39", .strEstadoDom = "14",
      .strEntreVialidades = "CALLE Norte Y AVENIDA Sur", .strVialidadPosterior = "CAMINO Viejo",
      .strDescUbicacion = "Junto al río", .pstrTipoLocalizacion = "U",
      .pstrCarretera = "Carretera 15", .pstrCamino = "", .pintPkSocio = 7,
      .pintPkEndoso = 123456, .pintAnioVigenciaMovInicial = 2026, .pintMesSolic = 4,
      .pintAnioSolic = 2026, .pintPkCedente = 12};
  return registration::insertAgricolaText(g, 2, 4);
}

// A new database with the schema and the demo catalogs, and the registry naming it; a new
// clsCatValida connects to it (this thread's slot).
std::shared_ptr<clsCatValida> freshDatabase(const Options& o, const std::string& name) {
  const std::string file = (o.dir / name).string();
  sqlite::createDatabase(file, true);
  std::ofstream reg(o.dir / "registry.ini", std::ios::trunc);
  reg << "[HKEY_LOCAL_MACHINE\\Software\\ZERN]\nDatosServerDos="
      << components::connectionValue("sqlite", "", "", file) << "\n";
  reg.close();
  return clsCatValida::create();
}

// Records per second of n registrations, inside one caller transaction or not.
Rate registerMany(const Options& o, const std::string& name, int n, bool transaction) {
  auto cv = freshDatabase(o, name);
  ConnectionRef conn = cv->getConexion();
  const auto t0 = Clock::now();
  const double c0 = cpuSeconds(RUSAGE_SELF);
  if (transaction) conn->beginTrans();
  for (int i = 0; i < n; ++i)
    if (!insert(*cv, conn, record("T-", i))) throw std::runtime_error("refused as a duplicate");
  if (transaction) conn->commitTrans();
  const Rate r{n / seconds(t0, Clock::now()), n / (cpuSeconds(RUSAGE_SELF) - c0)};
  Db check((o.dir / name).string());
  if (check.scalar("SELECT COUNT(*) FROM SUBMAGRICOLA") != n)
    throw std::runtime_error("the table does not hold every record");
  return r;
}

// The three statements of a record as the library sends them: the duplicate test, the
// municipality lookup (state 1, municipality 5) and the INSERT.
std::vector<std::string> recordTexts(const Record& r) {
  return {registration::duplicadoAgricolaQuery(r.poliza, "0", 1, r.inciso, 5, 12, "PV2026"),
          keys::pkMunicipioQuery(1, 5), insertText(r)};
}

// The sqlite3 shell running the same statements, translated, in one transaction or each on
// its own.
Rate shellRate(const Options& o, const std::string& name, int n, bool transaction) {
  const std::string file = (o.dir / name).string();
  sqlite::createDatabase(file, true);
  sqlite::SchemaSnapshot schema;
  {
    sqlite3* raw = nullptr;
    sqlite3_open(file.c_str(), &raw);
    schema = sqlite::readSchema(raw);
    sqlite3_close(raw);
  }
  const fs::path script = o.dir / "inserts.sql";
  {
    std::ofstream out(script, std::ios::trunc | std::ios::binary);
    if (transaction) out << "BEGIN;\n";
    for (int i = 0; i < n; ++i) {
      for (const std::string& text : recordTexts(record("T-", i))) {
        sqlite::Translation t = sqlite::translate(text, schema);
        for (const sqlite::Step& step : t.steps)
          if (const auto* s = std::get_if<sqlite::SqlStep>(&step)) out << s->sql << ";\n";
      }
    }
    if (transaction) out << "COMMIT;\n";
  }
  // The rows of the two queries go to /dev/null.
  const std::string command = o.shell + " -bail -cmd '.load " KORVANDA_TSQL_EXTENSION "' '" + file + "' < '" +
                              script.string() + "' > /dev/null";
  const auto t0 = Clock::now();
  const double c0 = cpuSeconds(RUSAGE_CHILDREN);
  if (std::system(command.c_str()) != 0) throw std::runtime_error("the shell failed: " + command);
  const Rate r{n / seconds(t0, Clock::now()), n / (cpuSeconds(RUSAGE_CHILDREN) - c0)};
  if (Db(file).scalar("SELECT COUNT(*) FROM SUBMAGRICOLA") != n)
    throw std::runtime_error("the shell did not store every record");
  return r;
}

// Microseconds per record (wall clock, processor time) of a batch registered in one transaction when the table holds
// `rows` rows (copies of one registered row under other policy numbers).
Rate costAt(clsCatValida& cv, const Options& o, const std::string& file, int64_t rows,
              int round) {
  {
    Db db(file);
    int64_t have = db.scalar("SELECT COUNT(*) FROM SUBMAGRICOLA");
    if (have < rows) {
      // Every column but the key and the policy, copied from the first row.
      const std::string cols = db.text(
          "SELECT group_concat(', ' || name, '') FROM pragma_table_info('SUBMAGRICOLA')"
          " WHERE name NOT IN ('pkagricola', 'poliza')");
      db.exec("PRAGMA synchronous=OFF; BEGIN");
      db.exec(fmt::format(
          "WITH RECURSIVE n(i) AS (SELECT {} UNION ALL SELECT i + 1 FROM n WHERE i < {}) "
          "INSERT INTO SUBMAGRICOLA (poliza{}) SELECT 'F-' || n.i{} FROM n, "
          "(SELECT * FROM SUBMAGRICOLA ORDER BY pkagricola LIMIT 1)",
          have + 1, rows, cols, cols));
      db.exec("COMMIT");
      // The copies go to disk now: otherwise the measured batch's first checkpoint and fsync
      // would wait for the writeback of the whole table.
      db.exec("PRAGMA synchronous=FULL; PRAGMA wal_checkpoint(TRUNCATE)");
    }
  }
  ::sync();
  ConnectionRef conn = cv.getConexion();
  const std::string prefix = fmt::format("B{}-", round);
  const auto t0 = Clock::now();
  const double c0 = cpuSeconds(RUSAGE_SELF);
  conn->beginTrans();
  for (int i = 0; i < o.batch; ++i)
    if (!insert(cv, conn, record(prefix, i))) throw std::runtime_error("refused as a duplicate");
  conn->commitTrans();
  return {seconds(t0, Clock::now()) * 1e6 / o.batch,
          (cpuSeconds(RUSAGE_SELF) - c0) * 1e6 / o.batch};
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string k = argv[i], v = argv[i + 1];
    if (k == "--dir") o.dir = v;
    else if (k == "--records") o.records = std::stoi(v);
    else if (k == "--autocommit") o.autocommit = std::stoi(v);
    else if (k == "--batch") o.batch = std::stoi(v);
    else if (k == "--large") o.large = std::stoi(v);
    else if (k == "--shell") o.shell = v;
    else throw std::runtime_error("unknown option " + k);
  }
  if (o.dir.empty()) o.dir = fs::temp_directory_path() / "korvanda-bench-registration";
  fs::create_directories(o.dir / "logs");
  return o;
}

}  // namespace

int main(int argc, char** argv) try {
  const Options o = parse(argc, argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is measured
  ::unsetenv("KORVANDA_SQL_TRACE");
  ::setenv("KORVANDA_LOG_DIR", (o.dir / "logs").c_str(), 1);
  ::setenv("KORVANDA_REGISTRY", (o.dir / "registry.ini").c_str(), 1);
  components::createKeyFile(components::keyFilePath());

  fmt::print("insertAgricola on the embedded engine against the sqlite3 shell running the same "
             "three statements\nper record (duplicate test, municipality lookup, INSERT)\n");
  const Rate inTransaction = registerMany(o, "transaction.db", o.records, true);
  const Rate shell = shellRate(o, "shell.db", o.records, true);
  fmt::print("                                 wall clock     processor time\n");
  fmt::print("  {:>7} in one transaction   {:>9.0f}/s {:>14.0f}/s\n", o.records, inTransaction.wall,
             inTransaction.cpu);
  fmt::print("  sqlite3 shell, the same      {:>9.0f}/s {:>14.0f}/s\n", shell.wall, shell.cpu);
  fmt::print("  ratio to the shell           {:>10.2f}   {:>14.2f}    (target at least 2)\n",
             inTransaction.wall / shell.wall, inTransaction.cpu / shell.cpu);
  const Rate autocommit = registerMany(o, "autocommit.db", o.autocommit, false);
  const Rate shellAutocommit = shellRate(o, "shell-autocommit.db", o.autocommit, false);
  fmt::print("  {:>7} without a transaction {:>8.0f}/s {:>14.0f}/s  (a commit per statement)\n",
             o.autocommit, autocommit.wall, autocommit.cpu);
  fmt::print("  sqlite3 shell, the same      {:>9.0f}/s {:>14.0f}/s\n", shellAutocommit.wall,
             shellAutocommit.cpu);
  fmt::print("  ratio to the shell           {:>10.2f}   {:>14.2f}    (target at least 1)\n",
             autocommit.wall / shellAutocommit.wall, autocommit.cpu / shellAutocommit.cpu);

  fmt::print("\nCost of one record in a batch of {} (one transaction) as the table grows\n",
             o.batch);
  auto cv = freshDatabase(o, "growth.db");
  const std::string growth = (o.dir / "growth.db").string();
  if (!insert(*cv, cv->getConexion(), record("SEED-", 0))) throw std::runtime_error("seed");
  const Rate small = costAt(*cv, o, growth, 10000, 1);
  fmt::print("                                 wall clock     processor time\n");
  fmt::print("  at {:>9} rows            {:>8.1f} us {:>13.1f} us\n", 10000, small.wall,
             small.cpu);
  const Rate big = costAt(*cv, o, growth, o.large, 2);
  fmt::print("  at {:>9} rows            {:>8.1f} us {:>13.1f} us\n", o.large, big.wall, big.cpu);
  fmt::print("  ratio                       {:>10.2f}   {:>14.2f}    (target at most 1.2)\n",
             big.wall / small.wall, big.cpu / small.cpu);
  return 0;
} catch (...) {
  return bench::reportFailure();
}
