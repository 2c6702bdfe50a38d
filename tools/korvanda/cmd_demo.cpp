// korvanda demo [--dir DIR]: the main job end to end on a new embedded database, through the
// library's classes as the capture application calls them.
#include <fmt/format.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "commands.h"
#include "demo_portfolio.h"
#include "demo_records.h"
#include "korvanda/administration.h"
#include "korvanda/clsCatValida.h"
#include "korvanda/clsControlFiles.h"
#include "korvanda/error.h"
#include "korvanda/records.h"
#include "korvanda/textform.h"

namespace korvanda::cli {
namespace {

namespace fs = std::filesystem;
using namespace demo;

// Files the demo writes in its directory; a new run removes these and nothing else.
constexpr const char* kMarker = "korvanda-demo.txt";
constexpr const char* kDatabase = "subsidios.db";
constexpr const char* kRegistry = "registry.ini";
constexpr const char* kKeyFile = "registry.key";
constexpr const char* kErrorLog = "logFile.log";
constexpr const char* kDuplicatesLog = "Errores.log";
constexpr const char* kDatFile = "suscripcion_agricola.dat";
constexpr const char* kFormatoB1File = "formatoB_polizas.txt";
constexpr const char* kFormatoB2File = "formatoB_personas.txt";
constexpr const char* kFormatoCFile = "formatoC_siniestros.txt";
constexpr const char* kPlaceholderFile = "sin_siniestros_ganadero.txt";
constexpr const char* kDemoFiles[] = {
    kMarker, kDatabase, "subsidios.db-wal", "subsidios.db-shm", "subsidios.db-journal",
    kRegistry, kKeyFile, kErrorLog, kDuplicatesLog, kDatFile, kFormatoB1File, kFormatoB2File,
    kFormatoCFile, kPlaceholderFile};

constexpr const char* kMonths[] = {"January", "February", "March", "April", "May", "June", "July",
                                   "August", "September", "October", "November", "December"};

// How a duplicate is reported: exactly "Window" raises it; anything else logs it.
constexpr const char* kToWindow = "Window";
constexpr const char* kToFile = "Archivo";

Error demoError(const std::string& what) {
  return Error(errors::invalidArgument().number(), "korvanda demo", what);
}

// ---- the directory

// A missing or empty directory, or one a previous demo left (it holds the marker), is used;
// anything else is refused so that no file of someone else's is ever removed.
void prepareDirectory(const fs::path& dir) {
  std::error_code ec;
  if (fs::exists(dir, ec)) {
    if (!fs::is_directory(dir, ec)) throw demoError(dir.string() + " exists and is not a directory");
    const bool empty = fs::is_empty(dir, ec);
    if (!empty && !fs::exists(dir / kMarker, ec))
      throw demoError(dir.string() + " holds files that a demo did not write; give a new or "
                      "empty directory with --dir");
    for (const char* name : kDemoFiles) {
      fs::remove(dir / name, ec);
      if (ec) throw demoError("cannot remove " + (dir / name).string() + ": " + ec.message());
    }
  } else {
    fs::create_directories(dir, ec);
    if (ec) throw demoError("cannot create " + dir.string() + ": " + ec.message());
  }
  std::ofstream marker(dir / kMarker);
  marker << "Written by `korvanda demo`. Running the demo again with this directory removes and\n"
            "writes again the files it wrote here:\n";
  for (const char* name : kDemoFiles) marker << "  " << name << "\n";
  if (!marker.flush()) throw demoError("cannot write " + (dir / kMarker).string());
}

// ---- export record sets built from source rows

// Layout field -> source column, for the fields whose source column has another name.
using Aliases = std::map<std::string, std::string, std::less<>>;

// An in-memory record set with the fields of the named export layout, filled row by row from
// the source, each field from the source column of its name (letter case ignored) or of its
// alias; a field the source lacks is Null. Built as the application builds one: Append, Open,
// AddNew, Value, Update.
RecordsetRef recordsFor(std::string_view layout, Recordset& source, const Aliases& aliases = {}) {
  auto rs = Recordset::create();
  std::vector<std::optional<size_t>> columns;
  constexpr int32_t kAttributes = adFldUpdatable | adFldIsNullable;
  for (const std::string& name : exportLayoutFields(layout)) {
    auto alias = aliases.find(name);
    std::optional<size_t> col = source.findField(alias == aliases.end() ? name : alias->second);
    columns.push_back(col);
    if (col) {
      const FieldInfo& info = source.field(*col);
      rs->appendField(name, info.type, info.definedSize, kAttributes);
    } else {
      rs->appendField(name, adVarChar, 255, kAttributes);
    }
  }
  rs->open();
  if (source.rowCount() == 0) return rs;
  for (source.moveFirst(); !source.eof(); source.moveNext()) {
    rs->addNew();
    for (size_t i = 0; i < columns.size(); ++i)
      rs->setValue(i, columns[i] ? source.value(*columns[i]) : Variant(Null{}));
    rs->update();
  }
  rs->moveFirst();
  return rs;
}

// The registered agricultural records with the codes of their municipalities and the names of
// their home state and municipality.
constexpr const char* kRegisteredAgricola =
    "SELECT A.*, M.cveEstado AS CveEstado, M.CveMunicipio AS CveMunicipio, "
    "ED.NomEstado AS NomEstadoDom, MD.NomMunicipio AS NomMunicipioDom, "
    "MD.CveMunicipio AS CveMunicipioDom "
    "FROM SUBMAGRICOLA A LEFT JOIN CATCMUNICIPIO M ON A.pkmunicipio = M.PkMunicipio "
    "LEFT JOIN CATCESTADO ED ON A.EstadoDom = ED.PKEstado "
    "LEFT JOIN CATCMUNICIPIO MD ON A.MunicipioDom = MD.PkMunicipio "
    "ORDER BY A.pkagricola";
constexpr const char* kRegisteredClaims =
    "SELECT F.*, M.cveEstado AS CveEstado, M.CveMunicipio AS CveMunicipio "
    "FROM SUBMAGRICOLAFC F LEFT JOIN CATCMUNICIPIO M ON F.pkmunicipio = M.PkMunicipio "
    "WHERE F.Periodo = {} AND F.Anio = {} ORDER BY F.pkagricolaFc";

const Aliases kDatAliases = {{"CURP", "identificacion"},   {"FechaPago", "fecPago"},
                             {"NoExtNum", "NumExterior1"},  {"NoIntNum", "NumInterior"},
                             {"CveLocalidad", "Localidad"}, {"CveEstadoDom", "EstadoDom"}};
const Aliases kFormatoB1Aliases = {{"CURP", "identificacion"}};
const Aliases kFormatoB2Aliases = {
    {"Nombre_PF", "Nombres"},          {"CURP", "identificacion"},
    {"RFC_PF", "RFC"},                 {"PKEstado", "CveEstado"},
    {"EstadoDom", "NomEstadoDom"},     {"CveEstadoDom", "EstadoDom"},
    {"MunicipioDom", "NomMunicipioDom"}, {"CveLocalidad", "Localidad"},
    {"NoExtNum", "NumExterior1"},      {"NoIntNum", "NumInterior"}};

// ---- reporting

// Lines of an export file: its CR LF pairs.
size_t crlfLines(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t n = 0;
  for (size_t i = 0; i + 1 < data.size(); ++i)
    if (data[i] == '\r' && data[i + 1] == '\n') ++n;
  return n;
}

std::string lastLine(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string line, last;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) last = line;
  }
  return last;
}

std::string plural(size_t n, const char* one, const char* many) {
  return fmt::format("{} {}", n, n == 1 ? one : many);
}

std::string fullName(std::string_view paterno, std::string_view materno, std::string_view nombre) {
  std::string out;
  for (std::string_view part : {paterno, materno, nombre}) {
    if (part.empty()) continue;
    if (!out.empty()) out += ' ';
    out += part;
  }
  return out;
}

std::string padded(const std::string& s, size_t width) {
  size_t len = utf8Length(s);
  return len >= width ? s : s + std::string(width - len, ' ');
}

// A description as printed under a result: a CR inside it starts a new, indented line.
std::string indentedDescription(const std::string& text, const std::string& indent) {
  std::string out = indent;
  for (char c : text) {
    if (c == '\r' || c == '\n') out += "\n" + indent;
    else out += c;
  }
  return out;
}

std::string text(const Recordset& rs, std::string_view field) {
  Variant v = rs.value(field);
  return v.isNull() ? std::string() : toText(v);
}

// This program's own path, for the commands the demo suggests.
std::string self() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("korvanda") : exe.string();
}

class Demo {
 public:
  Demo(fs::path dir, std::ostream& out) : dir_(std::move(dir)), out_(out), period_(currentPeriod()) {}

  void run() {
    setUp();
    clsCatValida cat;  // opens the shared connection named by the registry file
    ConnectionRef conn = cat.getConexion();
    registerRecords(cat, conn);
    monthlyCertificates(cat, conn);
    exportFiles(cat);
    unmarkMonth(cat);
    summary();
  }

 private:
  fs::path path(const char* name) const { return dir_ / name; }
  std::string monthName() const {
    return fmt::format("{} {}", kMonths[period_.month - 1], period_.year);
  }
  int16_t year() const { return static_cast<int16_t>(period_.year); }
  int16_t month() const { return static_cast<int16_t>(period_.month); }

  void setUp() {
    prepareDirectory(dir_);
    out_ << "KORVANDA demo in " << dir_.string() << "\n";
    const fs::path db = path(kDatabase);
    createDatabase(db.string(), true);
    {
      ConnectionRef capture = openDatabase(db.string());
      capture->execute(portfolioSql(period_));
      auto rows = [&](const char* table) {
        RecordsetRef rs = capture->query(std::string("SELECT COUNT(*) FROM ") + table);
        return static_cast<size_t>(toInt32(rs->value(size_t{0})));
      };
      out_ << fmt::format(
          "  database  {}\n"
          "            schema, demo catalogs and the capture data of fund {} for {}:\n"
          "            {}, {}, {} and {}\n",
          db.string(), kCedente, monthName(),
          plural(rows("SOLMCONSTANCIA"), "certificate", "certificates"),
          plural(rows("SOLDINCISO"), "item", "items"),
          plural(rows("SOLDENDOSO"), "movement", "movements"),
          plural(rows("SICIMCOBRANZA"), "payment", "payments"));
    }
    const fs::path registry = path(kRegistry), key = path(kKeyFile);
    createKeyFile(key.string());
    writeConnectionData(registry.string(), "sqlite", "", "", db.string(), key.string());
    ::setenv("KORVANDA_REGISTRY", registry.c_str(), 1);
    ::setenv("KORVANDA_KEY_FILE", key.c_str(), 1);
    ::setenv("KORVANDA_LOG_DIR", dir_.c_str(), 1);
    out_ << "  registry  " << registry.string() << " (KORVANDA_REGISTRY; its key file "
         << key.filename().string() << " beside it)\n"
         << "  logs      " << dir_.string() << " (KORVANDA_LOG_DIR: " << kErrorLog << ", "
         << kDuplicatesLog << ")\n\n";
  }

  // A registration call: true when stored, false when the duplicate went to the log.
  // A raised duplicate is printed and counted; any other error ends the demo.
  void report(const std::string& member, const std::string& what,
              const std::function<bool()>& call, const char* sendTo = nullptr) {
    out_ << "   " << padded(member, 18) << (sendTo ? what : padded(what, 62));
    try {
      bool stored = call();
      if (!sendTo) {
        out_ << (stored ? "registered" : "not registered") << "\n";
        if (stored) ++registered_;
        return;
      }
      if (stored) {
        out_ << "\n      registered a second time: the duplicate was not detected\n";
        ++registered_;
        return;
      }
      out_ << "\n      reported to \"" << sendTo << "\": returned " << formatBool(stored) << "; "
           << kDuplicatesLog << " reads\n      " << lastLine(path(kDuplicatesLog)) << "\n";
      ++logged_;
    } catch (const Error& e) {
      if (!sendTo || e.number() != kAppError1001) throw;
      out_ << fmt::format("\n      reported to \"{}\": raised error {} (source {})\n{}\n", sendTo,
                          e.number(), e.source(), indentedDescription(e.description(), "        "));
      ++raised_;
    }
  }

  void registerRecords(clsCatValida& cat, const ConnectionRef& conn) {
    out_ << "1. Registering the records of the capture stations (clsCatValida)\n";
    const auto agricolas = agricolaRecords(period_);
    const auto siniestros = agricolaFcRecords(period_);
    const auto ganaderos = ganaderoRecords(period_);

    auto describeAgricola = [](const RegistroAgricola& r) {
      return fmt::format("{} end. {} item {}  {}", r.strPoliza, r.strEndoso, r.intInciso,
                         fullName(r.strapPaterno, r.strapMaterno, r.strNombres));
    };
    auto describeSiniestro = [](const RegistroAgricolaFc& r) {
      return fmt::format("{} item {}  {}", r.strPoliza, r.intInciso,
                         fullName(r.strapPaterno, r.strapMaterno, r.strNombres));
    };
    auto describeGanadero = [](const RegistroGanadero& r) {
      return fmt::format("{} end. {} item {}  {}", r.strPoliza, r.strEndoso, r.intInciso,
                         fullName(r.strapPaterno, r.strapMaterno, r.strNombres));
    };

    for (const auto& r : agricolas)
      report("insertAgricola", describeAgricola(r), [&] { return insertAgricola(cat, r, conn); });
    for (const auto& r : siniestros)
      report("insertAgricolaFc", describeSiniestro(r),
             [&] { return insertAgricolaFc(cat, r, conn); });
    for (const auto& r : ganaderos)
      report("insertGanadero", describeGanadero(r), [&] { return insertGanadero(cat, r); });

    out_ << "   The same records sent again by another station:\n";
    const auto& a = agricolas.at(kAgricolaDuplicate);
    report("insertAgricola", describeAgricola(a),
           [&] { return insertAgricola(cat, a, conn, kToWindow); }, kToWindow);
    const auto& s = siniestros.at(kAgricolaFcDuplicate);
    report("insertAgricolaFc", describeSiniestro(s),
           [&] { return insertAgricolaFc(cat, s, conn, kToFile); }, kToFile);
    const auto& g = ganaderos.at(kGanaderoDuplicate);
    report("insertGanadero", describeGanadero(g),
           [&] { return insertGanadero(cat, g, kToFile); }, kToFile);

    auto rows = [&](const char* table) {
      RecordsetRef rs = cat.seleccionar(std::string("SELECT COUNT(*) AS n FROM ") + table);
      return toInt32(rs->value(size_t{0}));
    };
    out_ << fmt::format(
        "   Registered {} records: SUBMAGRICOLA {}, SUBMAGRICOLAFC {}, SUBMGANADERO {}; "
        "{} duplicates refused ({} raised, {} logged)\n\n",
        registered_, rows("SUBMAGRICOLA"), rows("SUBMAGRICOLAFC"), rows("SUBMGANADERO"),
        raised_ + logged_, raised_, logged_);
  }

  RecordsetRef selectMonth(clsCatValida& cat) {
    return cat.getConstanciasSubD(month(), kCedente, year(), year(), month());
  }
  size_t sentRegisterRows(clsCatValida& cat) {
    return cat.getConstanciasEnviadas(kCedente, month(), year(), year())->rowCount();
  }

  void monthlyCertificates(clsCatValida& cat, const ConnectionRef& conn) {
    out_ << fmt::format("2. Subsidy certificates of {}: fund {}, cycle {}/{}\n", monthName(),
                        kCedente, period_.year, period_.year);
    RecordsetRef rs = selectMonth(cat);
    selected_ = rs->rowCount();
    out_ << "   getConstanciasSubD: " << plural(selected_, "movement", "movements")
         << " paid by the close of the month and not sent yet\n";
    size_t entered = 0, marked = 0;
    if (selected_ > 0) {
      for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        const std::string constancia = text(*rs, "PkConstancia");
        const std::string endoso = text(*rs, "Endoso");
        const std::string inciso = text(*rs, "Inciso");
        const int16_t tipo = toInt16(rs->value("PkTipoEndoso"));
        out_ << fmt::format("     certificate {} item {} endorsement {} (type {})  {}  paid {}  "
                            "federal premium {}\n",
                            constancia, inciso, endoso, tipo,
                            padded(fullName(text(*rs, "Paterno"), text(*rs, "Materno"),
                                            text(*rs, "Nombre")), 36),
                            text(*rs, "fechaPago"), text(*rs, "PrimaCobradaGobFederal"));
        if (cat.insertEnviado(constancia, endoso, tipo, toInt16(Variant(inciso)), month(), year(),
                              kCedente, year(), year(), conn))
          ++entered;
        if (cat.ActualizaStatusSubsidio(constancia, inciso, tipo, kCedente, year(), year(), conn))
          ++marked;
      }
    }
    out_ << "   insertEnviado: " << entered << " entered in the sent register; "
         << "ActualizaStatusSubsidio: " << marked << " marked as sent\n";
    out_ << "   getConstanciasEnviadas: the sent register of " << monthName() << " holds "
         << plural(sentRegisterRows(cat), "row", "rows") << "\n";
    const size_t again = selectMonth(cat)->rowCount();
    out_ << "   getConstanciasSubD again: " << plural(again, "movement", "movements")
         << (again == 0 ? " (the sent ones are no longer due)" : "") << "\n\n";
  }

  // One export, with a bar on a terminal when it has records to count; then each file it
  // wrote with its line count.
  void exported(clsControlFiles& files, const char* member,
                const std::vector<std::pair<const char*, std::string>>& written,
                const std::function<void()>& call, bool withBar = true) {
    {
      std::optional<ProgressBar> bar;
      if (withBar) bar.emplace(files, "   " + padded(member, 22));
      call();
    }
    bool first = true;
    for (const auto& [name, note] : written) {
      const fs::path file = path(name);
      out_ << "   " << padded(first ? member : "", 22) << file.string() << "\n"
           << "   " << std::string(22, ' ') << plural(crlfLines(file), "line", "lines") << ", "
           << note << "\n";
      first = false;
    }
  }

  void exportFiles(clsCatValida& cat) {
    out_ << "3. Export files (clsControlFiles), from the registered records\n";
    clsControlFiles files;
    RecordsetRef agricolas = cat.seleccionar(kRegisteredAgricola);
    RecordsetRef siniestros = cat.seleccionar(
        fmt::format(fmt::runtime(kRegisteredClaims), period_.semester(), period_.year));

    RecordsetRef dat = recordsFor("DatAgricola", *agricolas, kDatAliases);
    exported(files, "ExportFileDat", {{kDatFile, "agricultural layout, 63 fields"}},
             [&] { files.ExportFileDat(path(kDatFile).string(), dat, 1); });

    RecordsetRef polizas = recordsFor("FormatoB1", *agricolas, kFormatoB1Aliases);
    RecordsetRef personas = recordsFor("FormatoB2", *agricolas, kFormatoB2Aliases);
    exported(files, "ExportFilesFormatoB",
             {{kFormatoB1File, "policies, 30 fields"}, {kFormatoB2File, "persons, 40 fields"}},
             [&] {
               files.ExportFilesFormatoB(path(kFormatoB1File).string(),
                                         path(kFormatoB2File).string(), polizas, personas);
             });

    RecordsetRef formatoC = recordsFor("FormatoC", *siniestros);
    exported(files, "ExportFileDatFormatoC",
             {{kFormatoCFile, fmt::format("claims of semester {} of {}, 17 fields",
                                          period_.semester(), period_.year)}},
             [&] {
               files.ExportFileDatFormatoC(path(kFormatoCFile).string(), formatoC, 1,
                                           kFondoGanadero, period_.semester(), year(), 1);
             });

    // No livestock claims this semester: the livestock branch gets its one-line file. With no
    // records to count, its progress stays at 1: no bar.
    exported(files, "ExportFileDatForCSta",
             {{kPlaceholderFile, std::string("livestock placeholder of fund ") + kFondoGanadero}},
             [&] {
               files.ExportFileDatForCSta(path(kPlaceholderFile).string(), 2, 2, kFondoGanadero,
                                          period_.semester(), year(),
                                          fmt::format("{}/{}", period_.year, period_.year));
             },
             false);
    out_ << "\n";
  }

  void unmarkMonth(clsCatValida& cat) {
    out_ << "4. Unmarking " << monthName() << "\n";
    const bool done = cat.getDesmarcaConstanciasSubD(month(), kCedente, year(), year(), month());
    out_ << "   getDesmarcaConstanciasSubD: " << formatBool(done) << "\n";
    out_ << "   getConstanciasEnviadas: the sent register of " << monthName() << " holds "
         << plural(sentRegisterRows(cat), "row", "rows") << "\n";
    const size_t again = selectMonth(cat)->rowCount();
    out_ << "   getConstanciasSubD again: " << plural(again, "movement", "movements")
         << (again == selected_ ? " (due again, as before the delivery)" : "") << "\n\n";
  }

  void summary() {
    out_ << "Done. Logs:\n"
         << "   " << path(kErrorLog).string() << ": "
         << plural(crlfLines(path(kErrorLog)), "line", "lines")
         << " (every raised error is logged)\n"
         << "   " << path(kDuplicatesLog).string() << ": "
         << plural(crlfLines(path(kDuplicatesLog)), "line", "lines")
         << " (duplicates not raised)\n"
         << "Look at the registered records with:\n"
         << "   KORVANDA_REGISTRY=" << path(kRegistry).string() << " " << self()
         << " call KORVANDA.clsCatValida FindQuery \"SELECT poliza, apPaterno, "
            "Nombres FROM SUBMAGRICOLA\"\n";
  }

  fs::path dir_;
  std::ostream& out_;
  Period period_;
  int registered_ = 0, raised_ = 0, logged_ = 0;
  size_t selected_ = 0;
};

}  // namespace

Command demoCommand() {
  auto dir = std::make_shared<std::string>("korvanda-demo");
  Command cmd{"demo", "Run the main job end to end on a new embedded database, with demo data"};
  cmd.footer =
      "In DIR the demo creates an embedded database with the demo catalogs and the capture data\n"
      "of one fund for the current month (certificates, items, movements, payments), a registry\n"
      "file pointing at it, and the logs. Then, through the library's classes:\n"
      "  1. registers agricultural, claim and livestock records, and the same records again\n"
      "     from another station: one duplicate raised (\"Window\"), two written to Errores.log;\n"
      "  2. selects the subsidy certificates of the month, enters them in the sent register,\n"
      "     marks them as sent, and selects again (nothing due any more);\n"
      "  3. writes the subscription data file, the two Format B files, the Format C file and a\n"
      "     placeholder file from the registered records;\n"
      "  4. unmarks the month: the register is empty and the certificates are due again.\n"
      "Each run starts afresh: it removes the files an earlier demo wrote in DIR (listed in\n"
      "DIR/korvanda-demo.txt) and nothing else; a DIR holding other files is refused.\n"
      "Set KORVANDA_SQL_TRACE to a file to see every statement the library sends.\n\n"
      "Example:\n"
      "  korvanda demo --dir /tmp/korvanda-demo";
  cmd.option("--dir", dir.get(), "Directory for the database, registry file, logs and export files")
      .showingDefault();
  cmd.run = [dir] {
    runReporting([&] {
      const fs::path where = fs::absolute(*dir).lexically_normal();
      Demo(where, std::cout).run();
    });
  };
  return cmd;
}

}  // namespace korvanda::cli
