// Forward-only record sets on the embedded engine: rows read from the open statement as the
// record set moves, exported to the same bytes as the rows read into memory.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <sstream>

#include "fixture.h"
#include "korvanda/clsControlFiles.h"
#include "support/fixture.h"

namespace korvanda::sqlite::test {
namespace {

// The livestock layout's fields, with the declared types the capture tables use.
const std::vector<std::pair<std::string, std::string>> kColumns = {
    {"Poliza", "VARCHAR(20)"}, {"Endoso", "VARCHAR(5)"}, {"CveTipoEndoso", "INT"},
    {"Inciso", "INT"}, {"ApPaterno", "VARCHAR(50)"}, {"ApMaterno", "VARCHAR(50)"},
    {"Nombres", "VARCHAR(50)"}, {"Identificacion", "VARCHAR(20)"}, {"CveEstado", "SMALLINT"},
    {"CveMunicipio", "SMALLINT"}, {"cveespecie", "TINYINT"}, {"cvefuncion", "SMALLINT"},
    {"Aniocontrata", "SMALLINT"}, {"VigenciaAsegIni", "DATETIME"}, {"VigenciaAsegFin", "DATETIME"},
    {"CabezasAseg", "INT"}, {"UnidadesAseg", "FLOAT"}, {"SumaAsegurada", "MONEY"},
    {"PrimaEaseg", "MONEY"}, {"PrimaEgobFed", "DECIMAL(18,2)"}, {"totalemitido", "MONEY"},
    {"PrimaCaseg", "MONEY"}, {"PrimaCGobFed", "MONEY"}, {"totalcobrado", "MONEY"},
    {"NumPagoIni", "SMALLINT"}, {"NumPagoFin", "BIGINT"}, {"FecPago", "DATETIME"},
    {"TipoCambio", "FLOAT"}};

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

using korvanda::testing::errorOf;

class ForwardOnly : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    std::string ddl = "CREATE TABLE gan (";
    for (size_t i = 0; i < kColumns.size(); ++i)
      ddl += (i ? ", " : "") + kColumns[i].first + " " + kColumns[i].second;
    ddl += ");"
        "INSERT INTO gan VALUES ('GAN-1', '0', 1, 1, 'NUÑEZ', NULL, 'María', 'ID-55', 14, 39, 2, 4, 2026,"
        " '2026-01-01 00:00:00', '2026-12-31 12:30:00', 120, 3.25, 960000, 100.5, '200.25', 300.75,"
        " 50, 75.25, 125.25, 1, 3000000000, '2026-02-28 00:00:00', 17);"
        "INSERT INTO gan VALUES ('GAN-2', 'E''1', 2, 3, 'O''BRIEN', '', 'Ángel', NULL, NULL, NULL,"
        " NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,"
        " NULL, NULL, NULL, NULL);"
        "INSERT INTO gan (Poliza, CabezasAseg, TipoCambio) VALUES ('GAN-3', 7, 0.1);"
        "INSERT INTO gan (Poliza, ApPaterno, CabezasAseg, TipoCambio) VALUES ('GAN-4', 'Peña', -2, 1e-7);";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file_.c_str(), &db), SQLITE_OK);
    char* msg = nullptr;
    int rc = sqlite3_exec(db, ddl.c_str(), nullptr, nullptr, &msg);
    std::string text = msg ? msg : "";
    sqlite3_free(msg);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << text;
  }

  // The file an export of the record set writes, and the progress values it gave.
  std::pair<std::string, std::vector<int16_t>> exported(const RecordsetRef& rs) {
    clsControlFiles files;
    std::vector<int16_t> seen;
    files.onProgress([&](int16_t v) { seen.push_back(v); });
    const std::string out = dir_.file("out.dat");
    EXPECT_TRUE(files.ExportFileDat(out, rs, 2));
    return {readFile(out), seen};
  }
};

TEST_F(ForwardOnly, ExportsTheSameFileAsTheRowsInMemory) {
  // Computed columns have no declared type: their values decide.
  std::string computed = "SELECT ";
  for (size_t i = 0; i < kColumns.size(); ++i) {
    const std::string& n = kColumns[i].first;
    computed += i ? ", " : "";
    computed += n == "CabezasAseg" ? "CabezasAseg + 0 AS CabezasAseg"
                : n == "TipoCambio" ? "TipoCambio * 2 AS TipoCambio"
                                    : n;
  }
  computed += " FROM gan ORDER BY Poliza";
  for (const std::string& sql : {std::string("SELECT * FROM gan ORDER BY Poliza"), computed}) {
    SCOPED_TRACE(sql);
    auto rs = conn_->openForwardOnly(sql);
    EXPECT_EQ(rs->cursorType(), adOpenForwardOnly);
    auto [forward, progress] = exported(rs);
    auto [inMemory, staticProgress] = exported(conn_->query(sql));
    EXPECT_EQ(forward, inMemory);
    EXPECT_EQ(std::count(forward.begin(), forward.end(), '\n'), 4);
    EXPECT_NE(forward.find("GAN-1|0|1|1|NUNEZ||Mar\xED" "a|ID-55|14|39|2|4|2026|01/01/2026|"
                           "31/12/2026 12:30:00|"), std::string::npos) << forward;
    // The progress total comes from a count query: the same values as from the record count.
    EXPECT_EQ(progress, (std::vector<int16_t>{1, 25, 50, 75, 100}));
    EXPECT_EQ(progress, staticProgress);
    EXPECT_EQ(rs->recordCount(), 4);
  }
}

TEST_F(ForwardOnly, TheCountQueryCountsWhatTheStatementGives) {
  struct Case {
    std::string sql;
    std::vector<int16_t> progress;
  };
  const std::vector<Case> cases = {
      {"SELECT * FROM gan ORDER BY Poliza DESC LIMIT 2", {1, 50, 100}},
      {"SELECT * FROM gan ORDER BY Poliza LIMIT 1 OFFSET 3", {1, 100}},
      {"SELECT * FROM gan WHERE Poliza <> 'order by' /* ORDER */ ORDER BY Poliza;", {1, 25, 50, 75, 100}},
      {"SELECT * FROM (SELECT * FROM gan ORDER BY Poliza LIMIT 3) AS t ORDER BY Poliza", {1, 33, 67, 100}},
      {"SELECT g.* FROM gan g JOIN gan h ON h.Poliza >= g.Poliza ORDER BY g.Poliza",
       {1, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(exported(conn_->openForwardOnly(c.sql)).second, c.progress);
  }
}

TEST_F(ForwardOnly, MovesPastItsEndAndBackAndGetsTheClearError) {
  auto rs = conn_->openForwardOnly("SELECT Poliza FROM gan ORDER BY Poliza");
  EXPECT_EQ(rs->recordCount(), -1);
  std::vector<std::string> seen;
  for (; !rs->eof(); rs->moveNext()) seen.push_back(toText(rs->value("Poliza")));
  EXPECT_EQ(seen, (std::vector<std::string>{"GAN-1", "GAN-2", "GAN-3", "GAN-4"}));
  EXPECT_EQ(rs->recordCount(), 4);
  EXPECT_EQ(errorOf([&] { rs->moveNext(); }).number(), 3021);
  const Error back = errorOf([&] { rs->movePrevious(); });
  EXPECT_EQ(back.number(), -2147217884);
  EXPECT_EQ(back.description(), "Rowset does not support fetching backward.");
}

TEST_F(ForwardOnly, TheRowsOutliveTheCallersConnectionButNotItsClosing) {
  auto kept = openEmbedded(file_)->openForwardOnly("SELECT Poliza FROM gan ORDER BY Poliza");
  size_t n = 0;
  for (; !kept->eof(); kept->moveNext()) ++n;
  EXPECT_EQ(n, 4u);

  auto rs = conn_->openForwardOnly("SELECT Poliza FROM gan");
  conn_->close();
  EXPECT_EQ(errorOf([&] { rs->moveNext(); }).number(), 3704);
}

TEST_F(ForwardOnly, StatementsWithoutRowsAndBatches) {
  EXPECT_EQ(conn_->openForwardOnly("UPDATE gan SET Endoso = 'X' WHERE Poliza = 'GAN-3'")->state(), 0);
  auto rs = conn_->openForwardOnly("SET DATEFORMAT DMY SELECT Endoso FROM gan WHERE Poliza = 'GAN-3'");
  EXPECT_EQ(toText(rs->value(size_t{0})), "X");
  EXPECT_EQ(conn_->openForwardOnly("SELECT * FROM gan WHERE 1 = 0")->eof(), true);
}

}  // namespace
}  // namespace korvanda::sqlite::test
