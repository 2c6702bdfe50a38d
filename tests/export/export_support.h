// Helpers of the export tests: temporary directories, record sets built from rows or from the
// golden inputs, files read back as bytes, open descriptors.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "korvanda/error.h"
#include "korvanda/recordset.h"
#include "korvanda/variant.h"
#include "support/fixture.h"

namespace exporttest {

using korvanda::Variant;

// A fresh directory per test, with KORVANDA_LOG_DIR pointing into it.
class ExportTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  std::string logText() const;

  korvanda::testing::TempDir temp_;
  std::string dir_ = temp_.path().string();
  korvanda::testing::ScopedEnv logDir_{"KORVANDA_LOG_DIR", dir_};
};

// The kinds of record set an export reads: rows in memory, or a forward-only record set whose
// source gives the rows one at a time and counts them beforehand (as a count query does), or
// counts the bytes of its input instead (as a file reader does: 100 a row here).
enum class RecordsetKind { InMemory, ForwardOnly, ByteCounted };
inline void PrintTo(RecordsetKind kind, std::ostream* os) {
  *os << (kind == RecordsetKind::InMemory      ? "in memory"
          : kind == RecordsetKind::ForwardOnly ? "forward-only"
                                               : "byte-counted");
}

// A record set with the named fields (text fields that take Null) and the rows given, each
// value stored as it is (no coercion), positioned at its first record.
std::shared_ptr<korvanda::Recordset> makeRecordset(const std::vector<std::string>& names,
                                                   const std::vector<std::vector<Variant>>& rows,
                                                   RecordsetKind kind = RecordsetKind::InMemory);

// A golden input (tests/golden/export/exports.txt tells its form): field names and typed rows.
struct Table {
  std::vector<std::string> names;
  std::vector<std::vector<Variant>> rows;
};
Table readTable(const std::string& file);
std::string golden(const std::string& name);  // the path of a file of tests/golden/export

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
int openDescriptors();

// Runs f and returns the error it raised (number 0 when it raised none).
template <class F> korvanda::Error errorOf(F&& f) {
  try {
    f();
  } catch (const korvanda::Error& e) {
    return e;
  }
  return korvanda::Error(0, "", "");
}

}  // namespace exporttest
