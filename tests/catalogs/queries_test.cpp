// Statement texts, results and failures of the catalog queries and generic statements. The
// object is created on a real database; then a scripted connection takes the shared slot, so
// each call sees exactly the statements sent and the rows scripted for them.
#include <gtest/gtest.h>

#include "catalogs/calls.h"
#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"

using namespace korvanda;
using namespace korvanda::testing;

namespace {

const std::string kNoCatalog = "El catalogo solicitado no existe";
const std::string kApp = "error -2147220503 ";
const std::string kReadOnly = "[lock 1 cursor 3]";
const std::string kClosed = "error 3704 ADODB.Recordset: Operation is not allowed when the object is closed.";
const char* const kMpio = "SELECT PKMpio FROM CATCMUNICIPIO WHERE CveMunicipio = 4 AND PKEstado = 12 order by "
                          "PKestado, cveMunicipio";

class QueriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cat = clsCatValida::create();
    db = ScriptedConnection::create();
    slot::current() = db;
    const std::pair<const char*, Variant> answers[] = {
        {"SELECT PKCultivo FROM CATCCULTIVO WHERE CveCultivo = 7", int32_t{41}},
        {"SELECT PKEstado FROM CATCESTADO WHERE CveEstado = 12", int32_t{41}},
        {"SELECT PKTCultivo FROM CATCTIPOPRACTICA WHERE CveTipoCultivo = 3", int32_t{41}},
        {"SELECT pkTipoEndoso FROM CATCTIPOENDOSO WHERE CveTipoEndoso = 'A'", int32_t{41}},
        {"SELECT * FROM SUBCDIASINHABILES WHERE ANIO = 2026", int32_t{41}},
        {"SELECT PKEstado FROM CATCESTADO WHERE CveEstado = 1", "AGS"},
        {"SELECT PKEstado FROM CATCESTADO WHERE CveEstado = 2", Null{}},
        {kMpio, int32_t{345}},
        {"SELECT * FROM CATCESTADO WHERE cveEstado = 1", int32_t{1}},
        {"select 1", int32_t{1}},
        {"SELECT cveEstado FROM CATCESTADO WHERE cveEstado=8", int32_t{8}},
    };
    for (const auto& [statement, value] : answers) db->answer(statement, makeRecordset({"c"}, {{value}}));
    const Error syntax(-2147217900, "Microsoft OLE DB Provider for SQL Server", "Incorrect syntax near 'x'.");
    for (const char* statement : {" order by PKestado, cveMunicipio", "SELECT  FROM SUBREDOREG WHERE =1",
                                  "DELETE FROM X", "UPDATE  SET a = 1 WHERE ", "bad"})
      db->fail(statement, syntax);
  }

  Environment env{{.demo = false}};
  std::shared_ptr<clsCatValida> cat;
  std::shared_ptr<ScriptedConnection> db;
};

TEST_F(QueriesTest, CallsSendTheirStatementsAndAnswer) {
  const std::string syntax = "error -2147217900 Microsoft OLE DB Provider for SQL Server: Incorrect syntax near 'x'.";
  auto catalogs = [&](int32_t id) { return textOf(cat->getCatalogos(id)); };
  auto trae = [&](int32_t id, const char* condition) { return cat->TraeCatalogo(id, condition); };
  auto ext = [&](int32_t id, const char* a, const char* b) { return cat->TraeCatExt(id, a, b); };
  auto find = [&](int32_t id, const char* fields, const char* where, std::optional<int16_t> order = {}) {
    return textOf(cat->FindCondition(id, fields, where, order));
  };
  checkCalls(env, {
      {"getCatalogos 5", [&] { return catalogs(5); }, {"SELECT * FROM CATCESTADO"}, kReadOnly},
      {"getCatalogos 8", [&] { return catalogs(8); },
       {"SELECT * FROM CATCMUNICIPIO order by cveEstado, cveMunicipio"}, kReadOnly},
      {"getCatalogos 12", [&] { return catalogs(12); },
       {"SELECT * FROM CATRESPECIEFUNCION order by cveEspecie, cveFuncion"}, kReadOnly},
      {"getCatalogos 13", [&] { return catalogs(13); }, {"SELECT * FROM CATCTIPOPRACTICA"}, kReadOnly},
      {"getCatalogos 18", [&] { return catalogs(18); }, {"SELECT * FROM SUBCTIPOSEG"}, kReadOnly},
      {"getCatalogos 19", [&] { return catalogs(19); }, {"SELECT * FROM SUBCBIMESTRE"}, kReadOnly},
      {"getCatalogos 21", [&] { return catalogs(21); }, {"SELECT * FROM SUBCSTATUS"}, kReadOnly},
      {"getCatalogos 0", [&] { return catalogs(0); }, {}, kApp + ".getCatalogos: " + kNoCatalog,
       {"KORVANDA.clsCatValida.getCatalogos"}},
      {"getCatalogos 22", [&] { return catalogs(22); }, {}, kApp + ".getCatalogos: " + kNoCatalog,
       {"KORVANDA.clsCatValida.getCatalogos"}},
      {"getCatalogos -1", [&] { return catalogs(-1); }, {}, kApp + ".getCatalogos: " + kNoCatalog,
       {"KORVANDA.clsCatValida.getCatalogos"}},
      {"getCatalogos out of 16 bits", [&] { return catalogs(40000); }, {}, "error 6 KORVANDA: Overflow",
       {"KORVANDA.clsCatValida.getCatalogos"}},
      {"TraeCatalogo 2", [&] { return trae(2, "7"); }, {"SELECT PKCultivo FROM CATCCULTIVO WHERE CveCultivo = 7"}, "41"},
      {"TraeCatalogo 5", [&] { return trae(5, "12"); }, {"SELECT PKEstado FROM CATCESTADO WHERE CveEstado = 12"}, "41"},
      {"TraeCatalogo 13", [&] { return trae(13, "3"); },
       {"SELECT PKTCultivo FROM CATCTIPOPRACTICA WHERE CveTipoCultivo = 3"}, "41"},
      {"TraeCatalogo 14", [&] { return trae(14, "A"); },
       {"SELECT pkTipoEndoso FROM CATCTIPOENDOSO WHERE CveTipoEndoso = 'A'"}, "41"},
      {"TraeCatalogo 15", [&] { return trae(15, "2026"); }, {"SELECT * FROM SUBCDIASINHABILES WHERE ANIO = 2026"}, "41"},
      {"TraeCatalogo quote", [&] { return trae(14, "A' OR 'x'='x"); },
       {"SELECT pkTipoEndoso FROM CATCTIPOENDOSO WHERE CveTipoEndoso = 'A'' OR ''x''=''x'"}, "0"},
      {"TraeCatalogo no row", [&] { return trae(5, "99"); }, {"SELECT PKEstado FROM CATCESTADO WHERE CveEstado = 99"}, "0"},
      {"TraeCatalogo text", [&] { return trae(5, "1"); }, {"SELECT PKEstado FROM CATCESTADO WHERE CveEstado = 1"}, "AGS"},
      {"TraeCatalogo no condition", [&] {
         std::string all;
         for (int32_t id = 1; id <= 21; ++id) all += trae(id, "");
         return all;
       }, {}, std::string(21, '0')},
      {"TraeCatalogo Null key", [&] { return trae(5, "2"); }, {"SELECT PKEstado FROM CATCESTADO WHERE CveEstado = 2"},
       "error 94 KORVANDA: Invalid use of Null", {"KORVANDA.clsCatValida.traeCatalogo"}},
      // Catalogs without a statement of their own send what they have.
      {"TraeCatalogo 8", [&] { return trae(8, "5"); }, {" order by PKestado, cveMunicipio"}, syntax,
       {"KORVANDA.clsCatValida.traeCatalogo"}},
      {"TraeCatalogo 1", [&] { return trae(1, "5"); }, {""}, kClosed, {"KORVANDA.clsCatValida.traeCatalogo"}},
      {"TraeCatalogo 0", [&] { return trae(0, "1"); }, {}, kApp + ".TraeCatalogo: " + kNoCatalog,
       {"KORVANDA.clsCatValida.traeCatalogo"}},
      {"TraeCatExt 22", [&] { return ext(22, "1", "2"); }, {}, kApp + ".TraeCatExt: " + kNoCatalog,
       {"KORVANDA.clsCatValida.traeCatExt"}},
      {"TraeCatExt no row", [&] { return ext(8, "3", "12"); },
       {"SELECT PKMpio FROM CATCMUNICIPIO WHERE CveMunicipio = 3 AND PKEstado = 12 order by PKestado, cveMunicipio"}, "0"},
      {"TraeCatExt", [&] { return ext(8, "4", "12"); }, {kMpio}, "345"},
      {"TraeCatExt other catalog", [&] { return ext(5, "3", "12"); }, {"SELECT * FROM CATCESTADO"}, "0"},
      {"TraeCatExt empty texts", [&] { return ext(8, "", "12") + ext(8, "3", ""); }, {}, "00"},
      {"FindCondition order", [&] { return find(10, "cveRiesgo, Descripcion", "cveRiesgo > 2", int16_t{2}); },
       {"SELECT cveRiesgo, Descripcion FROM CATCRIESGOS WHERE cveRiesgo > 2 order by 2"}, "<no object>"},
      {"FindCondition order 0", [&] { return find(10, "*", "cveRiesgo > 2", int16_t{0}); },
       {"SELECT * FROM CATCRIESGOS WHERE cveRiesgo > 2"}, "<no object>"},
      {"FindCondition no condition", [&] { return find(10, "*", ""); }, {"SELECT * FROM CATCRIESGOS"}, "<no object>"},
      {"FindCondition order -1", [&] { return find(9, "cveRamo", "", int16_t{-1}); },
       {"SELECT cveRamo FROM CATCRAMO order by -1"}, "<no object>"},
      {"FindCondition rows", [&] { return find(5, "*", "cveEstado = 1"); },
       {"SELECT * FROM CATCESTADO WHERE cveEstado = 1"}, kReadOnly + " 1"},
      {"FindCondition 0", [&] { return find(0, "*", ""); }, {}, kApp + ".FindCondition: El cat\xC3\xA1logo solicitado no existe",
       {"KORVANDA.clsCatValida.FindCondition"}},
      {"FindQuery", [&] { return textOf(cat->FindQuery("select 1")); }, {"select 1"}, kReadOnly + " 1"},
      {"FindQuery no row", [&] { return textOf(cat->FindQuery("select 2")); }, {"select 2"}, "<no object>"},
      {"FindQuery empty", [&] { return textOf(cat->FindQuery("")); }, {}, kApp + ".FindQuery: " + kNoCatalog,
       {"KORVANDA.clsCatValida.FindQuery"}},
      {"seleccionar", [&] { return textOf(cat->seleccionar("select 2")); }, {"select 2"}, "[lock 3 cursor 2]"},
      {"seleccionar empty", [&] { return textOf(cat->seleccionar("")); }, {""}, "<closed>"},
      {"findClave", [&] {
         const bool eight = cat->findClave(5, 8);
         return textOf(eight) + textOf(cat->findClave(5, 9));
       },
       {"SELECT cveEstado FROM CATCESTADO WHERE cveEstado=8", "SELECT cveEstado FROM CATCESTADO WHERE cveEstado=9"},
       "TrueFalse"},
      {"findClave 11", [&] { return textOf(cat->findClave(11, -3)); },
       {"SELECT cveMoneda FROM SUBHMONEDAS WHERE cveMoneda=-3"}, "False"},
      // Innermost first, both with the first failure's number, source and description.
      {"findClave without a code column", [&] { return textOf(cat->findClave(3, 1)); },
       {"SELECT  FROM SUBREDOREG WHERE =1"}, syntax,
       {"KORVANDA.clsCatValida.FindCondition", "KORVANDA.clsCatValida.FindClave"}},
      {"insertar", [&] { return textOf(cat->insertar("INSERT INTO X VALUES (2)")); }, {"INSERT INTO X VALUES (2)"}, "True"},
      {"insertar no object", [&] { return textOf(cat->insertar("INSERT INTO X VALUES (3)", ConnectionRef())); },
       {"INSERT INTO X VALUES (3)"}, "True"},
      {"borrar", [&] { return textOf(cat->borrar("DELETE FROM X")); }, {"DELETE FROM X"}, syntax,
       {"KORVANDA.clsCatValida.Borrar"}},
      {"UpdateCondition", [&] { return textOf(cat->UpdateCondition(5, "Descripcion = 'X'", "cveEstado = 1")); },
       {"UPDATE CATCESTADO SET Descripcion = 'X' WHERE cveEstado = 1"}, "True"},
      {"UpdateCondition 0", [&] { return textOf(cat->UpdateCondition(0, "a = 1", "")); },
       {"UPDATE  SET a = 1 WHERE "}, syntax, {"KORVANDA.clsCatValida.updateCondition"}},
      {"EjecutaQuerySinResultado", [&] { return textOf(EjecutaQuerySinResultado("UPDATE S SET E = 0")); },
       {"UPDATE S SET E = 0"}, "True"},
      {"EjecutaQuerySinResultado fails", [&] { return textOf(EjecutaQuerySinResultado("bad")); }, {"bad"}, syntax,
       {"KORVANDA.ModGlobal.EjecutaQuerySinResultado"}},
  });
}

TEST_F(QueriesTest, FixedLogLinesAndConnections) {
  errorOf([&] { cat->getCatalogos(0); });
  errorOf([&] { cat->TraeCatalogo(5, "2"); });
  std::vector<std::string> tails;
  for (const auto& line : env.logLines()) tails.push_back(line.substr(line.find("|Modulo:")));
  EXPECT_EQ(tails, (std::vector<std::string>{
                       "|Modulo:KORVANDA.clsCatValida.getCatalogos|Numero:-2147220503|Source:.getCatalogos"
                       "|LastDLLError:0|Desc Alt El catalogo solicitado no existe",
                       "|Modulo:KORVANDA.clsCatValida.traeCatalogo|Numero:94|Source:KORVANDA|LastDLLError:0"
                       "|Desc Alt No se puede realizar la operaci\xC3\xB3n seleccionada sobre un valor vaci\xC3\xB3"}));

  // seleccionar's record set takes changes; another connection takes the statement given it.
  db->answer("select * from CATCRAMO", makeRecordset({"cveRamo", "Descripcion"}, {{int32_t{1}, "AGRICOLA"}}));
  RecordsetRef rs = cat->seleccionar("select * from CATCRAMO");
  rs->setValue("Descripcion", Variant("GANADERO"));
  rs->update();
  EXPECT_EQ(rs->value("Descripcion"), Variant("GANADERO"));
  auto other = ScriptedConnection::create();
  EXPECT_TRUE(cat->insertar("INSERT INTO X VALUES (1)", ConnectionRef(other)));
  EXPECT_EQ(other->received(), std::vector<std::string>{"INSERT INTO X VALUES (1)"});
  other->close();
  env.clearLogs();
  EXPECT_EQ(errorOf([&] { cat->insertar("INSERT INTO X VALUES (1)", ConnectionRef(other)); }).number(), 3704);
  EXPECT_EQ(env.logEntries().at(0).label, "KORVANDA.clsCatValida.Insertar");
  EXPECT_EQ(cat->getConexion(), ConnectionRef(db));
  EXPECT_EQ(getOpenConnection(), ConnectionRef(db));
}

}  // namespace
