// korvanda export from CSV, JSON and a query: the records are streamed into the export, and
// the file is the same whichever input holds them; bad inputs are refused where they fail.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "export_support.h"
#include "support/fixture.h"

using namespace exporttest;
using korvanda::testing::Outcome;

namespace {

Outcome runCli(const std::string& args) {
  return korvanda::testing::runShell(KORVANDA_BINARY_DIR "/bin/korvanda " + args + " 2>&1");
}

class CliExport : public ExportTest {};

// Livestock record i: its policy, and a name with a quoted comma and quote, accented, or plain.
TEST_F(CliExport, CsvJsonAndAQueryWriteTheSameFile) {
  const std::vector<std::string> names = readTable(golden("dat-ganadero-text.csv")).names;
  auto nombres = [](size_t i) { return i % 3 ? "Peña, \"Ñandú\" " + std::to_string(i) : std::string("José"); };
  auto escaped = [](std::string s, char quote, const std::string& as) {
    for (size_t at = 0; (at = s.find(quote, at)) != std::string::npos; at += as.size()) s.replace(at, 1, as);
    return s;
  };
  // 3,000 records cross the readers' 64 KiB blocks.
  for (size_t n : {size_t{1}, size_t{3000}}) {
    SCOPED_TRACE(n);
    std::string csv = "\xEF\xBB\xBF", json = "[\n", sql = "CREATE TABLE gan (", expected;
    for (const auto& name : names) csv += name + (&name == &names.back() ? "\r\n" : ",");
    for (const auto& name : names) sql += name + (&name == &names.back() ? " VARCHAR(60));" : " VARCHAR(60), ");
    for (size_t i = 0; i < n; ++i) {
      const std::string poliza = "P-" + std::to_string(i);
      csv += poliza + ",\"\",,,,,\"" + escaped(nombres(i), '"', "\"\"") + "\"" + std::string(21, ',') + "\r\n";
      // Keys in another order and letter case; those an object lacks are Null.
      json += std::string(i ? ",\n" : "") + "{\"NOMBRES\": \"" + escaped(nombres(i), '"', "\\\"") +
              "\", \"Endoso\": \"\", \"Poliza\": \"" + poliza + "\"";
      for (size_t k = 0; k < names.size() && i == 0; ++k)
        if (k > 1 && k != 6) json += ", \"" + names[k] + "\": null";
      json += "}";
      sql += "INSERT INTO gan (Poliza, Endoso, Nombres) VALUES ('" + poliza + "', '', '" +
             escaped(nombres(i), '\'', "''") + "');";
      expected += poliza + "||||||" + (i % 3 ? "Pena, \"Nand\xFA\" " + std::to_string(i) : "Jos\xE9") +
                  std::string(21, '|') + "\r\n";
    }
    writeFile(path("in.csv"), csv);
    writeFile(path("in.json"), json + "\n]\n");
    const std::string db = path("in" + std::to_string(n) + ".db");
    ASSERT_EQ(runCli("db init '" + db + "'").status, 0);
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &h), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(h);
    for (const std::string& input : {"'" + path("in.csv") + "'", "'" + path("in.json") + "'",
                                     "--db '" + db + "' --query 'select * from gan order by rowid'"}) {
      SCOPED_TRACE(input);
      ::unlink(path("out.dat").c_str());
      Outcome o = runCli("export dat '" + path("out.dat") + "' " + input + " --ramo 2");
      ASSERT_EQ(o.status, 0) << o.out;
      EXPECT_EQ(o.out, "wrote " + path("out.dat") + " (" + std::to_string(n) + (n == 1 ? " line)\n" : " lines)\n"));
      EXPECT_EQ(readFile(path("out.dat")), expected);
    }
  }
}

TEST_F(CliExport, BadInputsAreRefusedWithWhereTheyFail) {
  std::string header;
  for (const auto& name : readTable(golden("dat-ganadero-text.csv")).names) header += name + ",";
  header.back() = '\n';
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

}  // namespace
