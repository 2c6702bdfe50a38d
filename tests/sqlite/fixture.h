// Fresh embedded databases in a temporary directory, removed at the end of each test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "korvanda/connection.h"
#include "korvanda/error.h"
#include "sqlite/engine.h"
#include "support/fixture.h"

namespace korvanda::sqlite::test {

// A temporary directory, removed with its files, that names files inside it.
struct TempDir : korvanda::testing::TempDir {
  std::string file(const std::string& name) const { return (path() / name).string(); }
};

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_.file("test.db");
    createDatabase(file_, withDemo());
    conn_ = openEmbedded(file_);
  }
  virtual bool withDemo() const { return false; }

  RecordsetRef rows(const std::string& sql) {
    auto rs = conn_->execute(sql);
    EXPECT_TRUE(rs) << sql;
    return rs;
  }
  Variant scalar(const std::string& sql) {
    auto rs = rows(sql);
    if (!rs || rs->eof()) return Variant();
    return rs->value(size_t{0});
  }
  // The error a statement fails with.
  Error failure(const std::string& sql) {
    return korvanda::testing::errorOf([&] { conn_->execute(sql); });
  }

  TempDir dir_;
  std::string file_;
  ConnectionRef conn_;
};

class DemoDatabaseTest : public DatabaseTest {
 protected:
  bool withDemo() const override { return true; }
};

}  // namespace korvanda::sqlite::test
