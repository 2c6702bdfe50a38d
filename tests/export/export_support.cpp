#include "export_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "korvanda/textform.h"
#include "core/recordset_store.h"

namespace exporttest {

void ExportTest::SetUp() {
  char tmpl[] = "/tmp/korvanda-export-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  dir_ = tmpl;
  ::setenv("KORVANDA_LOG_DIR", dir_.c_str(), 1);
}

void ExportTest::TearDown() {
  std::error_code ec;
  // Read-only files left by a test must not stop the clean-up.
  for (auto& e : std::filesystem::recursive_directory_iterator(dir_, ec))
    std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(dir_, ec);
}

std::string ExportTest::logText() const {
  std::string p = dir_ + "/logFile.log";
  if (::access(p.c_str(), F_OK) != 0) return {};
  return readFile(p);
}

namespace {
// Gives the rows one at a time, counted beforehand.
class RowsOneByOne final : public korvanda::RowSource {
 public:
  explicit RowsOneByOne(std::vector<std::vector<Variant>> rows) : rows_(std::move(rows)) {}
  bool fetch(korvanda::Recordset& rs, size_t row) override {
    if (next_ == rows_.size()) return false;
    const auto& values = rows_[next_++];
    for (size_t c = 0; c < rs.fieldCount(); ++c)
      rs.storeCell(row, c, c < values.size() ? values[c] : Variant(korvanda::Null{}));
    return true;
  }
  std::optional<korvanda::SizeHint> sizeHint() override {
    return korvanda::SizeHint{korvanda::SizeHint::kRecords, static_cast<int64_t>(rows_.size())};
  }

 private:
  std::vector<std::vector<Variant>> rows_;
  size_t next_ = 0;
};
}  // namespace

std::string kindName(const ::testing::TestParamInfo<RecordsetKind>& info) {
  return info.param == RecordsetKind::InMemory ? "InMemory" : "ForwardOnly";
}

std::shared_ptr<korvanda::Recordset> makeRecordset(const std::vector<std::string>& names,
                                                   const std::vector<std::vector<Variant>>& rows,
                                                   RecordsetKind kind) {
  auto rs = korvanda::Recordset::create();
  for (const auto& n : names)
    rs->appendField(n, korvanda::adVarChar, 0, korvanda::adFldUpdatable | korvanda::adFldIsNullable);
  if (kind == RecordsetKind::ForwardOnly) {
    rs->openForwardOnly(std::make_unique<RowsOneByOne>(rows));
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

std::vector<Variant> rowOf(const std::vector<std::string>& names,
                           std::initializer_list<std::pair<std::string, Variant>> values) {
  std::vector<Variant> row(names.size(), Variant(korvanda::Null{}));
  for (const auto& [name, v] : values) {
    bool found = false;
    for (size_t i = 0; i < names.size(); ++i)
      if (names[i] == name) row[i] = v, found = true;
    if (!found) ADD_FAILURE() << "no field " << name << " in the test's field list";
  }
  return row;
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

korvanda::Date day(int y, int m, int d, int hh, int mm, int ss) {
  return korvanda::dateFromParts(y, m, d, hh, mm, ss);
}

}  // namespace exporttest
