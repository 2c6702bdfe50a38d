// Helpers of the export tests: temporary directories, record sets built from rows, files read
// back as bytes, the log, open descriptors.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "korvanda/error.h"
#include "korvanda/recordset.h"
#include "korvanda/variant.h"

namespace exporttest {

using korvanda::Variant;

// A fresh directory per test, with KORVANDA_LOG_DIR pointing into it.
class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  std::string logText() const;

  std::string dir_;
};

// A record set with the named fields (text fields that take Null) and the rows given, each
// value stored as it is (no coercion), positioned at its first record.
std::shared_ptr<korvanda::Recordset> makeRecordset(const std::vector<std::string>& names,
                                                   const std::vector<std::vector<Variant>>& rows);
// One row for the named fields: Null except the values given by name.
std::vector<Variant> rowOf(const std::vector<std::string>& names,
                           std::initializer_list<std::pair<std::string, Variant>> values);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
int openDescriptors();

// Runs f and returns the error it raised (number 0 when it raised none).
template <class F>
korvanda::Error errorOf(F&& f) {
  try {
    f();
  } catch (const korvanda::Error& e) {
    return e;
  }
  return korvanda::Error(0, "", "");
}

korvanda::Date day(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0);

}  // namespace exporttest
