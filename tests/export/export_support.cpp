#include "export_support.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "core/recordset_store.h"
#include "korvanda/textform.h"

namespace exporttest {

std::string ExportTest::logText() const {
  std::string p = dir_ + "/logFile.log";
  return ::access(p.c_str(), F_OK) == 0 ? readFile(p) : std::string();
}

namespace {
// Gives the rows one at a time, counted beforehand.
class RowsOneByOne final : public korvanda::RowSource {
 public:
  RowsOneByOne(std::vector<std::vector<Variant>> rows, bool bytes)
      : rows_(std::move(rows)), bytes_(bytes) {}
  bool fetch(korvanda::Recordset& rs, size_t row) override {
    if (next_ == rows_.size()) return false;
    const auto& values = rows_[next_++];
    for (size_t c = 0; c < rs.fieldCount(); ++c)
      rs.storeCell(row, c, c < values.size() ? values[c] : Variant(korvanda::Null{}));
    return true;
  }
  std::optional<korvanda::SizeHint> sizeHint() override {
    if (bytes_)
      return korvanda::SizeHint{korvanda::SizeHint::kBytes,
                                static_cast<int64_t>(rows_.size()) * 100};
    return korvanda::SizeHint{korvanda::SizeHint::kRecords, static_cast<int64_t>(rows_.size())};
  }
  int64_t bytesRead() const override { return static_cast<int64_t>(next_) * 100; }

 private:
  std::vector<std::vector<Variant>> rows_;
  size_t next_ = 0;
  bool bytes_;
};

// An unquoted value with a type tag; anything else is text.
Variant typedValue(const std::string& v) {
  static const std::set<std::string> tags = {"i16", "i32", "i64", "dbl", "dec", "date", "bool"};
  const size_t colon = v.find(':');
  if (colon == std::string::npos || !tags.count(v.substr(0, colon))) return Variant(v);
  const std::string tag = v.substr(0, colon), x = v.substr(colon + 1);
  if (tag == "i16") return Variant(static_cast<int16_t>(std::stoi(x)));
  if (tag == "i32") return Variant(static_cast<int32_t>(std::stol(x)));
  if (tag == "i64") return Variant(static_cast<int64_t>(std::stoll(x)));
  if (tag == "dbl") return Variant(std::stod(x));
  if (tag == "bool") return Variant(x == "true");
  if (tag == "dec") {
    const size_t dot = x.find('.');
    const std::string digits = x.substr(0, dot) + x.substr(dot + 1);
    return Variant(korvanda::Decimal{std::stoll(digits), static_cast<uint8_t>(x.size() - dot - 1)});
  }
  int y = 0, m = 0, d = 0, hh = 0, mm = 0, ss = 0;
  std::sscanf(x.c_str(), "%d-%d-%d %d:%d:%d", &y, &m, &d, &hh, &mm, &ss);
  return Variant(korvanda::dateFromParts(y, m, d, hh, mm, ss));
}
}  // namespace

std::shared_ptr<korvanda::Recordset> makeRecordset(const std::vector<std::string>& names,
                                                   const std::vector<std::vector<Variant>>& rows,
                                                   RecordsetKind kind) {
  auto rs = korvanda::Recordset::create();
  for (const auto& n : names)
    rs->appendField(n, korvanda::adVarChar, 0,
                    korvanda::adFldUpdatable | korvanda::adFldIsNullable);
  if (kind != RecordsetKind::InMemory) {
    rs->openForwardOnly(std::make_unique<RowsOneByOne>(rows, kind == RecordsetKind::ByteCounted));
    return rs;
  }
  for (const auto& row : rows) {
    size_t r = rs->appendRow();
    for (size_t c = 0; c < names.size(); ++c)
      rs->storeCell(r, c, c < row.size() ? row[c] : Variant(korvanda::Null{}));
  }
  rs->openMaterialised();
  return rs;
}

// CSV as RFC 4180 has it; a quoted value is always text.
Table readTable(const std::string& file) {
  const std::string s = readFile(file);
  Table t;
  std::vector<Variant> row;
  std::string value;
  bool quoted = false, header = true;
  auto endValue = [&] {
    if (header) t.names.push_back(value);
    else if (quoted) row.emplace_back(value);
    else row.push_back(value.empty() ? Variant(korvanda::Null{}) : typedValue(value));
    value.clear();
    quoted = false;
  };
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"') {
      quoted = true;
      for (++i; i < s.size() && !(s[i] == '"' && (i + 1 == s.size() || s[i + 1] != '"')); ++i) {
        if (s[i] == '"') ++i;  // "" is one quote
        value += s[i];
      }
    } else if (s[i] == ',') {
      endValue();
    } else if (s[i] == '\n') {
      endValue();
      if (!header) t.rows.push_back(std::move(row));
      row.clear();
      header = false;
    } else if (s[i] != '\r') {
      value += s[i];
    }
  }
  return t;
}

std::string golden(const std::string& name) {
  return KORVANDA_SOURCE_DIR "/tests/golden/export/" + name;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

int openDescriptors() {
  int n = 0;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    while (::readdir(d)) ++n;
    ::closedir(d);
  }
  return n;
}

}  // namespace exporttest
