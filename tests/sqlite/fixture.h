// A fresh embedded database (schema only) in a temporary directory, removed at the end of each
// test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "korvanda/connection.h"
#include "korvanda/error.h"
#include "sqlite/engine.h"
#include "support/fixture.h"

namespace korvanda::sqlite::test {

using korvanda::testing::TempDir;

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_.file("test.db");
    createDatabase(file_, false);
    conn_ = openEmbedded(file_);
  }

  // The first value of the first row; Empty, and a failure, when there is none.
  Variant scalar(const std::string& sql) {
    auto rs = conn_->execute(sql);
    EXPECT_TRUE(rs && !rs->eof()) << sql;
    return rs && !rs->eof() ? rs->value(size_t{0}) : Variant();
  }

  TempDir dir_;
  std::string file_;
  ConnectionRef conn_;
};

}  // namespace korvanda::sqlite::test
