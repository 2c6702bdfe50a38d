// Reference lookups, code-to-key lookups and key generators against fixture rows, on either
// engine: statement texts, results, where "no object" and "empty record set" come back, and
// the log lines of failures.
#include <gtest/gtest.h>

#include <climits>

#include "catalogs/calls.h"
#include "component/ModGlobal.h"
#include "component/rows.h"
#include "korvanda/clsCatValida.h"
#include "lookups/lookups_support.h"
#include "registration/keys.h"

namespace korvanda {
namespace {

using namespace testing;

TEST(KeyReading, NullAndBlankReadAsZeroEverythingElseIsConverted) {
  const std::pair<Variant, std::string> cases[] = {
      {Null{}, "0"}, {Variant(), "0"}, {"", "0"}, {"  ", "0"}, {"17", "17"}, {int64_t{17}, "17"},
      {int32_t{-3}, "-3"}, {int32_t{40000}, "error 6"}, {"abc", "error 13"}};
  for (const auto& [value, expected] : cases) {
    std::string got;
    try {
      got = std::to_string(rows::keyInt16(value));
    } catch (const Error& e) {
      got = "error " + std::to_string(e.number());
    }
    EXPECT_EQ(got, expected) << toText(value);
  }
  EXPECT_EQ(rows::keyInt32(Variant(int64_t{INT32_MAX})), INT32_MAX);
  EXPECT_EQ(errorOf([] { rows::keyInt32(Variant(int64_t{INT32_MAX} + 1)); }).number(), 6);
  EXPECT_FALSE(rows::firstKeyInt32(nullptr, "x").has_value());
  EXPECT_FALSE(rows::firstKeyInt32(makeRecordset({"x"}, {}), "x").has_value());
  EXPECT_EQ(rows::firstKeyInt32(makeRecordset({"x"}, {{Null{}}}), "X"), 0);
  // The digits of a cycle text's leading number.
  const std::pair<const char*, size_t> cycles[] = {{"2006", 4}, {" 2006 ", 4}, {"2006abc", 4}, {"06", 1},
                                                   {"0006", 1}, {"", 1}, {"abc", 1}, {"-200", 4},
                                                   {"20.5", 4}, {"1e3", 4}};
  for (const auto& [text, digits] : cycles) EXPECT_EQ(keys::cycleDigits(text), digits) << text;
}

class Lookups : public ::testing::Test {
 protected:
  void SetUp() override {
    sqliteExec(env.databasePath(), R"(
      INSERT INTO COTCCOTIZAGRL (PkCotizacion) VALUES (100), (200);
      INSERT INTO COTCCOTIZARGO (pkcotizacion, pkriesgo) VALUES (100, 3), (100, 1);
      INSERT INTO CATCTIPOENDOSO (pkTipoEndoso, CveTipoEndoso, nomTipoEndoso) VALUES
        (1, 1, 'Aumento'), (2, 2, 'Baja');
      INSERT INTO CATRCLASIFICAENDOSO (pkendoso, clasificacion) VALUES (1, 4), (2, 5);
      INSERT INTO CATRENDOSORAMO (cveTipoEndoso, cveRamo) VALUES (2, 1), (1, 1), (1, 2);
      INSERT INTO CATCESPECIES (pkespecie, cveEspecie, nomEspecie) VALUES (1, 1, 'Bovino'), (2, 2, 'Ovino');
      INSERT INTO CATRESPECIEUMEDIDA (pkespecie, unidadmedida) VALUES (1, 'Cabeza');
      INSERT INTO CATCRIESGOS (PKRiesgo, cveRiesgo, NomRiesgo) VALUES
        (1, 1, 'Sequia'), (2, 2, 'Helada'), (3, 3, 'Granizo');
      INSERT INTO CATRRIESGORAMO (pkriesgo, pkramo) VALUES (1, 1), (3, 1), (2, 2);
      INSERT INTO CATCCLIENTES (PkCedente, cveCte, cveFondo, NomCliente) VALUES
        (7, 70, 'F07', 'Fondo'), (8, 80, 'O''Brien', 'Fondo Q');
      INSERT INTO CATDCONSEJOCEDENTE (pkcedente, apPatPdte, apMatPdte, nomPdte) VALUES
        (7, 'Lopez', 'Diaz', 'Ana'), (8, 'Ruiz', NULL, 'Luis');
      INSERT INTO COTDPAQUETESRIESGOS (Cvepaquete, listariesgos) VALUES
        ('PQ1', '1,3'), ('PQ''X', '2'), ('NUL', NULL);
      INSERT INTO CATCTIPOCULTIVO (PKTipoCultivo, NomTipoCultivo, PKTipoPractica) VALUES (4, 'Riego', 2);
      INSERT INTO CATCLOCALIDAD (PkEstado, CveMunicipio, CveLocalidad, NomLocalidad, Agregada) VALUES
        (5, 7, '0001', 'Centro', 0), (5, 7, '0002', 'Nueva', 1), (5, 7, '00''3', 'Rara', 1),
        (5, 7, '0300', 'Mala', 300);
      INSERT INTO FONMPROGRAMAS (PkPrograma, PkCedente, CicloIni, CicloFin, PkProducto) VALUES
        (1, 7, 2006, 2007, 9);
      INSERT INTO SOLMCONSTANCIA (PkConstancia, CveConstancia, PkPrograma) VALUES (1, 55, 1);
      INSERT INTO CATCMUNICIPIO (PkMunicipio, PkEstado, cveEstado, CveMunicipio, NomMunicipio) VALUES
        (30, 5, 5, 7, 'Saltillo');
      INSERT INTO SUBCMUNICIPIO (pkmunicipio, cveEstado, cvemunicipio) VALUES (30, 5, 7), (0, 5, 8), (-4, 5, 9);
      INSERT INTO SUBRESPFUN (pkespfun, cveEspecie, cveFuncion) VALUES (12, 3, 2);
      INSERT INTO SUBCTCOBER (cveciclo, cveRamo, cicloInicio, cicloFin) VALUES (6, 1, '2006', '2007');
    )");
  }
  void addAgricola(int64_t key) {
    sqliteExec(env.databasePath(), "INSERT INTO SUBMAGRICOLA (pkagricola, poliza, endoso, cveTipoEndoso, Inciso, "
                                   "ciclo, cveCultivo, PkCedente) VALUES (" + std::to_string(key) + ", 'P" +
                                       std::to_string(key) + "', '0', 0, 1, 'PV2006', 1, 1)");
  }

  Environment env{{.database = true, .demo = false, .registry = true}};
  clsCatValida cat;
};

TEST_F(Lookups, CallsSendTheirStatementsAndAnswer) {
  const std::string endorsements = "SELECT  e.pkTipoEndoso, e.nomTipoEndoso, c.clasificacion FROM  catctipoendoso e, "
                                   "catrclasificaendoso c WHERE  e.pkTipoEndoso in ( select cveTipoEndoso from "
                                   "CATRENDOSORAMO where cveRamo = ";
  const std::string president = "SELECT t.apPatPdte as paterno, t.apMatPdte as materno, t.nomPdte as nombre  FROM "
                                "CATDCONSEJOCEDENTE t, CATCCLIENTES c WHERE t.pkcedente = c.pkcedente AND c.cveFondo=";
  const std::string risks = "SELECT  PKRiesgo, NomRiesgo  FROM  CATCRIESGOS WHERE  pkriesgo in (select "
                            "pkriesgo from CATRRIESGORAMO where pkramo=";
  const std::string locality = "SELECT Agregada FROM CATCLOCALIDAD WHERE PkEstado = 5 AND CveMunicipio = 7 AND CveLocalidad = ";
  const std::string list = "error -2147220502 .getListaRiesgosIN: La lista de riesgos ";
  const std::string noRows = "error 3021 ADODB.Recordset: Either BOF or EOF is True, or the current record has been deleted. "
                             "Requested operation requires a current record.";
  auto n = [](int64_t v) { return std::to_string(v); };
  std::vector<Call> calls = {
      {"getPorcentajeSubsidio", [&] { return n(cat.getPorcentajeSubsidio(5, 12) + cat.getPorcentajeSubsidio(-1, 0)); },
       {}, "0"},
      {"getRiesgosDeConstancias", [&] { return textOf(cat.getRiesgosDeConstancias(100)); },
       {"select r.pkriesgo, t.pkcotizacion from cotccotizargo r, cotccotizagrl t Where t.pkcotizacion=100 and "
        "t.pkcotizacion = r.pkcotizacion  order by r.pkriesgo"},
       "[lock 3 cursor 2] 1|100; 3|100"},
      {"getRiesgosDeConstancias empty", [&] { return textOf(cat.getRiesgosDeConstancias(200)); },
       {"select r.pkriesgo, t.pkcotizacion from cotccotizargo r, cotccotizagrl t Where t.pkcotizacion=200 and "
        "t.pkcotizacion = r.pkcotizacion  order by r.pkriesgo"},
       "[lock 3 cursor 2]"},
      {"getCatEndososCondition", [&] { return textOf(cat.getCatEndososCondition(1)); },
       {endorsements + "1) and e.pkTipoEndoso = c.pkendoso ORDER BY e.pkTipoEndoso"},
       "[lock 1 cursor 3] 1|Aumento|4; 2|Baja|5"},
      {"getCatEndososCondition no row", [&] { return textOf(cat.getCatEndososCondition(9)); },
       {endorsements + "9) and e.pkTipoEndoso = c.pkendoso ORDER BY e.pkTipoEndoso"}, "<no object>"},
      {"getCatEspeciesCondition", [&] { return textOf(cat.getCatEspeciesCondition()); },
       {"SELECT  e.pkespecie, e.nomEspecie, u.unidadmedida FROM  catcespecies e, catrespecieumedida u WHERE  "
        "e.pkespecie = u.pkespecie ORDER BY e.pkespecie"},
       "[lock 1 cursor 3] 1|Bovino|Cabeza"},
      {"getUnidadMedidaEspecie", [&] { return textOf(cat.getUnidadMedidaEspecie(1)); },
       {"SELECT unidadmedida from CATRESPECIEUMEDIDA WHERE pkespecie=1"}, "[lock 1 cursor 3] Cabeza"},
      {"getUnidadMedidaEspecie no row", [&] { return textOf(cat.getUnidadMedidaEspecie(2)); },
       {"SELECT unidadmedida from CATRESPECIEUMEDIDA WHERE pkespecie=2"}, "<no object>"},
      {"getListRiesgosRamo", [&] { return textOf(cat.getListRiesgosRamo(1)); }, {risks + "1) ORDER BY pkriesgo"},
       "[lock 1 cursor 3] 1|Sequia; 3|Granizo"},
      {"getListRiesgosRamo no row", [&] { return textOf(cat.getListRiesgosRamo(5)); }, {risks + "5) ORDER BY pkriesgo"},
       "<no object>"},
      {"getPresidenteConsejo", [&] { return textOf(cat.getPresidenteConsejo("F07")); }, {president + "'F07'"},
       "[lock 1 cursor 3] Lopez|Diaz|Ana"},
      {"getPresidenteConsejo quote", [&] { return textOf(cat.getPresidenteConsejo("O'Brien")); },
       {president + "'O''Brien'"}, "[lock 1 cursor 3] Ruiz|<null>|Luis"},
      {"getPresidenteConsejo injection", [&] { return textOf(cat.getPresidenteConsejo("x' OR '1'='1")); },
       {president + "'x'' OR ''1''=''1'"}, "<no object>"},
      {"getListaRiesgosIN", [&] { return textOf(cat.getListaRiesgosIN("1, 3")); },
       {"select * from CATRRIESGORAMO where pkRiesgo in (1, 3) And pkramo = 1"}, "[lock 1 cursor 3] 1|1; 3|1"},
      {"getListaRiesgosIN blanks", [&] { return textOf(cat.getListaRiesgosIN(" 2 ")); },
       {"select * from CATRRIESGORAMO where pkRiesgo in ( 2 ) And pkramo = 1"}, "[lock 1 cursor 3]"},
      {"getListaRiesgosIN empty", [&] { return textOf(cat.getListaRiesgosIN("")); }, {}, list + "esta vacia",
       {"KORVANDA.clsCatValida.getListaRiesgosIN"}},
      {"SelectRiesgos", [&] { return inOrder([&] { return cat.SelectRiesgos("PQ1"); }, [&] { return cat.SelectRiesgos("PQ'X"); }); },
       {"SELECT listariesgos FROM COTDPAQUETESRIESGOS WHERE Cvepaquete = 'PQ1'",
        "SELECT listariesgos FROM COTDPAQUETESRIESGOS WHERE Cvepaquete = 'PQ''X'"},
       "1,3 2"},
      {"SelectRiesgos no row", [&] { return cat.SelectRiesgos("nada"); },
       {"SELECT listariesgos FROM COTDPAQUETESRIESGOS WHERE Cvepaquete = 'nada'"}, "<< No existen >>"},
      {"SelectRiesgos Null", [&] { return cat.SelectRiesgos("NUL"); },
       {"SELECT listariesgos FROM COTDPAQUETESRIESGOS WHERE Cvepaquete = 'NUL'"},
       "error 94 KORVANDA: Invalid use of Null", {"KORVANDA.clsCatValida.SelectRiesgos"}},
      // The first row is read untested.
      {"SelectTipoCultivo", [&] { return n(cat.SelectTipoCultivo(4)); },
       {"SELECT pktipopractica FROM CATCTIPOCULTIVO WHERE pktipocultivo = 4"}, "2"},
      {"SelectTipoCultivo no row", [&] { return n(cat.SelectTipoCultivo(99)); },
       {"SELECT pktipopractica FROM CATCTIPOCULTIVO WHERE pktipocultivo = 99"}, noRows,
       {"KORVANDA.clsCatValida.SelectTipoCultivo"}},
      {"getClasEndoso", [&] { return n(cat.getClasEndoso(2)); },
       {"select clasificacion from CATRCLASIFICAENDOSO where pkendoso = 2"}, "5"},
      {"getClasEndoso no row", [&] { return n(cat.getClasEndoso(99)); },
       {"select clasificacion from CATRCLASIFICAENDOSO where pkendoso = 99"}, noRows,
       {"KORVANDA.clsCatValida.getClasEndoso"}},
      {"getEstatusLocalidad", [&] { return n(cat.getEstatusLocalidad(5, 7, "0002")); }, {locality + "'0002'"}, "1"},
      {"getEstatusLocalidad 0", [&] { return n(cat.getEstatusLocalidad(5, 7, "0001")); }, {locality + "'0001'"}, "0"},
      {"getEstatusLocalidad no row", [&] { return n(cat.getEstatusLocalidad(5, 7, "9999")); }, {locality + "'9999'"}, "0"},
      {"getEstatusLocalidad quote", [&] { return n(cat.getEstatusLocalidad(5, 7, "00'3")); }, {locality + "'00''3'"}, "1"},
      {"getEstatusLocalidad overflow", [&] { return n(cat.getEstatusLocalidad(5, 7, "0300")); }, {locality + "'0300'"},
       "error 6 KORVANDA: Overflow", {"KORVANDA.clsCatValida.getEstatusLocalidad"}},
      {"getPkProducto", [&] {
         return inOrder([&] { return n(cat.getPkProducto(55, 2006, 2007)); },
                        [&] { return n(cat.getPkProducto(55, 2005, 2007)); });
       },
       {"SELECT P.PkProducto FROM SOLMCONSTANCIA AS C INNER JOIN FONMPROGRAMAS AS P ON C.PkPrograma = P.PkPrograma "
        "WHERE C.CveConstancia = 55 AND P.CicloIni = 2006 AND P.CicloFin = 2007",
        "SELECT P.PkProducto FROM SOLMCONSTANCIA AS C INNER JOIN FONMPROGRAMAS AS P ON C.PkPrograma = P.PkPrograma "
        "WHERE C.CveConstancia = 55 AND P.CicloIni = 2005 AND P.CicloFin = 2007"},
       "9 0"},
      {"getPkMunicipio", [&] {
         return inOrder([&] { return n(getPkMunicipio(cat, 5, 7)); }, [&] { return n(getPkMunicipio(cat, 5, 99)); });
       },
       {"select pkmunicipio from CATCMUNICIPIO  where cveEstado=5 and cvemunicipio=7",
        "select pkmunicipio from CATCMUNICIPIO  where cveEstado=5 and cvemunicipio=99"},
       "30 0"},
      {"getPkMunicipio no connection", [&] { return n(getPkMunicipio(cat, 5, 7, ConnectionRef())); },
       {"select pkmunicipio from CATCMUNICIPIO  where cveEstado=5 and cvemunicipio=7"}, "30"},
      // A key of 0 is no municipality; a negative one is.
      {"ExistePkMunicipio", [&] {
         std::string s;
         for (int16_t m : {7, 8, 9, 10}) s += textOf(cat.ExistePkMunicipio(5, m)) + " ";
         return s;
       },
       {"select pkmunicipio from SUBCMUNICIPIO  where cveEstado=5 and cvemunicipio=7",
        "select pkmunicipio from SUBCMUNICIPIO  where cveEstado=5 and cvemunicipio=8",
        "select pkmunicipio from SUBCMUNICIPIO  where cveEstado=5 and cvemunicipio=9",
        "select pkmunicipio from SUBCMUNICIPIO  where cveEstado=5 and cvemunicipio=10"},
       "True False True False "},
      {"getPkEspecieFuncion", [&] {
         return inOrder([&] { return n(getPkEspecieFuncion(cat, 3, 2)); },
                        [&] { return n(getPkEspecieFuncion(cat, 3, 9)); });
       },
       {"select pkespfun from SUBRESPFUN  where cveEspecie=3 and cveFuncion=2",
        "select pkespfun from SUBRESPFUN  where cveEspecie=3 and cveFuncion=9"},
       "12 0"},
      {"TraePkEspFun", [&] {
         return inOrder([&] { return n(cat.TraePkEspFun(3, 2)); }, [&] { return n(cat.TraePkEspFun(4, 2)); });
       },
       {"select pkEspFun from SUBRESPFUN  where cveEspecie=3 and cveFuncion=2",
        "select pkEspFun from SUBRESPFUN  where cveEspecie=4 and cveFuncion=2"},
       "12 0"},
      // Four-digit years only, else 0 without a statement.
      {"TraePkTCober", [&] {
         std::string s;
         for (auto [ramo, from, to] : {std::tuple{1, "06", "2007"}, {1, "2006", ""}, {1, " 2006 ", "2007"},
                                       {2, "2006", "2007"}, {1, "2006'", "2007"}})
           s += n(cat.TraePkTCober(static_cast<int16_t>(ramo), from, to)) + " ";
         return s;
       },
       {"select cveciclo from SUBCTCOBER  where cveRamo=1 and cicloInicio='2006' and cicloFin='2007'",
        "select cveciclo from SUBCTCOBER  where cveRamo=2 and cicloInicio='2006' and cicloFin='2007'",
        "select cveciclo from SUBCTCOBER  where cveRamo=1 and cicloInicio='2006''' and cicloFin='2007'"},
       "0 0 6 0 0 "},
  };
  for (const char* bad : {"1) OR (1=1", "1,,2", "1,", ",1", "a", "1 2", "1;DROP TABLE CATCRIESGOS", "-"})
    calls.push_back({bad, [&, bad] { return textOf(cat.getListaRiesgosIN(bad)); }, {},
                     list + "no es valida, se esperan claves enteras separadas por comas: " + bad,
                     {"KORVANDA.clsCatValida.getListaRiesgosIN"}});
  checkCalls(env, calls);
  EXPECT_EQ(toText(cat.getPresidenteConsejo("F07")->value("paterno")), "Lopez");
}

// The generators release the shared connection while the maximum is below two (the livestock
// one keeps it); on the caller's connection they still release the shared one.
TEST_F(Lookups, GeneratorsAndTheSharedConnection) {
  const std::string agricola = "select max(pkagricola) as maxAgricola from SUBMAGRICOLA ";
  auto next = [&](const std::function<int32_t()>& generate) {
    const int32_t key = generate();
    return std::to_string(key) + (slot::current() ? " kept" : " released");
  };
  checkCalls(env, {
      {"getPkAgricola empty", [&] { return next([&] { return cat.getPkAgricola(); }); }, {agricola}, "1 released"},
      {"getPkAgricola 1", [&] { addAgricola(1); return next([&] { return cat.getPkAgricola(); }); }, {agricola},
       "2 released"},
      {"getPkAgricola 2", [&] { addAgricola(2); return next([&] { return cat.getPkAgricola(); }); }, {agricola}, "3 kept"},
      {"getPkAgricolaFc", [&] { return next([&] { return cat.getPkAgricolaFc(); }); },
       {"select max(pkagricolaFc) as maxAgricola from SUBMAGRICOLAFC "}, "1 released"},
      {"getPkEnviado", [&] { return next([&] { return cat.getPkEnviado(); }); },
       {"select max(pkenviado) as maxenviado from SUBCONSENVIADAS"}, "1 released"},
      {"getPkEnviadoFc", [&] { return next([&] { return cat.getPkEnviadoFc(); }); },
       {"select max(pkenviadaFc) as maxenviado from SUBCONSENVIADASFc"}, "1 released"},
      {"getPkGanadero", [&] { return next([&] { return cat.getPkGanadero(); }); },
       {"select max(pkganadero) as maxGanadero from SUBMGANADERO "}, "1 kept"},
      {"getPkAgricola overflow", [&] { addAgricola(INT32_MAX); return next([&] { return cat.getPkAgricola(); }); },
       {agricola}, "error 6 KORVANDA: Overflow", {"KORVANDA.clsCatValida.getPkAgricola"}},
  });
  EXPECT_EQ(env.logEntries().at(0).description, "No se aceptan valores tan grandes dentro del sistema");

  auto caller = ScriptedConnection::create();
  caller->answer("select max(pkenviado) as maxenviado from SUBCONSENVIADAS", makeRecordset({"maxenviado"}, {{int32_t{1}}}));
  caller->answer("select max(pkenviadaFc) as maxenviado from SUBCONSENVIADASFc", makeRecordset({"maxenviado"}, {{int32_t{7}}}));
  caller->answer("select pkmunicipio from CATCMUNICIPIO  where cveEstado=5 and cvemunicipio=7",
                 makeRecordset({"pkmunicipio"}, {{int32_t{41}}}));
  ConnectionRef shared = getOpenConnection();
  EXPECT_EQ(getPkMunicipio(cat, 5, 7, ConnectionRef(caller)), 41);
  EXPECT_EQ(cat.getPkEnviadoFc(ConnectionRef(caller)), 8);
  EXPECT_EQ(slot::current(), shared);
  EXPECT_EQ(cat.getPkEnviado(ConnectionRef(caller)), 2);
  EXPECT_EQ(slot::current(), nullptr);
  EXPECT_EQ(caller->received().size(), 3u);
  EXPECT_EQ(cat.getPkAgricola(ConnectionRef(ScriptedConnection::create())), 1);  // no rows: a maximum of 0
}

// A rejected statement leaves the inner operation's line, then the lookup's.
TEST_F(Lookups, RejectedStatementsLogEachLevel) {
  auto conn = ScriptedConnection::create();
  slot::current() = conn;
  const std::string risks = "select r.pkriesgo, t.pkcotizacion from cotccotizargo r, cotccotizagrl t Where "
                            "t.pkcotizacion=1 and t.pkcotizacion = r.pkcotizacion  order by r.pkriesgo";
  const std::string species = "SELECT  e.pkespecie, e.nomEspecie, u.unidadmedida FROM  catcespecies e, "
                              "catrespecieumedida u WHERE  e.pkespecie = u.pkespecie ORDER BY e.pkespecie";
  const std::string municipality = "select pkmunicipio from CATCMUNICIPIO  where cveEstado=1 and cvemunicipio=2";
  const std::string sent = "select max(pkenviadaFc) as maxenviado from SUBCONSENVIADASFc";
  const std::string pair = "select pkEspFun from SUBRESPFUN  where cveEspecie=1 and cveFuncion=1";
  const std::string livestock = "select max(pkganadero) as maxGanadero from SUBMGANADERO ";
  for (const std::string& statement : {risks, species, municipality, sent})
    conn->fail(statement, Error(-2147217900, "db", "rejected"));
  conn->answer(pair, makeRecordset({"p"}, {{Null{}}}));
  conn->answer(livestock, makeRecordset({"maxGanadero"}, {{"x"}}));
  const std::string rejected = "error -2147217900 db: rejected";
  auto n = [](int64_t v) { return std::to_string(v); };
  checkCalls(env, {
      {"getRiesgosDeConstancias", [&] { return textOf(cat.getRiesgosDeConstancias(1)); }, {risks}, rejected,
       {"KORVANDA.clsCatValida.Seleccionar", "KORVANDA.clsCatValida.getRiesgos deConstancias"}},
      {"getCatEspeciesCondition", [&] { return textOf(cat.getCatEspeciesCondition()); }, {species}, rejected,
       {"KORVANDA.clsCatValida.FindQuery", "KORVANDA.clsCatValida."}},
      {"getPkMunicipio", [&] { return n(getPkMunicipio(cat, 1, 2)); }, {municipality}, rejected,
       {"KORVANDA.clsCatValida.Seleccionar", "KORVANDA.clsCatValida.getPkMunicipio"}},
      {"getPkEnviadoFc", [&] { return n(cat.getPkEnviadoFc()); }, {sent}, rejected,
       {"KORVANDA.clsCatValida.getPkEnviadofc"}},
      {"TraePkEspFun", [&] { return n(cat.TraePkEspFun(1, 1)); }, {pair}, "error 94 KORVANDA: Invalid use of Null",
       {"KORVANDA.clsCatValida.TraePkEspFun"}},
      {"getPkGanadero", [&] { return n(cat.getPkGanadero()); }, {livestock}, "error 13 KORVANDA: Type mismatch: \"x\" is not a number",
       {"KORVANDA.clsCatValida.getPkGanadero"}},
  });
}

}  // namespace
}  // namespace korvanda
