// The certificate and payment members on the embedded database: which rows each statement
// selects and leaves out, what it stores, and the monthly cycle end to end. (The statements'
// texts, and what each member makes of a scripted answer, are in statements_test.cpp.)
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <strings.h>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>

#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"
#include "korvanda/textform.h"
#include "sqlite/functions.h"
#include "support/fixture.h"

using namespace korvanda;
using korvanda::testing::Environment;
using korvanda::testing::makeRecordset;

// The text with {Y}, {Y-1}, {Y+1}... replaced by the year relative to the current one (the
// golden files of both certificate tests write years so).
std::string withYears(std::string text) {
  static const std::regex token(R"(\{Y([+-]\d+)?\})");
  for (std::smatch m; std::regex_search(text, m, token);)
    text.replace(m.position(), m.length(),
                 std::to_string(splitDate(now()).year + (m[1].matched ? std::stoi(m[1]) : 0)));
  return text;
}

namespace {

const int Y = splitDate(now()).year;
const bool kJanuary = splitDate(now()).month == 1;

using Clave = std::tuple<int32_t, int32_t, int32_t>;  // certificate, endorsement, type

std::set<Clave> claves(const RecordsetRef& rs) {
  std::set<Clave> out;
  if (rs->rowCount() == 0) return out;
  for (rs->moveFirst(); !rs->eof(); rs->moveNext())
    out.emplace(toInt32(rs->value(size_t{0})), toInt32(rs->value(size_t{1})),
                toInt32(rs->value(size_t{2})));
  rs->moveFirst();
  return out;
}

std::string texto(const RecordsetRef& rs, size_t posicion) {
  Variant v = rs->value(posicion);
  return v.isNull() ? "(null)" : toText(v);
}

class CertificateDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    cat = clsCatValida::create();
    env.clearTrace();
  }
  // Single values read straight from the database, outside the library.
  std::string scalar(const std::string& sql) {
    RecordsetRef rs = env.openDatabase()->query(sql);
    return rs->eof() ? "(none)" : texto(rs, 0);
  }
  // SQL written straight into the database, bypassing the library; a name ending in .sql is a
  // file of tests/golden/certificates/ (a certificate's PkConstancia and its items' PkInciso are
  // its number).
  void exec(std::string sql) {
    if (sql.ends_with(".sql")) {
      std::stringstream text;
      text << std::ifstream(KORVANDA_SOURCE_DIR "/tests/golden/certificates/" + sql).rdbuf();
      sql = withYears(text.str());
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(env.databasePath().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite::registerTsqlFunctions(db), SQLITE_OK);
    sqlite3_busy_timeout(db, 5000);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
  }

  Environment env{{.demo = false}};
  std::shared_ptr<clsCatValida> cat;
};

// ---- monthly subsidy certificates

// Each branch of the selection and the rows it leaves out: see monthly_portfolio.sql.
class MonthlyCertificates : public CertificateDatabase {
 protected:
  void SetUp() override {
    CertificateDatabase::SetUp();
    exec("references.sql");
    exec("monthly_portfolio.sql");
  }
  std::set<Clave> esperadas() const {
    std::set<Clave> out = {{101, 1, 3}, {105, 1, 3}, {111, 1, 10}, {111, 0, 0},
                           {112, 1, 2}, {201, 0, 0}, {301, 2, 99}};
    if (kJanuary) out.emplace(110, 1, 3);
    return out;
  }
  RecordsetRef selecciona() { return cat->getConstanciasSubD(12, 7, 2025, 2026, 12); }
};

TEST_F(MonthlyCertificates, SelectsEachBranchWithItsValues) {
  RecordsetRef rs = selecciona();
  ASSERT_TRUE(rs);
  EXPECT_EQ(claves(rs), esperadas());
  ASSERT_EQ(rs->fieldCount(), 54u);
  std::ifstream in(std::string(KORVANDA_SOURCE_DIR) +
                   "/tests/golden/certificates/monthly_rows.tsv");
  ASSERT_TRUE(in);
  int cells = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("#")) continue;
    std::stringstream fields(line);
    int32_t constancia = 0, endoso = 0;
    size_t pos = 0;
    std::string name, value;
    fields >> constancia >> endoso >> pos;
    fields.ignore(1);
    std::getline(fields, name, '\t');
    std::getline(fields, value);
    bool found = false;
    for (rs->moveFirst(); !found && !rs->eof(); rs->moveNext())
      found =
          toInt32(rs->value(size_t{0})) == constancia && toInt32(rs->value(size_t{1})) == endoso;
    ASSERT_TRUE(found) << line;
    rs->movePrevious();
    EXPECT_EQ(strcasecmp(rs->field(pos).name.c_str(), name.c_str()), 0) << line;
    EXPECT_EQ(texto(rs, pos), withYears(value)) << line;
    ++cells;
  }
  EXPECT_EQ(cells, 37);
  // Nothing due: an empty set with the columns.
  rs = cat->getConstanciasSubD(12, 9, 2025, 2026, 12);
  EXPECT_TRUE(rs->eof());
  EXPECT_EQ(rs->fieldCount(), 54u);
}

// The monthly cycle: select, register and mark, unmark.
TEST_F(MonthlyCertificates, MonthlyCycleEndToEnd) {
  RecordsetRef primera = selecciona();
  const std::set<Clave> seleccion = claves(primera);
  ASSERT_EQ(seleccion, esperadas());
  ConnectionRef conn = cat->getConexion();
  for (primera->moveFirst(); !primera->eof(); primera->moveNext()) {
    const std::string poliza = texto(primera, 0), endoso = texto(primera, 1);
    const int16_t tipo = toInt16(primera->value(size_t{2}));
    const int16_t inciso = toInt16(primera->value(size_t{3}));
    ASSERT_TRUE(cat->insertEnviado(poliza, endoso, tipo, inciso, 12, static_cast<int16_t>(Y), 7,
                                   2025, 2026, conn));
    ASSERT_TRUE(
        cat->ActualizaStatusSubsidio(poliza, std::to_string(inciso), tipo, 7, 2025, 2026, conn));
  }
  EXPECT_EQ(scalar("SELECT count(*) FROM SUBCONSENVIADAS WHERE mes = 12"),
            std::to_string(seleccion.size()));
  // Marked: only the movements that need no payment are still due.
  EXPECT_EQ(claves(selecciona()), (std::set<Clave>{{301, 2, 99}}));

  exec("INSERT INTO SUBCONSENVIADAS (PkCedente, poliza, endoso, TipoEndoso, Inciso, mes, CicloIni, "
       "CicloFin, AnioSolic) VALUES (7, '105', '1', 3, 1, 11, 2025, 2026, 2026),"
       "(8, '101', '1', 3, 1, 12, 2025, 2026, 2026)");
  EXPECT_TRUE(cat->getDesmarcaConstanciasSubD(12, 7, 2025, 2026, 12));
  EXPECT_EQ(claves(selecciona()), seleccion);
  // The month's register rows of the fund and cycle are gone; those of another month or fund stay.
  EXPECT_EQ(
      scalar("SELECT group_concat(r) FROM (SELECT poliza + '/' + CAST(mes AS varchar) + "
             "'/' + CAST(PkCedente AS varchar) AS r FROM SUBCONSENVIADAS ORDER BY pkenviado) AS x"),
      "105/11/7,101/12/8");
  // Payments that were sent before the cycle stay sent.
  EXPECT_EQ(scalar("SELECT group_concat(PkCobranza) FROM (SELECT PkCobranza FROM SICIMCOBRANZA "
                   "WHERE EnviadoSubsidio = 1 ORDER BY PkCobranza) AS x"),
            "1021,2020");
  EXPECT_TRUE(env.logLines().empty());
}

// ---- claims certificates

// Adjustments of certificates 501 to 507: see claims_portfolio.sql.
TEST_F(CertificateDatabase, ClaimsSelectTheApprovedPaidAdjustmentsOfTheSemester) {
  exec("references.sql");
  exec("claims_portfolio.sql");
  const auto constancias = [](const RecordsetRef& rs) {
    std::vector<int32_t> out;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) out.push_back(toInt32(rs->value(size_t{0})));
    return out;
  };
  RecordsetRef primero = cat->getConstanciasSinD(1, 2026, 7);
  EXPECT_EQ(constancias(primero), (std::vector<int32_t>{501, 502}));  // ordered
  primero->moveFirst();
  for (auto [pos, value] : {std::pair{6, "Jalisco"}, {12, "TEMPORAL"}, {13, "2025/2026"},
                            {14, "3.75"}, {16, "1250.5"}, {18, "SEQUIA"}, {22, "20.67,-103.35"}})
    EXPECT_EQ(texto(primero, pos), value) << pos;
  primero->moveNext();
  EXPECT_EQ(texto(primero, 22), "");  // no coordinates recorded
  EXPECT_EQ(constancias(cat->getConstanciasSinD(2, 2026, 7)), std::vector<int32_t>{503});
  EXPECT_EQ(constancias(cat->getConstanciasSinD(0, 2026, 7)), std::vector<int32_t>{503});
  EXPECT_EQ(constancias(cat->getConstanciasSinD(1, 2026, 8)), std::vector<int32_t>{507});
  RecordsetRef vacio = cat->getConstanciasSinD(2, 2024, 7);
  ASSERT_TRUE(vacio);
  EXPECT_TRUE(vacio->eof());
  ASSERT_EQ(vacio->fieldCount(), 23u);
  EXPECT_EQ(vacio->field(22).name, "Coordenadas");
}

// ---- endorsement payments

TEST_F(CertificateDatabase, PaymentsAreStoredFoundAndNumbered) {
  EXPECT_EQ(cat->getNextPkPago(), 1);
  auto pago = [](int32_t pk, Variant poliza, int32_t numPago) {
    return makeRecordset({"pkpagoendoso", "strpkpoliza", "intpkendoso", "intpkinciso",
                          "dblPrimaCaseg", "dblPrimaCgobFed", "dblPrimaCtotal", "dteFechaPago",
                          "dblHectareas", "dblTipoCambio", "intMoneda", "intNumPago"},
                         {{pk, std::move(poliza), int32_t{3}, int32_t{9}, 1250.5, 3000.25, 4250.75,
                           dateFromParts(2026, 3, 5), 12.5, 19.25, int32_t{2}, numPago}});
  };
  EXPECT_TRUE(cat->savePagoEndoso(pago(1, int32_t{1001}, 1)));
  EXPECT_TRUE(cat->savePagoEndoso(pago(cat->getNextPkPago(), "1001", 2)));
  EXPECT_EQ(cat->getNextPkPago(), 3);
  RecordsetRef rs = cat->findPagoEndoso("1001", 3, 9, 2);
  ASSERT_TRUE(rs);
  EXPECT_EQ(rs->rowCount(), 1u);
  EXPECT_EQ(toInt32(rs->value("pkpagoendoso")), 2);
  EXPECT_EQ(formatDate(toDate(rs->value("fechaPago"))), "05/03/2026");
  EXPECT_DOUBLE_EQ(toDouble(rs->value("primaCtotal")), 4250.75);
  EXPECT_DOUBLE_EQ(toDouble(rs->value("tipoCambio")), 19.25);
  EXPECT_EQ(cat->findPagoEndoso("1001", 3, 9, 7), nullptr);
}

}  // namespace
