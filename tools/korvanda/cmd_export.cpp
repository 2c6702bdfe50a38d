// korvanda export dat|formatob|formatoc|placeholder: writes the export files from record sets
// read from CSV or JSON files.
#include <csv.h>
#include <fcntl.h>
#include <fmt/core.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <span>
#include <unordered_map>
#include <vector>

#include "commands.h"
#include "korvanda/administration.h"
#include "korvanda/clsControlFiles.h"
#include "korvanda/error.h"
#include "korvanda/textform.h"

namespace korvanda::cli {
namespace {

constexpr int32_t kTextAttributes = adFldUpdatable | adFldIsNullable;

Error inputError(const std::string& file, const std::string& what) {
  return Error(errors::invalidArgument().number(), "korvanda export", file + ": " + what);
}

// An input file read in blocks by the streaming readers, with its size and what has been read
// (their progress by bytes).
class InputFile {
 public:
  explicit InputFile(std::string path) : path_(std::move(path)) {
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
      if (fd_ >= 0) ::close(fd_);
      throw inputError(path_, "cannot be read");
    }
    size_ = st.st_size;
  }
  ~InputFile() { ::close(fd_); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Up to n bytes; 0 at the end.
  size_t read(char* to, size_t n) {
    ssize_t got;
    do got = ::read(fd_, to, n);
    while (got < 0 && errno == EINTR);
    if (got < 0) throw inputError(path_, "cannot be read");
    read_ += got;
    return static_cast<size_t>(got);
  }
  void rewind() {
    if (::lseek(fd_, 0, SEEK_SET) != 0) throw inputError(path_, "cannot be read");
    read_ = 0;
  }
  const std::string& path() const { return path_; }
  int64_t size() const { return size_; }
  int64_t bytesRead() const { return read_; }

 private:
  std::string path_;
  int fd_ = -1;
  int64_t size_ = 0, read_ = 0;
};

constexpr size_t kBlock = 64 * 1024;

// CSV (RFC 4180 through libcsv, fed block by block): the first row names the fields; every
// value is text, an empty unquoted value is Null and "" is the empty text. UTF-8, an optional
// BOM. Only the rows of the block being read are held.
class CsvRows final : public RowSource {
 public:
  explicit CsvRows(const std::string& file) : in_(file), block_(kBlock) {
    if (csv_init(&parser_, CSV_STRICT | CSV_STRICT_FINI | CSV_EMPTY_IS_NULL) != 0)
      throw errors::outOfMemory();
    // Blanks belong to the values: nothing is trimmed.
    csv_set_space_func(&parser_, [](unsigned char) { return 0; });
  }
  ~CsvRows() override { csv_free(&parser_); }
  CsvRows(const CsvRows&) = delete;
  CsvRows& operator=(const CsvRows&) = delete;

  // The header row's names.
  std::vector<std::string> header() {
    std::span<const Field> names;
    if (!nextRow(names)) throw inputError(in_.path(), "no header row");
    std::vector<std::string> out;
    for (const Field& f : names) {
      if (f.null || f.length == 0) throw inputError(in_.path(), "a header field has no name");
      out.emplace_back(text(f));
    }
    columns_ = out.size();
    return out;
  }

  bool fetch(Recordset& rs, size_t row) override {
    std::span<const Field> values;
    if (!nextRow(values)) return false;
    ++record_;
    if (values.size() != columns_)
      throw inputError(in_.path(), fmt::format("record {} has {} fields, the header {}", record_,
                                               values.size(), columns_));
    for (size_t c = 0; c < columns_; ++c) {
      if (values[c].null) {
        rs.storeNull(row, c);
        continue;
      }
      std::string_view v = text(values[c]);
      if (!isValidUtf8(v))
        throw inputError(in_.path(), fmt::format("record {}, field {}: not UTF-8", record_, c + 1));
      rs.storeText(row, c, v);
    }
    return true;
  }
  std::optional<SizeHint> sizeHint() override { return SizeHint{SizeHint::kBytes, in_.size()}; }
  int64_t bytesRead() const override { return in_.bytesRead(); }

 private:
  struct Field {
    size_t offset, length;
    bool null;
  };
  std::string_view text(const Field& f) const { return {text_.data() + f.offset, f.length}; }

  // The next whole row, parsing blocks until one is complete; false at the end of the file.
  bool nextRow(std::span<const Field>& out) {
    while (next_ == rowEnds_.size()) {
      if (ended_) return false;
      compact();
      size_t n = in_.read(block_.data(), block_.size());
      const char* at = block_.data();
      if (first_ && n >= 3 && std::memcmp(at, "\xEF\xBB\xBF", 3) == 0) at += 3, n -= 3;
      first_ = false;
      if (n == 0) {
        ended_ = true;
        if (csv_fini(&parser_, onField, onRow, this) != 0) fail();
      } else if (csv_parse(&parser_, at, n, onField, onRow, this) != n) {
        fail();
      }
    }
    const size_t begin = next_ ? rowEnds_[next_ - 1] : 0;
    out = std::span<const Field>(fields_).subspan(begin, rowEnds_[next_] - begin);
    ++next_;
    return true;
  }
  [[noreturn]] void fail() {
    throw inputError(in_.path(), std::string("not valid CSV: ") + csv_strerror(csv_error(&parser_)));
  }
  // Drops the rows handed out; the fields of an unfinished row move to the front.
  void compact() {
    const size_t keep = rowEnds_.empty() ? 0 : rowEnds_.back();
    const size_t textFrom = keep < fields_.size() ? fields_[keep].offset : text_.size();
    text_.erase(0, textFrom);
    fields_.erase(fields_.begin(), fields_.begin() + static_cast<ptrdiff_t>(keep));
    for (Field& f : fields_) f.offset -= textFrom;
    rowEnds_.clear();
    next_ = 0;
  }
  static void onField(void* s, size_t len, void* data) {
    auto* self = static_cast<CsvRows*>(data);
    self->fields_.push_back(Field{self->text_.size(), s ? len : 0, s == nullptr});
    if (s) self->text_.append(static_cast<const char*>(s), len);
  }
  static void onRow(int, void* data) {
    auto* self = static_cast<CsvRows*>(data);
    self->rowEnds_.push_back(self->fields_.size());
  }

  InputFile in_;
  csv_parser parser_{};
  std::vector<char> block_;
  std::string text_;            // the values of the rows parsed and not yet handed out
  std::vector<Field> fields_;   // their fields, row after row
  std::vector<size_t> rowEnds_; // where each complete row's fields end
  size_t next_ = 0;             // the next complete row to hand out
  size_t columns_ = 0, record_ = 0;
  bool first_ = true, ended_ = false;
};

RecordsetRef openCsv(const std::string& file) {
  auto rows = std::make_unique<CsvRows>(file);
  auto rs = Recordset::create();
  for (auto& name : rows->header()) rs->appendField(std::move(name), adVarChar, 0, kTextAttributes);
  rs->openForwardOnly(std::move(rows));
  return rs;
}

// JSON: an array of objects; the fields are every key met, in order of first appearance. A
// key an object lacks is Null; values keep their JSON type (text, number, true/false, null).
// The fields need the whole file: a first pass (SAX, nothing kept) checks it and finds them,
// and the rows are read in a second pass, one object at a time.
class JsonFields final : public nlohmann::json::json_sax_t {
 public:
  JsonFields(const std::string& file, Recordset& rs) : file_(file), rs_(rs) {}

  bool start_array(std::size_t) override {
    if (depth_ == 1 || (depth_ == 0 && seenTop_)) return shape();
    if (depth_ >= 2) return nested();
    seenTop_ = true;
    ++depth_;
    return true;
  }
  bool end_array() override { return --depth_, true; }
  bool start_object(std::size_t) override {
    if (depth_ == 0) return shape();
    if (depth_ >= 2) return nested();
    ++records_;
    ++depth_;
    return true;
  }
  bool end_object() override { return --depth_, true; }
  bool key(string_t& k) override {
    key_ = k;
    if (!rs_.findField(k)) rs_.appendField(k, adVarChar, 0, kTextAttributes);
    return true;
  }
  bool null() override { return scalar(); }
  bool boolean(bool) override { return scalar(); }
  bool number_integer(number_integer_t) override { return scalar(); }
  bool number_unsigned(number_unsigned_t v) override {
    if (v > static_cast<uint64_t>(INT64_MAX))
      throw inputError(file_, fmt::format("record {}, {}: number too large", records_, key_));
    return scalar();
  }
  bool number_float(number_float_t, const string_t&) override { return scalar(); }
  bool string(string_t&) override { return scalar(); }
  bool binary(binary_t&) override { return scalar(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::json::exception& e) override {
    throw inputError(file_, std::string("not valid JSON: ") + e.what());
  }
  void finish() {
    if (!seenTop_) shape();
  }

 private:
  bool scalar() { return depth_ == 2 ? true : shape(); }
  bool shape() { throw inputError(file_, "expected an array of objects"); }
  bool nested() {
    throw inputError(file_, fmt::format("record {}, {}: nested values are not fields", records_, key_));
  }

  const std::string& file_;
  Recordset& rs_;
  int depth_ = 0;
  bool seenTop_ = false;
  size_t records_ = 0;
  std::string key_;
};

// The second pass: each object of the array, found by its braces (strings skipped), is parsed
// alone into the record set's row.
class JsonRows final : public RowSource, public nlohmann::json::json_sax_t {
 public:
  JsonRows(std::unique_ptr<InputFile> in, const Recordset& rs) : in_(std::move(in)), rs_(rs) {}

  bool fetch(Recordset& rs, size_t row) override {
    std::string_view object;
    if (!nextObject(object)) return false;
    for (size_t c = 0; c < rs.fieldCount(); ++c) rs.storeNull(row, c);
    target_ = &rs;
    row_ = row;
    ++record_;
    if (!nlohmann::json::sax_parse(object.begin(), object.end(), this))
      throw inputError(in_->path(), "changed while it was read");
    return true;
  }
  std::optional<SizeHint> sizeHint() override { return SizeHint{SizeHint::kBytes, in_->size()}; }
  int64_t bytesRead() const override { return in_->bytesRead(); }

 private:
  // The text of the next object; false after the array's last.
  bool nextObject(std::string_view& out) {
    buf_.erase(0, pos_);
    pos_ = 0;
    size_t scan = 0;  // where the brace scan goes on
    int depth = 0;
    bool inString = false, escaped = false;
    for (;;) {
      for (; scan < buf_.size(); ++scan) {
        const char ch = buf_[scan];
        if (depth == 0) {
          if (ch == '{') depth = 1, pos_ = scan;
          else if (ch == ']') return false;
          continue;
        }
        if (inString) {
          if (escaped) escaped = false;
          else if (ch == '\\') escaped = true;
          else if (ch == '"') inString = false;
        } else if (ch == '"') {
          inString = true;
        } else if (ch == '{' || ch == '[') {
          ++depth;
        } else if ((ch == '}' || ch == ']') && --depth == 0) {
          out = std::string_view(buf_).substr(pos_, scan + 1 - pos_);
          pos_ = scan + 1;
          return true;
        }
      }
      if (depth == 0) buf_.clear(), scan = pos_ = 0;
      const size_t old = buf_.size();
      buf_.resize(old + kBlock);
      const size_t n = in_->read(buf_.data() + old, kBlock);
      buf_.resize(old + n);
      if (n == 0) return false;
    }
  }

  size_t column(const std::string& k) {
    auto it = columns_.find(k);
    if (it == columns_.end()) it = columns_.emplace(k, rs_.fieldIndex(k)).first;
    return it->second;
  }

 public:  // the SAX events of one object
  bool start_array(std::size_t) override { return false; }
  bool end_array() override { return false; }
  bool start_object(std::size_t) override { return ++depth_ == 1; }
  bool end_object() override { return --depth_, true; }
  bool key(string_t& k) override { return col_ = column(k), true; }
  bool null() override { return target_->storeNull(row_, col_), true; }
  bool boolean(bool v) override { return target_->storeCell(row_, col_, Variant(v)), true; }
  bool number_integer(number_integer_t i) override {
    if (i >= INT32_MIN && i <= INT32_MAX) target_->storeCell(row_, col_, Variant(static_cast<int32_t>(i)));
    else target_->storeCell(row_, col_, Variant(static_cast<int64_t>(i)));
    return true;
  }
  bool number_unsigned(number_unsigned_t v) override {
    if (v > static_cast<uint64_t>(INT64_MAX)) return false;
    return number_integer(static_cast<int64_t>(v));
  }
  bool number_float(number_float_t d, const string_t&) override {
    return target_->storeDouble(row_, col_, d), true;
  }
  bool string(string_t& v) override { return target_->storeText(row_, col_, v), true; }
  bool binary(binary_t&) override { return false; }
  bool parse_error(std::size_t, const std::string&, const nlohmann::json::exception&) override {
    return false;
  }

 private:
  std::unique_ptr<InputFile> in_;
  const Recordset& rs_;
  std::unordered_map<std::string, size_t> columns_;  // key text -> field (letter case ignored)
  std::string buf_;
  size_t pos_ = 0;
  Recordset* target_ = nullptr;
  size_t row_ = 0, col_ = 0, record_ = 0;
  int depth_ = 0;
};

RecordsetRef openJson(const std::string& file) {
  auto rs = Recordset::create();
  {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw inputError(file, "cannot be read");
    JsonFields fields(file, *rs);
    nlohmann::json::sax_parse(in, &fields);
    fields.finish();
  }
  if (rs->fieldCount() == 0) {  // no keys: no records to read, but the set opens
    rs->openMaterialised();
    return rs;
  }
  auto rows = std::make_unique<JsonRows>(std::make_unique<InputFile>(file), *rs);
  rs->openForwardOnly(std::move(rows));
  return rs;
}

bool isJson(const std::string& file, const std::string& format) {
  return format == "json" ||
         (format == "auto" && file.size() >= 5 && file.compare(file.size() - 5, 5, ".json") == 0);
}

// A forward-only record set read into memory (the fields as they are, every row).
RecordsetRef materialise(Recordset& in) {
  auto out = Recordset::create();
  for (size_t c = 0; c < in.fieldCount(); ++c) {
    const FieldInfo& f = in.field(c);
    out->appendResultField(f.name, f.type, f.definedSize, f.attributes);
  }
  if (in.state() == 1)
    for (; !in.eof(); in.moveNext()) {
      size_t r = out->appendRow();
      for (size_t c = 0; c < in.fieldCount(); ++c) out->storeCell(r, c, in.valueAt(0, c));
    }
  out->openMaterialised();
  return out;
}

// The readers as in-memory record sets (the fuzzer compares them with what the printer writes).
[[maybe_unused]] RecordsetRef readCsv(const std::string& file) { return materialise(*openCsv(file)); }
[[maybe_unused]] RecordsetRef readJson(const std::string& file) { return materialise(*openJson(file)); }

// The records of an input file, read as the export moves.
RecordsetRef openRecords(const std::string& file, const std::string& format) {
  return isJson(file, format) ? openJson(file) : openCsv(file);
}

// Where records come from: a CSV/JSON file, or a query on an embedded database file.
struct Source {
  std::string file, format = "auto", db, query;

  RecordsetRef read(const std::string& what) const {
    if (!db.empty()) {
      if (query.empty()) throw inputError(db, "a query is needed for the " + what);
      return openDatabase(db)->openForwardOnly(query);
    }
    if (file.empty()) throw inputError(what, "give an input file, or --db with a query");
    return openRecords(file, format);
  }
};

void addFormatOption(Command& cmd, Source& src) {
  cmd.option("--format", &src.format, "Input format: csv, json, or auto (by the file's extension)")
      .oneOf({"auto", "csv", "json"});
}

// input FILE, or --db FILE --query SQL.
void addSourceOptions(Command& cmd, Source& src, const std::string& inputHelp) {
  cmd.option("input", &src.file, inputHelp).mustExist();
  cmd.option("--db", &src.db, "Read the records from a query on this embedded database file")
      .mustExist()
      .excluding("input");
  cmd.option("--query", &src.query, "The query that gives the records (with --db)").needing("--db");
  addFormatOption(cmd, src);
}

void report(const std::string& file, size_t lines) {
  std::cout << fmt::format("wrote {} ({} line{})\n", file, lines, lines == 1 ? "" : "s");
}

void addDat(Command& exp) {
  struct Opt {
    std::string out;
    Source src;
    int16_t ramo = 1;
  };
  auto o = std::make_shared<Opt>();
  Command& cmd = exp.subcommand(
      "dat", "Write the subscription data file: one line of 63 (agricultural) or 28 "
             "(livestock) fields per record");
  cmd.footer =
      "Examples:\n"
      "  korvanda export dat suscripcion.dat agricola.csv\n"
      "  korvanda export dat ganadero.dat ganadero.json --ramo 2\n"
      "  korvanda export dat ganadero.dat --ramo 2 --db subsidios.db --query \"select g.*,\n"
      "      m.cveEstado, m.CveMunicipio, e.cveEspecie, e.cveFuncion from SUBMGANADERO g\n"
      "      join CATCMUNICIPIO m on m.PkMunicipio = g.pkmunicipio\n"
      "      join SUBRESPFUN e on e.pkespfun = g.pkespfun\"";
  cmd.option("out", &o->out, "File to write (replaced when it exists)").require();
  addSourceOptions(cmd, o->src, "Records: CSV with a header row, or a JSON array of objects");
  cmd.option("--ramo", &o->ramo, "1 agricultural layout, 2 livestock layout").showingDefault();
  cmd.run = [o] {
    runReporting([&] {
      auto rs = o->src.read("records");
      clsControlFiles files;
      {
        ProgressBar bar(files);
        files.ExportFileDat(o->out, rs, o->ramo);
      }
      report(o->out, rs->rowCount());
    });
  };
}

void addFormatoB(Command& exp) {
  struct Opt {
    std::string out1, out2, policyQuery, personsQuery;
    Source policies, persons;
  };
  auto o = std::make_shared<Opt>();
  Command& cmd = exp.subcommand(
      "formatob", "Write the two Format B files: policies (30 fields) and persons (40 fields, "
                  "with their default texts)");
  cmd.footer =
      "Progress runs over both files.\n\n"
      "Examples:\n"
      "  korvanda export formatob polizas.txt personas.txt polizas.csv personas.csv\n"
      "  korvanda export formatob polizas.txt personas.txt --db subsidios.db \\\n"
      "      --policy-query \"select * from polizas_b\" --persons-query \"select * from personas_b\"";
  cmd.option("policy-out", &o->out1, "Policy file to write").require();
  cmd.option("persons-out", &o->out2, "Persons file to write").require();
  cmd.option("policy-input", &o->policies.file, "Policy records (CSV or JSON)").mustExist();
  cmd.option("persons-input", &o->persons.file, "Persons records (CSV or JSON)").mustExist();
  cmd.option("--db", &o->policies.db, "Read both record sets from queries on this embedded database file")
      .mustExist()
      .excluding("policy-input")
      .excluding("persons-input");
  cmd.option("--policy-query", &o->policyQuery, "Query that gives the policy records").needing("--db");
  cmd.option("--persons-query", &o->personsQuery, "Query that gives the persons records").needing("--db");
  addFormatOption(cmd, o->policies);
  cmd.run = [o] {
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
  };
}

void addFormatoC(Command& exp) {
  struct Opt {
    std::string out, fondo;
    Source src;
    int16_t ramo = 1, semestre = 1, anio = 0, status = 0;
  };
  auto o = std::make_shared<Opt>();
  Command& cmd = exp.subcommand(
      "formatoc", "Write the Format C claims file: one line of 17 fields per claim record");
  cmd.footer =
      "Examples:\n"
      "  korvanda export formatoc siniestros.txt siniestros.csv\n"
      "  korvanda export formatoc siniestros.txt --db subsidios.db --query \"select * from siniestros_c\"";
  cmd.option("out", &o->out, "File to write (replaced when it exists)").require();
  addSourceOptions(cmd, o->src, "Claim records: CSV with a header row, or a JSON array of objects");
  cmd.option("--ramo", &o->ramo, "1 agricultural layout; any other value writes empty lines")
      .showingDefault();
  cmd.option("--fondo", &o->fondo, "Fund key (accepted, not written)");
  cmd.option("--semestre", &o->semestre, "Semester (accepted, not written)");
  cmd.option("--anio", &o->anio, "Year (accepted, not written)");
  cmd.option("--status", &o->status, "Status (accepted, not written)");
  cmd.run = [o] {
    runReporting([&] {
      auto rs = o->src.read("claim records");
      clsControlFiles files;
      {
        ProgressBar bar(files);
        files.ExportFileDatFormatoC(o->out, rs, o->ramo, o->fondo, o->semestre, o->anio, o->status);
      }
      report(o->out, rs->rowCount());
    });
  };
}

void addPlaceholder(Command& exp) {
  struct Opt {
    std::string out, fondo, ciclo;
    int16_t ramo = 1, status = 0, semestre = 1, anio = 0;
  };
  auto o = std::make_shared<Opt>();
  Command& cmd = exp.subcommand(
      "placeholder", "Write the one-line placeholder file of a branch (no records needed)");
  cmd.footer =
      "Branch 1 writes the cycle; branch 2 writes the fund key and the status.\n\n"
      "Examples:\n"
      "  korvanda export placeholder vacio.txt --ramo 1 --ciclo PV2026\n"
      "  korvanda export placeholder vacio.txt --ramo 2 --fondo F001 --status 2";
  cmd.option("out", &o->out, "File to write (replaced when it exists)").require();
  cmd.option("--ramo", &o->ramo, "1 agricultural, 2 livestock, other values an empty line")
      .showingDefault();
  cmd.option("--ciclo", &o->ciclo, "Cycle text (branch 1)");
  cmd.option("--fondo", &o->fondo, "Fund key (branch 2)");
  cmd.option("--status", &o->status, "Status (branch 2)");
  cmd.option("--semestre", &o->semestre, "Semester (accepted, not written)");
  cmd.option("--anio", &o->anio, "Year (accepted, not written)");
  cmd.run = [o] {
    runReporting([&] {
      clsControlFiles files;
      {
        ProgressBar bar(files);
        files.ExportFileDatForCSta(o->out, o->ramo, o->status, o->fondo, o->semestre, o->anio,
                                   o->ciclo);
      }
      report(o->out, 1);
    });
  };
}

}  // namespace

Command exportCommand() {
  Command exp{"export",
              "Write the export files from record sets in CSV or JSON files, or from queries"};
  exp.footer =
      "Files are written in Windows-1252 with CR LF line ends, fields joined by \"|\".\n"
      "CSV input: a header row of field names; an empty unquoted value is Null, \"\" is the empty\n"
      "text. JSON input: an array of objects; null is Null. Or a query on an embedded database\n"
      "file (--db). Field names ignore letter case.\n\n"
      "Records are read as the lines are written (a forward-only record set), so memory stays\n"
      "flat whatever their number; a bad record stops the export where it is met. Progress runs\n"
      "over the records a SELECT COUNT(*) of the query counts (--db), or over the bytes of the\n"
      "input file read (CSV, JSON). A JSON file is read twice: first for its field names.\n\n"
      "Example:\n"
      "  korvanda export dat suscripcion.dat agricola.csv --ramo 1";
  exp.requireSubcommand = true;
  addDat(exp);
  addFormatoB(exp);
  addFormatoC(exp);
  addPlaceholder(exp);
  return exp;
}

}  // namespace korvanda::cli
