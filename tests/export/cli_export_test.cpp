// korvanda export from CSV, JSON and a query: the records are streamed into the export, and
// the file is the same whichever input holds them.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>

#include "export_support.h"
#include "korvanda/records.h"
#include "support/fixture.h"

using namespace exporttest;

namespace {


using korvanda::testing::Outcome;

Outcome runCli(const std::string& args) {
  return korvanda::testing::runShell(KORVANDA_BINARY_DIR "/bin/korvanda " + args + " 2>&1");
}

std::string join(const std::vector<std::string>& v, const std::string& sep) {
  std::string s;
  for (size_t i = 0; i < v.size(); ++i) s += (i ? sep : "") + v[i];
  return s;
}

// Livestock record i: its policy, a quoted comma and quote, an accented name, and an empty
// endorsement; every other field Null.
korvanda::RegistroGanadero record(size_t i) {
  return {.strPoliza = "P-" + std::to_string(i),
          .strNombres = i % 3 ? "Peña, \"Ñandú\" " + std::to_string(i) : "José"};
}

std::string csvOf(size_t n) {
  std::string s = "\xEF\xBB\xBF" + join(kGan, ",") + "\r\n";
  for (size_t i = 0; i < n; ++i) {
    const korvanda::RegistroGanadero r = record(i);
    std::string nombres = "\"";
    for (char c : r.strNombres) nombres += c == '"' ? std::string("\"\"") : std::string(1, c);
    s += r.strPoliza + ",\"\",,,,," + nombres + "\"" + std::string(21, ',') + "\r\n";
  }
  return s;
}

std::string jsonOf(size_t n) {
  std::string s = "[\n";
  for (size_t i = 0; i < n; ++i) {
    const korvanda::RegistroGanadero r = record(i);
    std::string nombres;
    for (char c : r.strNombres) nombres += c == '"' ? std::string("\\\"") : std::string(1, c);
    // Keys in another order and letter case; those an object lacks are Null.
    s += std::string(i ? ",\n" : "") + "{\"nombres\": \"" + nombres + "\", \"Endoso\": \"\", \"Poliza\": \"" +
         r.strPoliza + "\"";
    if (i == 0)
      for (const std::string& k : kGan)
        if (k != "Nombres" && k != "Endoso" && k != "Poliza") s += ", \"" + k + "\": null";
    s += "}";
  }
  return s + "\n]\n";
}

std::string datOf(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    const korvanda::RegistroGanadero r = record(i);
    std::string nombres = i % 3 ? "Pena, \"Nand\xFA\" " + std::to_string(i) : "Jos\xE9";
    s += r.strPoliza + "||||||" + nombres + std::string(21, '|') + "\r\n";
  }
  return s;
}

class CliExport : public ExportTest {};

}  // namespace

TEST_F(CliExport, CsvJsonAndAQueryWriteTheSameFile) {
  // 3,000 records cross the readers' 64 KiB blocks.
  for (size_t n : {size_t{1}, size_t{3000}}) {
    SCOPED_TRACE(n);
    writeFile(path("in.csv"), csvOf(n));
    writeFile(path("in.json"), jsonOf(n));
    const std::string db = path("in.db");
    std::remove(db.c_str());
    ASSERT_EQ(runCli("db init '" + db + "'").status, 0);
    {
      sqlite3* h = nullptr;
      ASSERT_EQ(sqlite3_open(db.c_str(), &h), SQLITE_OK);
      std::string sql = "CREATE TABLE gan (" + join(kGan, " VARCHAR(60), ") + " VARCHAR(60));";
      for (size_t i = 0; i < n; ++i) {
        const korvanda::RegistroGanadero r = record(i);
        std::string nombres;
        for (char c : r.strNombres) nombres += c == '\'' ? std::string("''") : std::string(1, c);
        sql += "INSERT INTO gan (Poliza, Endoso, Nombres) VALUES ('" + r.strPoliza + "', '', '" + nombres + "');";
      }
      ASSERT_EQ(sqlite3_exec(h, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
      sqlite3_close(h);
    }
    const std::string expected = datOf(n);
    const std::string lines = "(" + std::to_string(n) + (n == 1 ? " line)" : " lines)");
    for (const std::string& input :
         {path("in.csv"), path("in.json"),
          "--db '" + db + "' --query 'select * from gan order by rowid'"}) {
      SCOPED_TRACE(input);
      std::remove(path("out.dat").c_str());
      Outcome o = runCli("export dat '" + path("out.dat") + "' " +
                           (input[0] == '/' ? "'" + input + "'" : input) + " --ramo 2");
      ASSERT_EQ(o.status, 0) << o.out;
      EXPECT_NE(o.out.find(lines), std::string::npos) << o.out;
      EXPECT_EQ(readFile(path("out.dat")), expected);
    }
  }
}

TEST_F(CliExport, BadInputsAreRefusedWithWhereTheyFail) {
  const std::string header = join(kGan, ",") + "\n";
  struct Case {
    std::string file, content, message;
  };
  const std::vector<Case> cases = {
      {"short.csv", header + "P1" + std::string(27, ',') + "\nP2,x\n", "record 2 has 2 fields, the header 28"},
      {"latin1.csv", header + "P1,\xF1" + std::string(26, ',') + "\n", "record 1, field 2: not UTF-8"},
      {"quote.csv", header + "\"P1" + std::string(27, ',') + "\n", "not valid CSV"},
      {"empty.csv", "", "no header row"},
      {"noname.csv", "a,,b\n", "a header field has no name"},
      {"bad.json", "[{\"Poliza\": 1,}]", "not valid JSON"},
      {"object.json", "{\"Poliza\": 1}", "expected an array of objects"},
      {"scalars.json", "[1, 2]", "expected an array of objects"},
      {"nested.json", "[{\"Poliza\": 1}, {\"Poliza\": {\"a\": 1}}]", "record 2, Poliza: nested values are not fields"},
      {"huge.json", "[{\"Poliza\": 18446744073709551615}]", "record 1, Poliza: number too large"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    writeFile(path(c.file), c.content);
    Outcome o = runCli("export dat '" + path("out.dat") + "' '" + path(c.file) + "' --ramo 2");
    EXPECT_EQ(o.status, 1) << o.out;
    EXPECT_NE(o.out.find(c.message), std::string::npos) << o.out;
  }
}
