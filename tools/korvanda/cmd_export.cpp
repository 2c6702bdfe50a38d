// korvanda export dat|formatob|formatoc|placeholder: writes the export files from record sets
// read from CSV or JSON files.
#include <csv.h>
#include <fmt/core.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "commands.h"
#include "korvanda/clsControlFiles.h"
#include "korvanda/error.h"
#include "korvanda/textform.h"
#include "platform/sqlite/engine.h"

namespace korvanda::cli {
namespace {

constexpr int32_t kTextAttributes = adFldUpdatable | adFldIsNullable;

Error inputError(const std::string& file, const std::string& what) {
  return Error(errors::invalidArgument().number(), "korvanda export", file + ": " + what);
}

std::string slurp(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw inputError(file, "cannot be read");
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// CSV (RFC 4180 through libcsv): the first row names the fields; every value is text, an
// empty unquoted value is Null and "" is the empty text. UTF-8, an optional BOM.
RecordsetRef readCsv(const std::string& file) {
  std::string data = slurp(file);
  if (data.starts_with("\xEF\xBB\xBF")) data.erase(0, 3);

  struct State {
    const std::string* file;
    std::vector<std::optional<std::string>> row;
    std::vector<std::vector<std::optional<std::string>>> rows;
  } st{&file, {}, {}};

  csv_parser parser;
  if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI | CSV_EMPTY_IS_NULL) != 0)
    throw errors::outOfMemory();
  struct Free {
    csv_parser* p;
    ~Free() { csv_free(p); }
  } freeParser{&parser};
  // Blanks belong to the values: nothing is trimmed.
  csv_set_space_func(&parser, [](unsigned char) { return 0; });

  auto onField = [](void* s, size_t len, void* data) {
    auto* st = static_cast<State*>(data);
    if (s) st->row.emplace_back(std::string(static_cast<char*>(s), len));
    else st->row.emplace_back(std::nullopt);
  };
  auto onRow = [](int, void* data) {
    auto* st = static_cast<State*>(data);
    st->rows.push_back(std::move(st->row));
    st->row.clear();
  };
  if (csv_parse(&parser, data.data(), data.size(), onField, onRow, &st) != data.size() ||
      csv_fini(&parser, onField, onRow, &st) != 0)
    throw inputError(file, std::string("not valid CSV: ") + csv_strerror(csv_error(&parser)));
  if (st.rows.empty()) throw inputError(file, "no header row");

  auto rs = Recordset::create();
  for (const auto& name : st.rows[0]) {
    if (!name || name->empty()) throw inputError(file, "a header field has no name");
    rs->appendField(*name, adVarChar, 0, kTextAttributes);
  }
  const size_t cols = rs->fieldCount();
  for (size_t i = 1; i < st.rows.size(); ++i) {
    const auto& values = st.rows[i];
    if (values.size() != cols)
      throw inputError(file, fmt::format("record {} has {} fields, the header {}", i,
                                         values.size(), cols));
    size_t r = rs->appendRow();
    for (size_t c = 0; c < cols; ++c) {
      if (!values[c]) {
        rs->storeNull(r, c);
        continue;
      }
      if (!isValidUtf8(*values[c]))
        throw inputError(file, fmt::format("record {}, field {}: not UTF-8", i, c + 1));
      rs->storeText(r, c, *values[c]);
    }
  }
  rs->openMaterialised();
  return rs;
}

// JSON: an array of objects; the fields are every key met, in order of first appearance. A
// key an object lacks is Null; values keep their JSON type (text, number, true/false, null).
RecordsetRef readJson(const std::string& file) {
  nlohmann::ordered_json doc;
  try {
    doc = nlohmann::ordered_json::parse(slurp(file));
  } catch (const nlohmann::json::exception& e) {
    throw inputError(file, std::string("not valid JSON: ") + e.what());
  }
  if (!doc.is_array()) throw inputError(file, "expected an array of objects");
  auto rs = Recordset::create();
  for (const auto& obj : doc) {
    if (!obj.is_object()) throw inputError(file, "expected an array of objects");
    for (const auto& item : obj.items())
      if (!rs->findField(item.key())) rs->appendField(item.key(), adVarChar, 0, kTextAttributes);
  }
  const size_t cols = rs->fieldCount();
  size_t n = 0;
  for (const auto& obj : doc) {
    ++n;
    size_t r = rs->appendRow();
    for (size_t c = 0; c < cols; ++c) rs->storeNull(r, c);
    for (const auto& item : obj.items()) {
      size_t c = rs->fieldIndex(item.key());
      const auto& v = item.value();
      if (v.is_string()) rs->storeText(r, c, v.get_ref<const std::string&>());
      else if (v.is_boolean()) rs->storeInt(r, c, v.get<bool>() ? 1 : 0, Cell::kBool);
      else if (v.is_number_float()) rs->storeDouble(r, c, v.get<double>());
      else if (v.is_number_unsigned() && v.get<uint64_t>() > INT64_MAX)
        throw inputError(file, fmt::format("record {}, {}: number too large", n, item.key()));
      else if (v.is_number_integer()) {
        int64_t i = v.get<int64_t>();
        rs->storeInt(r, c, i, i >= INT32_MIN && i <= INT32_MAX ? Cell::kI32 : Cell::kI64);
      } else if (!v.is_null())
        throw inputError(file, fmt::format("record {}, {}: nested values are not fields", n,
                                           item.key()));
    }
  }
  rs->openMaterialised();
  return rs;
}

RecordsetRef readRecordset(const std::string& file, const std::string& format) {
  bool json = format == "json" ||
              (format == "auto" && file.size() >= 5 && file.compare(file.size() - 5, 5, ".json") == 0);
  return json ? readJson(file) : readCsv(file);
}

// Where records come from: a CSV/JSON file, or a query on an embedded database file.
struct Source {
  std::string file, format = "auto", db, query;

  RecordsetRef read(const std::string& what) const {
    if (!db.empty()) {
      if (query.empty()) throw inputError(db, "a query is needed for the " + what);
      return sqlite::openEmbedded(db)->query(query);
    }
    if (file.empty()) throw inputError(what, "give an input file, or --db with a query");
    return readRecordset(file, format);
  }
};

void addFormatOption(CLI::App* cmd, Source& src) {
  cmd->add_option("--format", src.format, "Input format: csv, json, or auto (by the file's extension)")
      ->check(CLI::IsMember({"auto", "csv", "json"}));
}

// input FILE, or --db FILE --query SQL.
void addSourceOptions(CLI::App* cmd, Source& src, const std::string& inputHelp) {
  auto* input = cmd->add_option("input", src.file, inputHelp)->check(CLI::ExistingFile);
  auto* db = cmd->add_option("--db", src.db, "Read the records from a query on this embedded database file")
                 ->check(CLI::ExistingFile)->excludes(input);
  cmd->add_option("--query", src.query, "The query that gives the records (with --db)")->needs(db);
  addFormatOption(cmd, src);
}

void report(const std::string& file, size_t lines) {
  std::cout << fmt::format("wrote {} ({} line{})\n", file, lines, lines == 1 ? "" : "s");
}

void addDat(CLI::App& exp) {
  struct Opt {
    std::string out;
    Source src;
    int16_t ramo = 1;
  };
  auto o = std::make_shared<Opt>();
  auto* cmd = exp.add_subcommand(
      "dat", "Write the subscription data file: one line of 63 (agricultural) or 28 "
             "(livestock) fields per record");
  cmd->footer(
      "Examples:\n"
      "  korvanda export dat suscripcion.dat agricola.csv\n"
      "  korvanda export dat ganadero.dat ganadero.json --ramo 2\n"
      "  korvanda export dat ganadero.dat --ramo 2 --db subsidios.db --query \"select g.*,\n"
      "      m.cveEstado, m.CveMunicipio, e.cveEspecie, e.cveFuncion from SUBMGANADERO g\n"
      "      join CATCMUNICIPIO m on m.PkMunicipio = g.pkmunicipio\n"
      "      join SUBRESPFUN e on e.pkespfun = g.pkespfun\"");
  cmd->add_option("out", o->out, "File to write (replaced when it exists)")->required();
  addSourceOptions(cmd, o->src, "Records: CSV with a header row, or a JSON array of objects");
  cmd->add_option("--ramo", o->ramo, "1 agricultural layout, 2 livestock layout")->capture_default_str();
  cmd->callback([o] {
    runReporting([&] {
      auto rs = o->src.read("records");
      clsControlFiles files;
      {
        ProgressBar bar(files);
        files.ExportFileDat(o->out, rs, o->ramo);
      }
      report(o->out, rs->rowCount());
    });
  });
}

void addFormatoB(CLI::App& exp) {
  struct Opt {
    std::string out1, out2, policyQuery, personsQuery;
    Source policies, persons;
  };
  auto o = std::make_shared<Opt>();
  auto* cmd = exp.add_subcommand(
      "formatob", "Write the two Format B files: policies (30 fields) and persons (40 fields, "
                  "with their default texts)");
  cmd->footer(
      "Progress runs over both files.\n\n"
      "Examples:\n"
      "  korvanda export formatob polizas.txt personas.txt polizas.csv personas.csv\n"
      "  korvanda export formatob polizas.txt personas.txt --db subsidios.db \\\n"
      "      --policy-query \"select * from polizas_b\" --persons-query \"select * from personas_b\"");
  cmd->add_option("policy-out", o->out1, "Policy file to write")->required();
  cmd->add_option("persons-out", o->out2, "Persons file to write")->required();
  auto* in1 = cmd->add_option("policy-input", o->policies.file, "Policy records (CSV or JSON)")
                  ->check(CLI::ExistingFile);
  auto* in2 = cmd->add_option("persons-input", o->persons.file, "Persons records (CSV or JSON)")
                  ->check(CLI::ExistingFile);
  auto* db = cmd->add_option("--db", o->policies.db, "Read both record sets from queries on this embedded database file")
                 ->check(CLI::ExistingFile)->excludes(in1)->excludes(in2);
  cmd->add_option("--policy-query", o->policyQuery, "Query that gives the policy records")->needs(db);
  cmd->add_option("--persons-query", o->personsQuery, "Query that gives the persons records")->needs(db);
  addFormatOption(cmd, o->policies);
  cmd->callback([o] {
    runReporting([&] {
      o->persons.format = o->policies.format;
      o->persons.db = o->policies.db;
      o->policies.query = o->policyQuery;
      o->persons.query = o->personsQuery;
      auto policies = o->policies.read("policy records");
      auto persons = o->persons.read("persons records");
      clsControlFiles files;
      {
        ProgressBar bar(files);
        files.ExportFilesFormatoB(o->out1, o->out2, policies, persons);
      }
      report(o->out1, policies->rowCount());
      report(o->out2, persons->rowCount());
    });
  });
}

void addFormatoC(CLI::App& exp) {
  struct Opt {
    std::string out, fondo;
    Source src;
    int16_t ramo = 1, semestre = 1, anio = 0, status = 0;
  };
  auto o = std::make_shared<Opt>();
  auto* cmd = exp.add_subcommand(
      "formatoc", "Write the Format C claims file: one line of 17 fields per claim record");
  cmd->footer(
      "Examples:\n"
      "  korvanda export formatoc siniestros.txt siniestros.csv\n"
      "  korvanda export formatoc siniestros.txt --db subsidios.db --query \"select * from siniestros_c\"");
  cmd->add_option("out", o->out, "File to write (replaced when it exists)")->required();
  addSourceOptions(cmd, o->src, "Claim records: CSV with a header row, or a JSON array of objects");
  cmd->add_option("--ramo", o->ramo, "1 agricultural layout; any other value writes empty lines")
      ->capture_default_str();
  cmd->add_option("--fondo", o->fondo, "Fund key (accepted, not written)");
  cmd->add_option("--semestre", o->semestre, "Semester (accepted, not written)");
  cmd->add_option("--anio", o->anio, "Year (accepted, not written)");
  cmd->add_option("--status", o->status, "Status (accepted, not written)");
  cmd->callback([o] {
    runReporting([&] {
      auto rs = o->src.read("claim records");
      clsControlFiles files;
      {
        ProgressBar bar(files);
        files.ExportFileDatFormatoC(o->out, rs, o->ramo, o->fondo, o->semestre, o->anio, o->status);
      }
      report(o->out, rs->rowCount());
    });
  });
}

void addPlaceholder(CLI::App& exp) {
  struct Opt {
    std::string out, fondo, ciclo;
    int16_t ramo = 1, status = 0, semestre = 1, anio = 0;
  };
  auto o = std::make_shared<Opt>();
  auto* cmd = exp.add_subcommand(
      "placeholder", "Write the one-line placeholder file of a branch (no records needed)");
  cmd->footer(
      "Branch 1 writes the cycle; branch 2 writes the fund key and the status.\n\n"
      "Examples:\n"
      "  korvanda export placeholder vacio.txt --ramo 1 --ciclo PV2026\n"
      "  korvanda export placeholder vacio.txt --ramo 2 --fondo F001 --status 2");
  cmd->add_option("out", o->out, "File to write (replaced when it exists)")->required();
  cmd->add_option("--ramo", o->ramo, "1 agricultural, 2 livestock, other values an empty line")
      ->capture_default_str();
  cmd->add_option("--ciclo", o->ciclo, "Cycle text (branch 1)");
  cmd->add_option("--fondo", o->fondo, "Fund key (branch 2)");
  cmd->add_option("--status", o->status, "Status (branch 2)");
  cmd->add_option("--semestre", o->semestre, "Semester (accepted, not written)");
  cmd->add_option("--anio", o->anio, "Year (accepted, not written)");
  cmd->callback([o] {
    runReporting([&] {
      clsControlFiles files;
      {
        ProgressBar bar(files);
        files.ExportFileDatForCSta(o->out, o->ramo, o->status, o->fondo, o->semestre, o->anio,
                                   o->ciclo);
      }
      report(o->out, 1);
    });
  });
}

}  // namespace

void addExportCommand(CLI::App& app) {
  auto* exp = app.add_subcommand(
      "export", "Write the export files from record sets in CSV or JSON files, or from queries");
  exp->footer(
      "Files are written in Windows-1252 with CR LF line ends, fields joined by \"|\".\n"
      "CSV input: a header row of field names; an empty unquoted value is Null, \"\" is the empty\n"
      "text. JSON input: an array of objects; null is Null. Or a query on an embedded database\n"
      "file (--db). Field names ignore letter case.\n\n"
      "Example:\n"
      "  korvanda export dat suscripcion.dat agricola.csv --ramo 1");
  exp->require_subcommand(1);
  addDat(*exp);
  addFormatoB(*exp);
  addFormatoC(*exp);
  addPlaceholder(*exp);
}

}  // namespace korvanda::cli
